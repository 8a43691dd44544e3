# args: --link sim
# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0
# Installation and motion: adjust only while installing, jogging in #T1, robot moves that
# report their progress, relative moves; a module run as the program.
field 1 1
field 2 12.5
menu 32752
wait
menu 32750
wait
menu 32752
wait
field 1 $AXIS_ACT
field 2
menu 32711
wait
menu 32751
wait
field 1 3
field 2 +
menu 32831
wait
field 2 -
menu 32832
wait
field 2 +
menu 32832
wait
field 1 $AXIS_ACT
menu 32711
wait
field 1 BIN_A
menu 32836
wait
field 1 {X 10, Z -25.5}
menu 32838
wait
field 1 NOWHERE
menu 32835
wait
field 1 $POS_ACT
menu 32711
wait
# A module run from the file manager: its lines are the program's steps.
field 1 USER:/R1/PICK.SRC
field 2
field 3 0
menu 32860
wait
field 1
menu 32843
wait
field 1 $POS_ACT
menu 32711
wait
field 1 PICK
menu 32861
wait
menu 32863
wait
field 1
menu 32843
wait
