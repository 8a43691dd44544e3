# args: --link sim
# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0
# Variables of the simulated controller: set and show, checked values, an info job.
field 2
field 1 $OV_PRO
menu 32711
wait
field 2 50
menu 32712
wait
menu 32711
wait
# Out of range, unknown, read-only: the result call fails.
field 2 101
menu 32712
wait
field 1 $NO_SUCH_VAR
menu 32711
wait
field 1 $PRO_STATE
field 2 #P_ACTIVE
menu 32712
wait
# An info job reports the value, then each change, until aborted (job 7).
field 1 $OV_JOG
field 2
menu 32713
wait
field 2 20
menu 32712
wait
menu 32713
field 2 100
menu 32712
wait
field 1 7
menu 32806
wait
field 1 $OV_JOG
field 2 50
menu 32712
wait
# The panel: "#AUTO" writes "#AUT" and turns the key switch.
menu 1042
wait
field 1 $MODE_OP
field 2
menu 32711
wait
