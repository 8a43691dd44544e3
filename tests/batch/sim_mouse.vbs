# args: --link sim
# env: --unset=VANTEL_SIM_LATENCY_MS --unset=VANTEL_SIM_MOUSE_MS --unset=VANTEL_SIM_STEP_MS VANTEL_SIM_CLOCK_MS=0
# The 6D mouse with the default settings (latency 20 ms): a real mouse that nobody touches.
# Switched on it reports once, at rest, and then nothing however long it lies there. The
# expected output holds whether the sleep lets the job end or the wait does.
menu 1046
sleep 700
wait
# Moved through "E&xecute Command": one reading per move, on the mouse's own handle (2: the
# switch's job took 1).
field 1 mouse 1 -2 3 -4 5 -6
menu 32842
wait
field 1 mouse 100 0 0 0 0 -100
menu 32842
sleep 300
wait
# A fetch whenever the mouse is on gets the latest reading.
post 2 200
wait
# Switched off, it gives nothing more: every reading posted was fetched. A move says why.
menu 1047
wait
post 2 200
wait
field 1 mouse 7 7 7 7 7 7
menu 32842
sleep 300
wait
