# Training ends by itself 2 s after the sample's last key. A single event is both start
# and stop, and values beyond 16 bits are stored as the nearest 16-bit ones.
mode training
0 1,0,70000,-40000
3000 train
3500 1,0,221,27
3600 2,0,13,28

0 tray 1
0 c
2000 tray 1
2000 trained 1,0,32767,-32768 1,0,32767,-32768 after 1
3000 tray 1
3500 c
3600 c
5600 tray 1
5600 trained 1,0,221,27 2,0,13,28 after 2
