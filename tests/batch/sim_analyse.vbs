# args: --link sim
# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0
# The analyser's errors, shown by "&Error" > "&List": a new module with a fault, found by
# "&Analyse", listed, read one by one, mended; linking checks the modules called.
field 1 USER:/R1
field 2 CHECK
field 3 1
field 4 1
field 5 made by a script
field 6 0
menu 32853
wait
field 1 0
field 2 CHECK
field 3 2
field 4 IF $COUNTER > 3|  HALT|ENDLOOP
menu 32916
wait
field 1 CHECK
menu 32864
wait
field 1
menu 32883
wait
field 1 CHECK
field 2 2
menu 32882
wait
field 2 9
menu 32882
wait
field 2 0
menu 32876
wait
# Mended: the list is empty again.
field 1 0
field 2 CHECK
field 3 2
field 4 3
menu 32825
wait
field 1 CHECK
menu 32864
wait
field 1
menu 32883
wait
# PICK calls GRIP, which exists; CALLER calls a module that does not.
field 1 PICK
menu 32881
wait
menu 32909
wait
field 1 USER:/R1
field 2 CALLER
field 3 1
field 4 1
field 5
field 6 0
menu 32853
wait
field 1 0
field 2 CALLER
field 3 2
field 4   MISSING ( )
menu 32814
wait
field 1 CALLER
menu 32909
wait
menu 32883
wait
field 1 PICK
field 2 0
menu 32876
wait
