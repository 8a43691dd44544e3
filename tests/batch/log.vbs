# args: --trace --link script
# The menu "&Log" and the direct calls of "Diver&ses" > "&Log": the list and flags of
# "Add &Item", its fixed values, the whole record of "&Get Item", and the log options while
# jobs are pending.
field 1 src
field 3 -1
field 4 -2
field 8 x|y|z
menu 32917
menu 32898
field 1 -1
field 2 20
menu 32900
result LogOCGetItemResult 1 17 116444736000000000 5 "s" "t" 6 7 "a" "b" "c" ["p", "q"] [true, false] "F" 0 0
menu 32918
result GetLogOpt 3
menu 32839
menu 32827
menu 32840
result LogAddItemResult 1 -4
result GetLogEntriesResult 1 []
post 1 0
post 2 0
post 3 0
post 4 0
close
