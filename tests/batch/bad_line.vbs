# args: --link script
# status: 2
bofkey 1
wait

field 11 out of range
bofkey 2
wait
