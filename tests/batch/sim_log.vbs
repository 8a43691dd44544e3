# args: --link sim
# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0
# Log entries added and read back; header, flush, configuration; the link's own log.
field 1 Cell
field 2 Gripper
field 3 4711
field 4 2
field 5 Gripper closed
field 6 part A
field 7
field 8 p1|p2
menu 32917
wait
field 1 Cell
field 2 Conveyor
field 3 12
field 4 1
field 5 Belt stopped
field 6
field 7
menu 32898
wait
field 1 1
menu 32918
wait
field 1 1
field 2 2
menu 32900
wait
field 2 0
menu 32900
wait
menu 32901
wait
menu 32899
wait
menu 32901
wait
menu 32911
wait
field 1 16
menu 32912
wait
field 1 6
menu 32912
wait
# Items are not kept now: the number is 0 and nothing is added.
field 1 Cell
field 2 Gripper
field 3 1
field 4 1
field 5 not kept
field 8
menu 32917
wait
menu 32901
wait
field 1 3
menu 32918
wait
menu 32839
field 1 0
menu 32840
menu 32839
field 1 link.log
menu 32827
