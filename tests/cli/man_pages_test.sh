#!/bin/sh
# Each program's --help and its manual page name the same options. Arguments: PROGRAM PAGE...
status=0
name='--?[a-z][a-z-]*'
while [ $# -ge 2 ]; do
  help=$(env -u DISPLAY -u WAYLAND_DISPLAY "$1" --help | grep -oE "(^|[][ |])$name" |
    grep -oE -- "$name" | sort -u)
  page=$(grep -oE "\*$name\*" "$2" | tr -d '*' | sort -u)
  for o in $help; do
    echo "$page" | grep -qx -- "$o" || { echo "$2 lacks $o"; status=1; }
  done
  for o in $page; do
    echo "$help" | grep -qx -- "$o" || { echo "$1 --help lacks $o"; status=1; }
  done
  shift 2
done
exit $status
