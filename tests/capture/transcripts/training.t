# The first and last events of a sample become the start and stop events; "Stop" ends
# it. The next training starts empty, so stopping it at once gives no good scan.
mode training
0 0,221,27 1,67,46 0,13,28
100 stop
200 train
300 stop

0 tray 1
0 ccccccccc
100 tray 1
100 trained 1,0,221,27 2,0,13,28 after 9
200 tray 1
300 tray 1
300 Couldn't get a good scan
