# Letters are upper-case exactly with State 1. Ctrl, Alt, Meta or any State past 1 type
# nothing, even out-of-range values that would wrap to a typing one.
start 1,0,221,27
stop 2,0,13,28
0 1,0,221,27
1 4,0,65,30
2 4,1,65,30
3 4,2,66,48
4 4,3,66,48
5 4,4,32,57
6 4,8,66,48
7 4,256,66,48
8 4,-1,66,48
9 4,0,65602,48
10 4,0,-65470,48
11 2,0,13,28

0 tray 2
0 consume
1 consume
2 consume
3 consume
4 consume
5 consume
6 consume
7 consume
8 consume
9 consume
10 consume
11 scan "aA"
11 tray 3
11 consume
