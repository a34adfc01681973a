# The timer fires late: a key after the deadline closes the scan first and is not
# swallowed, and a start key arriving then opens the next scan at once. An early tick
# changes nothing.
timer late
start 1,0,221,27
stop 2,0,13,28
0 0,221,27
3000 tick
4000 0,65,30
5200 0,66,48
6000 0,221,27
11000 4,0,67,46
11001 tick

0 tray 2
0 ccc
4000 ccc
5200 scan "]a"
5200 tray 3
5200 ppp
6000 tray 2
6000 ccc
11000 scan "]"
11000 tray 3
11000 p
