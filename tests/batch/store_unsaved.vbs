# A store that cannot be written: "close" says so on standard error, and the status is 3.
# args: --link script --registry /dev/null/registry.db
# status: 3
field 1 robot 7
close
