# args: --trace --link script
# "Module&Code" and the change notifications: the constants of "&Find", the lists of
# "&InsertLines", a notification shown twice under one handle, and the error lists.
field 1 3
field 2 WAIT FOR
field 3 1
field 4 2
field 5 4
field 6 5
field 7 -1
result ModuleCodeFindResult 1 1 -2 3 4
menu 32873
post 1 0
field 3 A|B|
menu 32869
# "&Close" passes 0 only for the text 0.
field 2 00
field 3 2
menu 32867
field 1 /R1/A.SRC
field 2 0
field 4 user
result ModuleCodeOpenResult 0
menu 32866
post 2 0
post 3 0
post 4 0
# "&Notify" > "&Volume" keeps its slot through every result until the job is aborted.
field 1 /R1
field 2 1
field 3 -1
handle 40
result NotifyVolumeResult 1 255
result NotifyVolumeResult 1 255
menu 32884
post 40 0
post 40 0
menu 32884
post 40 2
# Free again: a new registration, with the next handle.
menu 32884
result ErrorListResult 1 ["alpha", "beta"] [1, 4294967295] [] [7] ["gamma"]
menu 32883
post 6 0
result ModuleInformationGetPropResult 1 1 2 3 4 5 6 7 8 9 10 11 12 -13 "" "" 14 15
menu 32876
post 7 0
result ModuleInformationUserAttributesListResult 1 [] []
menu 32880
post 8 0
close
