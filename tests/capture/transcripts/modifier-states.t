# Letters are upper-case exactly with State 1. Ctrl, Alt, Meta or any State past 1 type
# nothing, nor do out-of-range values that would wrap to a typing one.
start 1,0,221,27
stop 2,0,13,28
0 1,0,221,27 4,0,65,30 4,1,65,30 4,2,66,48 4,3,66,48 4,4,32,57 4,8,66,48
1 4,256,66,48 4,-1,66,48 4,0,65602,48 4,0,-65470,48 2,0,13,28

0 tray 2
0 ccccccc
1 scan "aA"
1 tray 3
1 ccccc
