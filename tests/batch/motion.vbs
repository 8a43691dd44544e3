# args: --trace --link script
# "&Install" and "&Move": the plus-flag is set by a plain "+" only; the four robot moves
# share one result call, and each result names and frees its own slot.
field 1 3
field 2 +
menu 32750
menu 32751
menu 32752
menu 32831
field 2 + 
menu 32832
post 1 0
post 2 0
post 3 0
post 4 0
post 5 0
wait
field 2 -
menu 32831
field 2
menu 32832
menu 32833
menu 32834
post 6 0
post 7 0
post 8 0
post 9 0
wait
field 1 P1 
menu 32835
menu 32836
menu 32837
menu 32838
menu 32835
result RobMoveResult 0
post 12 0
post 11 0
menu 32837
post 10 0
post 14 0
post 13 0
wait
