# args: --trace --link sim
# The simulated controller answers every request by itself, a little later; wait lets
# its answer arrive.
field 1 $OV_PRO
menu 32711
wait
menu 32713
menu 32711
wait
