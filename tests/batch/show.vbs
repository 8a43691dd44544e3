# args: --trace --link script
# "S&how": field 1 goes to the link as typed; the result comes back as the job's type-0
# notification and is shown; while the job is pending the command is busy.
field 1 $OV_PRO
field 2 Ätschi "😀"\t
result ShowVarResult 1 "42"
menu 32711
menu 32711
post 1 0
wait
# The slot is free again; this time the link has no text for it.
handle 0x7FFF
result ShowVarResult 0
menu 32711
post 0x7FFF 0
# A result that no slot is waiting for is aborted.
post 0x10001 0
wait
# "Set&Info" keeps its slot: every result is shown and the command stays busy.
handle -5
result SetInfoResult 1 "line 1\nline 2"
result SetInfoResult 1 "again"
menu 32713
post 0xFFFB 0
post -5 0
menu 32713
close
