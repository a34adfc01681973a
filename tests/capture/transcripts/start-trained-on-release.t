# The same for a start event trained from the key's release.
start 2,0,221,27
stop 2,0,13,28
0 0,221,27 0,13,28

0 tray 2
0 scan "]"
0 tray 3
0 cccccc
