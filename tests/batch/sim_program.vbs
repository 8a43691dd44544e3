# args: --link sim
# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0
# Programs on the simulated controller: start without a program, select, run to the end.
menu 32732
wait
field 1 NO_SUCH_PROGRAM
field 2
menu 32731
wait
field 1 DEMO
menu 32731
wait
menu 32732
wait
# A program's own data is reached through its data path only.
field 1 DEMO:CYCLES
field 2
menu 32711
wait
field 1 /R1/DEMO
field 2 CYCLES
field 3
menu 32812
wait
# An ended program must be reset before it starts again.
menu 32732
wait
menu 32737
wait
field 1 $PRO_STATE
field 2
menu 32711
wait
menu 32736
wait
