# args: --link script
# Closing the dialog ends the script: nothing after it runs, not even a broken line.
bofkey 1
close
bofkey 2
wait
this line is never read
