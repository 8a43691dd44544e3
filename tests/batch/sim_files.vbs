# args: --link sim
# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0
# "Datei" on the simulated controller: a round trip upload -> change -> download brings the
# module back byte for byte, and its CRC follows the content.
field 1 USER:/R1
field 2 *.SRC
menu 32720
wait
# The CRC before, the module out to the host folder.
field 1 USER:/R1/DEMO.SRC
field 2 0
menu 32913
wait
field 2 demo_copy.src
field 3
menu 32722
wait
# A line changed on the controller changes the CRC.
field 1 0
field 2 DEMO
field 3 2
field 4   PTP P3
menu 32815
wait
field 1 USER:/R1/DEMO.SRC
field 2 0
menu 32913
wait
# Back from the host: the old content, the old CRC.
field 1 demo_copy.src
field 2 USER:/R1/DEMO.SRC
field 3
menu 32721
wait
field 1 USER:/R1/DEMO.SRC
field 2 0
menu 32913
wait
# Option N keeps what is there, on both sides.
field 1 demo_copy.src
field 2 USER:/R1/DEMO.SRC
field 3 N
menu 32721
wait
field 1 USER:/R1/DEMO.SRC
field 2 demo_copy.src
menu 32722
wait
# Into a folder it keeps its name; copy, access, user, comment, delete.
field 1 demo_copy.src
field 2 RAM:/
field 3
menu 32721
wait
field 1 RAM:/demo_copy.src
field 2 RAM:/SECOND.SRC
field 3
menu 32725
wait
field 1 RAM:/SECOND.SRC
field 2 R
menu 32828
wait
field 2 tester
menu 32829
wait
field 2 a copy of DEMO
menu 32830
wait
field 1 RAM:/
field 2
menu 32720
wait
# Read-only: not deleted until access is RW again.
field 1 RAM:/SECOND.SRC
field 2
menu 32726
wait
field 2 RW
menu 32828
wait
field 2
menu 32726
wait
field 1 RAM:
menu 32720
wait
# The system's own files are not touched.
field 1 SYSTEM:/CONFIG/CELL.INI
menu 32726
wait
field 1 NO_VOLUME:/X
menu 32720
wait
# Why the jobs failed: the controller's own log records.
field 1 1
field 2 100
menu 32900
wait
# A watch on a volume's root with flag 1 hears what lands anywhere on it.
field 1 CARD:
field 2 0
field 3 1
menu 32885
wait
field 1 USER:/README.TXT
field 2 CARD:/
field 3
menu 32725
wait
