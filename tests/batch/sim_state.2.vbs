# args: --link sim
# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0 VANTEL_SIM_STATE_DIR=@WORKDIR@/state
# ...is there in the next, with its attributes, and what was destroyed stays destroyed.
field 1 USER:/R1/KEEP.SRC
field 2 0
field 3 0
field 4 x
menu 32866
wait
field 1 1
field 2 1
field 3 0
menu 32868
wait
field 1 KEEP
field 2 Owner
menu 32878
wait
field 1 USER:/
field 2
menu 32720
wait
