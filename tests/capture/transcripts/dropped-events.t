# A scan the kernel dropped events of is read to its end as usual and then dropped: none
# of its keys pass, nothing is delivered, the tray goes back to idle; the next scan is
# whole again. Dropped events outside a scan change nothing.
start 1,0,221,27
stop 2,0,13,28
0 0,221,27 1,67,46
10 dropped
20 1,68,32 0,13,28
30 0,65,30
40 dropped
50 0,221,27 0,65,30 0,13,28

0 tray 2
0 cccccc
20 tray 1
20 cccccc
30 ppp
50 tray 2
50 scan "]a"
50 tray 3
50 ccccccccc
