# args: --trace --link script
# The variable panel writes fixed values through the slot of "Se&t".
field 1 $OV_PRO
field 2 33
menu 1042
menu 32712
menu 1053
post 1 0
menu 32712
post 2 0
# The data-path commands pass three fields.
field 3 dp
result DPShowVarResult 1 "$OV_PRO=33\r\n"
menu 32812
menu 32819
post 3 0
post 4 0
# "DataPath SetIn&fo" keeps its slot; "SetInfo &Off" does nothing.
result DPSetInfoResult 1 "info"
result DPSetInfoResult 0
menu 32905
post 5 0
menu 32714
post 5 0
menu 32905
post 5 1
menu 32905
close
