# args: --trace --link script --registry @WORKDIR@/user.db
# The next run starts with them: the newest entry is in each field, older ones can be picked.
menu 32711
post 1 0
pick 1 1
field 2
menu 32711
post 2 0
pick 1 2
menu 32711
close
