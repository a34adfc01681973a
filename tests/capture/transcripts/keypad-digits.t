# Keypad digits, Tab and function keys are consumed but type nothing; space types one.
start 1,0,221,27
stop 2,0,13,28
0 key 0,221,27
1 key 0,97,79
2 key 0,105,73
3 key 0,9,15
4 key 0,112,59
5 key 0,32,57
6 key 1,32,57
7 key 0,13,28

0 tray 2
0 consume consume consume
1 consume consume consume
2 consume consume consume
3 consume consume consume
4 consume consume consume
5 consume consume consume
6 consume consume consume
7 scan "]  "
7 tray 3
7 consume consume consume
