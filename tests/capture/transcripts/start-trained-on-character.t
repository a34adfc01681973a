# A start event trained from its character event opens on the press of the same key, so
# the whole keystroke is withheld and its character kept; the press with another State
# does not.
start 4,0,221,27
stop 2,0,13,28
0 1,221,27
10 0,221,27 0,13,28

0 ppp
10 tray 2
10 scan "]"
10 tray 3
10 cccccc
