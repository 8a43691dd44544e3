# args: --link sim
# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0
# A module edited through "Module&Code" while "&Notify" > "Module&Code" reports each change:
# 20 lines inserted, 40 deleted, 80 changed, 100 opened or closed. A watch on another module
# stays quiet.
field 1 DEMO
field 2 0
field 3 0
menu 32887
wait
field 1 WARMUP
menu 32886
wait
field 1 USER:/R1/DEMO.SRC
field 2 0
field 3 0
field 4 tester
menu 32866
wait
field 1 1
menu 32865
wait
field 2 7
field 3   WAIT SEC 1|  PTP P1
menu 32869
wait
field 2 2
field 3 1
menu 32870
wait
field 2 1
field 3 1
field 4 DEF DEMO ( SPEED )|  ; edited
menu 32871
wait
field 2 TOUR
field 3 SPEED, COUNT
field 4
menu 32872
wait
field 2 1
field 3 0
menu 32868
wait
# Find "p1" from the top, case-blind, then with the case (field 7).
field 2 p1
field 3 0
field 4 0
field 5 0
field 6 0
field 7 0
menu 32873
wait
field 7 1
menu 32873
wait
field 2 1
field 3 1
field 4 0
menu 32874
wait
field 2 4
field 3
menu 32906
wait
field 2 3
field 3 PTP
menu 32875
wait
field 3 LIN
menu 32875
wait
# Closing without saving (field 2 "0") puts the old lines back: one more report.
field 2 0
field 3 0
menu 32867
wait
field 1 USER:/R1/DEMO.SRC
field 2 0
field 3 2
field 4 viewer
menu 32866
wait
field 1 2
field 2 0
field 3 0
menu 32868
wait
# Opened to view: no edits.
field 2 1
field 3 X
menu 32869
wait
field 2 1
menu 32867
wait
field 1 99
menu 32868
wait
