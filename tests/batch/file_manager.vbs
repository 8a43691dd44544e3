# args: --trace --link script
# "&FileManager": volume properties, an empty name list, the three item copies with their
# own slots, the source block for a module and for a data list, and the formatted results.
field 1 D
result VolumeGetPropResult 1 "D" 2 10 20 30
menu 32845
post 1 0
result VolumeNameListResult 1 []
menu 32848
post 2 0
# Copy D&estMem hands back bytes that are fetched and dropped.
field 1 /R1/TEST.SRC
field 2 -1
result ItemCopyDestMemResult 1 [1, 2, 255]
menu 32889
menu 32888
menu 32889
field 1 /R1/TEST.src
field 3 7
menu 32855
post 3 0
post 4 0
post 5 0
# The copy from memory is free again; a lower-case ending gets the data list.
menu 32888
post 6 0
field 1 /R1/X
field 2 12abc
result ItemGetPropResult 1 3 "A" 255 16 116444736000000000 0 1 1
result ItemGetCRCResult 1 255
menu 32849
menu 32913
post 7 0
post 8 0
# Item (&Domain): "St&art" pending does not block "S&top"; the second "St&art" is refused.
menu 32907
menu 32862
menu 32907
post 9 0
post 10 0
close
