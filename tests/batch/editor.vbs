# args: --trace --link script
# "&Editor": numbers read with %hd, lists cut at every bar, "&Print" shows its text alone.
field 1 12abc
field 2  Prog 
field 3  7
field 4 x||y|
menu 32916
post 1 0
field 4 |
menu 32916
post 2 0
field 4
menu 32916
post 3 0
wait
menu 32814
menu 32815
menu 32816
menu 32817
menu 32825
post 4 0
post 5 0
post 6 0
post 7 0
post 8 0
wait
menu 32740
menu 32741
menu 32742
menu 32743
menu 32744
menu 32745
menu 32747
menu 32818
post 9 0
post 10 0
post 11 0
post 12 0
post 13 0
post 14 0
post 15 0
post 16 0
wait
# "&Print": the printout is the message; an empty one is an empty box.
result EditPrintResult 1 "DEF MAIN()\r\nEND"
result EditPrintResult 1 ""
menu 32746
menu 32746
post 17 0
menu 32746
post 18 0
wait
