# args: --link sim
# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0
# Without a state folder every run starts with the samples.
field 1 USER:/
field 2
menu 32720
wait
