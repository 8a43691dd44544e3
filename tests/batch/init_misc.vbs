# args: --trace --link script
# "Ini&t" and "Diver&ses": direct calls, flags and numbers from the fields, slots shared
# or overwritten, and the results with a value.
result GetRobots 1 "KR 1\nKR 2"
menu 32701
result GetRobots 0 "not shown"
menu 32701
# "&Disable Start": only an exact "+" sends 0.
field 1 +
field 2 Wartung
menu 32841
post 1 0
field 1 + 
menu 32841
post 2 0
# "&Active" > "&Set" and "&Tandix" > "&Set Config": only an exact "1" sends 1.
field 1 01
menu 32903
menu 32915
# Handles of controller messages are typed in hexadecimal, answers in decimal.
field 1 ffffffff
field 2 -2
menu 32920
# "&Confirm" and the panel's "ALL" refuse each other.
field 1 7
menu 1073
menu 32702
post 6 0
menu 32702
# "IO &Restart" twice: the second job takes the slot, the first is aborted on its result.
menu 32823
menu 32823
post 8 0
post 9 0
result IOBusInfoResult 1 -1
menu 32824
post 10 0
# "&Notify" keeps its slot: every result is shown, and the command stays busy.
result NotifyActiveInterfaceResult 1 2
result NotifyActiveInterfaceResult 1 3
menu 32904
post 11 0
post 11 0
menu 32904
# "A&bort" asks the link; the link's type-2 notification frees the slot.
field 1 11
menu 32806
post 11 2
# "&Exit" leaves a pending job in its slot; "&Init" frees it.
menu 32890
menu 32811
menu 32890
menu 32810
menu 32890
# The commands without a menu entry: two reads into the table, and the abort test, whose
# negative pause is taken as none.
field 1 2
field 2 $OV_JOG
menu 36864
field 1 $OV_PRO
field 2 
field 3 -5
menu 36865
post 16 0
result SetInfoResult 1 "aborted"
post 16 2
close
