# A scanner that sends no suffix: the sample's last character became the stop event, so
# in scanner mode it no longer closes scans (a later scan with that character inside is
# not cut short); the scanner's silence for the gap does.
scanner 100
start 1,0,65,30
stop 2,0,53,6
0 @scanner 0,65,30 0,53,6 0,66,48
50 @scanner 0,53,6
300 @scanner 0,67,46

0 tray 2
0 ccccccccc
50 ccc
150 scan "a5b5"
150 tray 3
300 tray 2
300 ccc
400 scan "c"
400 tray 3
