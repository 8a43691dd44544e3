# args: --link sim
# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0
# A program asks a synchronous question; the middle answer sends it to the second bin.
field 1 SORT_PARTS
field 2
menu 32730
answer 1
wait
field 1 SORT_PARTS
field 2 CHOICE
field 3
menu 32812
wait
field 1 $ANSWER
field 2
menu 32711
wait
