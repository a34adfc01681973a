# A scanner that never pauses for the gap is still cut at the end of the scan window,
# and a late timer does not let the scan swallow the next scan's first key.
scanner 4000
timer late
start 1,0,65,30
stop 2,0,13,28
0 @scanner 0,65,30
3000 @scanner 0,66,48
6000 @scanner 0,67,46

0 tray 2
0 ccc
3000 ccc
6000 scan "ab"
6000 tray 2
6000 ccc
10000 scan "c"
10000 tray 3
