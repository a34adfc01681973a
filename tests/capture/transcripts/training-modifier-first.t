# A sample beginning with Shift takes its first real key press as the start event; a
# sample of modifiers alone is no good scan.
mode training
0 1,0,16,42
1 key 1,65,30
2 2,1,16,42
3 key 0,13,28
10 stop
20 train
30 1,0,16,42
31 1,2,17,29
32 2,3,16,42
33 2,2,17,29
40 stop

0 consume
1 consume consume consume
2 consume
3 consume consume consume
10 trained 1,1,65,30 2,0,13,28 after 8
30 consume
31 consume
32 consume
33 consume
40 Couldn't get a good scan
