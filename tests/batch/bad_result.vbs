# args: --link script
# status: 2
# A result line is checked against the call's out-values when it is read.
result GetRobots 1 "robot 1"
result GetRobots 0
result GetRobots 1 7
