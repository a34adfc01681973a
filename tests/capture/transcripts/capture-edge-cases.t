# A scan opens on the press of "]" and closes on the release of Enter. Keys outside it
# pass; inside, every event is consumed, a repeated start key is just a character, and
# the stop key's press and character event neither close nor add.
start 1,0,221,27
stop 2,0,13,28
0 key 0,65,30
100 key 0,221,27
110 key 1,67,46
120 key 0,221,27
130 key 0,13,28
140 key 0,65,30
200 key 0,221,27
210 key 0,13,28

0 pass pass pass
100 tray 2
100 consume consume consume
110 consume consume consume
120 consume consume consume
130 scan "]C]"
130 tray 3
130 consume consume consume
140 pass pass pass
200 tray 2
200 consume consume consume
210 scan "]"
210 tray 3
210 consume consume consume
