# A scan opens on the press of "]" and closes on the release of Enter. Keys outside it
# pass; inside, every event is consumed, a repeated start key is just a character, and
# the stop key's press and character event neither close nor add. An unplugged scanner
# closes the open scan with what it sent, but leaves a training sample alone; training
# abandons an open scan.
start 1,0,221,27
stop 2,0,13,28
0 0,65,30
100 0,221,27 1,67,46 0,221,27
130 0,13,28
140 0,65,30
200 0,221,27 0,13,28
300 0,221,27 1,65,30
310 unplug
400 0,221,27
410 train
420 stop
500 train
510 0,66,48
520 unplug

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
300 tray 2
300 cccccc
310 scan "]A"
310 tray 3
400 tray 2
400 ccc
410 tray 1
420 tray 1
420 Couldn't get a good scan
500 tray 1
510 ccc
2510 tray 1
2510 trained 1,0,66,48 2,0,66,48 after 3
