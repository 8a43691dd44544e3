# args: --link sim
# env: VANTEL_SIM_LATENCY_MS=0 VANTEL_SIM_CLOCK_MS=0
# absent: outside.txt
# absent: escape.log
# Host paths stay inside the host folder: ".." and absolute paths fail with result 0, and
# nothing is read or written outside it (the registry store lies next to the host folder).
field 1 ../user.db
field 2 USER:/STOLEN.DAT
field 3
menu 32721
wait
field 1 /etc/hostname
menu 32721
wait
field 1 host/../../user.db
menu 32721
wait
field 1 USER:/README.TXT
field 2 ../outside.txt
menu 32722
wait
field 2 sub/../../outside.txt
menu 32722
wait
field 2 /tmp/../outside.txt
menu 32722
wait
field 2 ..\outside.txt
menu 32722
wait
field 1 ../escape.log
menu 32827
# Nothing came in either.
field 1 USER:/
field 2 STOLEN*
menu 32720
wait
# A name inside the folder works, also in a folder of its own.
field 1 USER:/README.TXT
field 2 notes/readme.txt
field 3
menu 32722
wait
field 1 notes/readme.txt
field 2 RAM:/README.TXT
menu 32721
wait
field 1 RAM:/README.TXT
field 2 USER:/README.TXT
menu 32857
wait
field 1 1
field 2 100
menu 32900
wait
