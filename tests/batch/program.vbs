# args: --trace --link script
# "S&top", "Stop mit Option" and the panel's "Stop" share one slot and one result call.
field 1 
menu 32734
menu 32797
menu 1071
post 1 0
menu 32797
menu 1071
post 2 0
# "Cancel mit Option" is fetched with the result call of "&Cancel".
field 1 sofort
menu 32736
menu 32798
post 3 0
menu 32798
result CancelResult 0
post 4 0
# The panel's "Start" and "Off" run the menu commands.
menu 1040
menu 32732
menu 1070
post 5 0
post 6 0
field 1  PROG 1
menu 32842
post 7 0
close
