# A scan opens on the press of "]" and closes on the release of Enter. Keys outside it
# pass; inside, every event is consumed, a repeated start key is just a character, and
# the stop key's press and character event neither close nor add.
start 1,0,221,27
stop 2,0,13,28
0 0,65,30
100 0,221,27 1,67,46 0,221,27
130 0,13,28
140 0,65,30
200 0,221,27 0,13,28

0 ppp
100 tray 2
100 ccccccccc
130 scan "]C]"
130 tray 3
130 ccc
140 ppp
200 tray 2
200 scan "]"
200 tray 3
200 cccccc
