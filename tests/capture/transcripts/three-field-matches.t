# Events that match the start event in three fields only open nothing.
start 1,0,221,27
stop 2,0,13,28
0 1,1,221,27
1 1,0,219,27
2 1,0,221,26
3 4,0,221,27
4 2,0,221,27
5 0,0,0,0

0 pass
1 pass
2 pass
3 pass
4 pass
5 pass
