# args: --link sim
# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0
# Every notification type raised through "E&xecute Command".
field 1 info 42 Door open
menu 32842
wait
field 1 state Cell in manual
menu 32842
wait
field 1 ack 7 Gripper pressure low
menu 32842
wait
field 1 wait Waiting for conveyor
menu 32842
wait
field 1 remove 2
menu 32842
wait
field 1 confirm 1
menu 32842
wait
field 1 dialog Replace tool?|Yes|No|Later
menu 32842
wait
field 1 5
field 2 2
menu 32920
wait
field 1 dialog Keep going?|Yes|No
menu 32842
wait
field 1 reply 6 0
menu 32842
wait
menu 32908
wait
field 1 3
menu 32919
wait
field 1 info Shift change
menu 32842
wait
field 1 0
menu 32702
wait
field 1 ask Pick a colour|Red|Green|Blue|Black|White
menu 32842
answer 2
wait
field 1 syncmsg 99 Safety fence opened
menu 32842
wait
# The 6D mouse reads only while it is on: switched on from the panel (one reading, at rest),
# moved (one reading), off again.
menu 1046
wait
field 1 mouse 1 -2 3 -4 5 -6
menu 32842
wait
menu 1047
wait
field 1 keyswitch 4
menu 32842
wait
field 1 key 0x2a
menu 32842
wait
field 1 progress 50 halfway
menu 32842
wait
field 1 fail
menu 32842
wait
field 1 abort
menu 32842
wait
field 1 launch rockets
menu 32842
wait
field 1 mouse 1 2
menu 32842
wait
field 1 dialog Too many|a|b|c|d|e|f
menu 32842
wait
# Moving the mouse while it is off gives no reading; the job says why.
field 1 mouse 1 -2 3 -4 5 -6
menu 32842
wait
