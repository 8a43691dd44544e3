# args: --link sim
# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0 VANTEL_SIM_STATE_DIR=@WORKDIR@/state
# With a state folder the controller's file system outlives the run: a module made and
# edited here...
field 1 USER:/R1
field 2 KEEP
field 3 1
field 4 1
field 5 kept between runs
field 6 0
menu 32853
wait
field 1 0
field 2 KEEP
field 3 2
field 4   PTP P1|  WAIT SEC 0.5
menu 32916
wait
field 1 KEEP
field 2 Owner
field 3 tester
menu 32879
wait
field 1 USER:/README.TXT
menu 32854
wait
