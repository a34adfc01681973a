# The same for a start event trained from the key's release.
start 2,0,221,27
stop 2,0,13,28
0 key 0,221,27
20 key 0,13,28

0 tray 2
0 consume consume consume
20 scan "]"
20 tray 3
20 consume consume consume
