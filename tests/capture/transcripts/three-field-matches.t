# Events that match the start event in three fields only open nothing.
start 1,0,221,27
stop 2,0,13,28
0 1,1,221,27 1,0,219,27 1,0,221,26 4,0,221,27 2,0,221,27 0,0,0,0

0 pppppp
