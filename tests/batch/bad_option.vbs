# args: --link script --verbose
# status: 2
bofkey 1
