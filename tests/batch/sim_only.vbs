# args: --link sim
# status: 2
# The simulated controller makes up its own handles and results.
handle 5
