# A sample beginning with Shift takes its first real key press as the start event; a
# sample of modifiers alone is no good scan.
mode training
0 1,0,16,42 1,65,30 2,1,16,42 0,13,28
10 stop
20 train
30 1,0,16,42 1,2,17,29 2,3,16,42 2,2,17,29
40 stop

0 tray 1
0 cccccccc
10 tray 1
10 trained 1,1,65,30 2,0,13,28 after 8
20 tray 1
30 cccc
40 tray 1
40 Couldn't get a good scan
