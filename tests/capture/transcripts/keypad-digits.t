# Keypad digits, Tab and function keys are consumed but type nothing; space types one
# in either shift state.
start 1,0,221,27
stop 2,0,13,28
0 0,221,27 0,97,79 0,105,73 0,9,15 0,112,59 0,32,57 1,32,57 0,13,28

0 tray 2
0 scan "]  "
0 tray 3
0 cccccccccccccccccccccccc
