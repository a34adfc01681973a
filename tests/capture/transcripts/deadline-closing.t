# A scan whose stop event never comes closes by the timer at exactly 5 s with what it
# collected; a key at the deadline itself already reaches the window.
start 1,0,221,27
stop 2,0,13,28
1000 0,221,27
5999 0,65,30
6000 0,66,48
7000 0,221,27

1000 tray 2
1000 ccc
5999 ccc
6000 scan "]a"
6000 tray 3
6000 ppp
7000 tray 2
7000 ccc
12000 scan "]"
12000 tray 3
