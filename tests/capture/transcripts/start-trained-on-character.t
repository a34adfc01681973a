# A start event trained from its character event opens on the press of the same key, so
# the whole keystroke is withheld and its character kept; the press with another State
# does not.
start 4,0,221,27
stop 2,0,13,28
0 key 1,221,27
10 key 0,221,27
20 key 0,13,28

0 pass pass pass
10 tray 2
10 consume consume consume
20 scan "]"
20 tray 3
20 consume consume consume
