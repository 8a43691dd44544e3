# args: --trace --link script
# "&Datei": fields go to the link as typed, in field order; "D&ir" shows the listing as the
# controller returns it, and only the failure message when it fails.
field 1 /R1/
field 2 *.SRC
result DirResult 1 "MAIN.SRC\t1204\r\nÜBUNG.SRC\t88\r\n"
menu 32720
post 1 0
wait
result DirResult 0 "half a listing"
menu 32720
post 2 0
wait
# A download keeps its slot busy; an upload starts beside it.
field 3 /b
menu 32721
menu 32721
menu 32722
post 4 0
post 3 0
wait
field 3
menu 32725
menu 32726
menu 32828
menu 32829
menu 32830
result DeleteResult 0
result ChangeUserResult 2
post 5 0
post 6 0
post 7 0
post 8 0
post 9 0
wait
