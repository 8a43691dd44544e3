# args: --trace --link script
# Operator keys queue like any post and are shown when the script lets them through:
# before the next field, pick, menu or close line, or at wait and sleep.
bofkey 0x2a
bofkey 0
field 1 one
bofkey 0x12345
bofkey -1
answer 2
sleep 0
bofkey 0xBEEF
wait
bofkey 7
close
