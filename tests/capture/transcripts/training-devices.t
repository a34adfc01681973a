# Training reports the device the sample came from; keys of a second device in the
# sample refuse it, since the scanner cannot be told from the keyboard.
mode training
0 @scanner 0,65,30 0,13,28
100 stop
200 train
200 @scanner 0,65,30
210 @keyboard 0,66,48
220 @scanner 0,13,28
300 stop

0 tray 1
0 cccccc
100 tray 1
100 trained 1,0,65,30 2,0,13,28 after 6 from scanner
200 tray 1
200 ccc
210 ccc
220 ccc
300 tray 1
300 The sample came from more than one device. Scan it again, touching no other keys.
