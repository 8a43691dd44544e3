# args: --link sim
# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0
# Volumes, names and items on the simulated controller: properties, CRC, lists, create,
# copy to and from memory, move, compare, rename, attributes, destroy, format.
menu 32848
wait
field 1 RAM:
menu 32845
wait
field 1 DEMO
menu 32895
wait
menu 32896
wait
field 1
menu 32843
wait
field 1 USER:/R1
field 2 0
field 3 1
menu 32852
wait
# Only modules (type 1: bit 0x2), in this folder only.
field 2 2
field 3 0
menu 32852
wait
# The console's memory block: its name ends in SRC, so it is a module of two lines.
field 1 RAM:/TEST.SRC
field 2 0
menu 32888
wait
field 1 RAM:/TEST.SRC
field 2 0
menu 32849
wait
menu 32864
wait
field 1 RAM:/TEST.SRC
field 2 RAM:/TEST2.SRC
field 3 0
menu 32855
wait
field 1 RAM:/TEST.SRC
field 2 RAM:/TEST2.SRC
menu 32857
wait
field 1 0
field 2 RAM:/TEST2.SRC
field 3 2
field 4   HALT
menu 32814
wait
field 1 RAM:/TEST.SRC
field 2 RAM:/TEST2.SRC
menu 32857
wait
field 1 RAM:/TEST2.SRC
field 2 0
menu 32889
wait
# Copying onto an existing item needs flag 1.
field 1 RAM:/TEST.SRC
field 2 RAM:/TEST2.SRC
field 3 0
menu 32855
wait
field 3 1
menu 32855
wait
field 1 RAM:/TEST2.SRC
field 2 CHECKED.SRC
menu 32850
wait
field 1 RAM:/CHECKED.SRC
field 2 1
field 3 1
menu 32851
wait
field 2 0
menu 32849
wait
field 1 RAM:/CHECKED.SRC
field 2 0
menu 32854
wait
field 1 RAM:/CHECKED.SRC
field 2 1
field 3 0
menu 32851
wait
field 1 RAM:/CHECKED.SRC
field 2 USER:/R1/
field 3 0
menu 32856
wait
field 1 USER:/R1
field 2 2
field 3 0
menu 32852
wait
field 1 USER:/R1/CHECKED.SRC
field 2 0
menu 32854
wait
field 1 RAM:
field 2 Scratch
menu 32846
wait
field 1 RAM:
field 2 Fresh
field 3 1
menu 32847
wait
field 1 RAM:
menu 32845
wait
field 1 SYSTEM:
field 2 x
field 3 1
menu 32847
wait
