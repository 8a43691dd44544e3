# args: --link script --registry @WORKDIR@/user.db
# The first run types into the fields and closes the dialog, which saves the histories.
field 1 $OV_PRO
field 1 $MODE_OP
field 1 Ätschi 😀
field 2 zweites Feld
pick 1 2
close
