# Scanner mode: any key press of the scanner opens a scan, its first character kept; the
# keyboard's keys pass and never touch the scan, before, during and after it, even the
# trained start key; Enter from the scanner closes. A stray release from the scanner
# outside a scan is withheld but opens nothing.
scanner 100
start 1,0,221,27
stop 2,0,13,28
0 @keyboard 0,221,27
10 @scanner 0,65,30
14 @keyboard 0,66,48
18 @scanner 0,49,2 0,13,28
30 @scanner 2,0,65,30
40 @scanner 0,50,3 0,13,28

0 ppp
10 tray 2
10 ccc
14 ppp
18 scan "a1"
18 tray 3
18 cccccc
30 c
40 tray 2
40 scan "2"
40 tray 3
40 cccccc
