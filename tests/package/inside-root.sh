#!/bin/bash
# Runs inside the fresh Debian 12 root that scripts/test-install-package makes: installs
# the package with apt (so its dependencies resolve from the mirror), uses it as root and
# as an ordinary user, removes it, and checks that only the users' settings are left.
#   inside-root.sh /tmp/blenvar_VERSION_amd64.deb
set -euo pipefail
deb=$1
export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8
failed=0
fail() { echo "FAILED: $*" >&2; failed=1; }
step() { echo "== $*"; }

step "apt-get install ./$(basename "$deb")"
cd "$(dirname "$deb")"
apt-get install -y -q --no-install-recommends "./$(basename "$deb")" >/tmp/install.log 2>&1 \
  || { tail -n 30 /tmp/install.log; exit 1; }
grep -E '^(Need to get|After this operation)' /tmp/install.log || true
dpkg-query -W -f='${Package} ${Version} ${Status}\n' blenvar
programs=$(find /usr/lib/blenvar -printf '%P\n' | sort)

useradd --create-home --shell /bin/bash tester
# as USER COMMAND...: runs in USER's own login environment.
as() {
  local user=$1 home
  shift
  home=$(getent passwd "$user" | cut -d: -f6)
  runuser -u "$user" -- env -i HOME="$home" USER="$user" PATH=/usr/bin:/bin "$@"
}

# The decoder through its /usr/bin link, on the sample scans of scripts/run.
check_decode() {
  local user=$1 home out
  home=$(getent passwd "$user" | cut -d: -f6)
  step "blenvar-decode as $user"
  out=$(as "$user" blenvar-decode --encoding AIM --format '%%T: %%C %%X' \
    ']E04012345678901]E212345' ']E00036000291452' ']C0ABC-123' 'no identifier')
  echo "$out"
  [ "$out" = $'EAN 13: 4012345678901 12345\nUPC-A: 036000291452 \nCODE 128: ABC-123 \nUNKNOWN: no identifier ' ] \
    || fail "blenvar-decode as $user printed something else"
  out=$(as "$user" blenvar-decode '.C3nZC3nZC3jXChD2Dxr7ENnY.cGen.ENr7C3fZCNvWChvYCW.')
  echo "$out"
  [[ "$out" == *'"type":"ISBN","code":"0201633612"'* ]] || fail "the CueCat scan as $user"
  out=$(as "$user" blenvar-decode --help | tail -n 1)
  echo "$out"
  [[ "$out" == "Settings file in use: $home/.config/blenvar/blenvar.ini"* ]] \
    || fail "the settings file of $user is not in $home/.config/blenvar"
  # --deliver loads the delivery library from /usr/lib/blenvar; the line goes to the
  # default file beside the settings (no display: no keys, no clipboard).
  as "$user" mkdir -p "$home/.config/blenvar"
  printf '[Setup]\nEncoding=AIM\n[CODE 128]\nSendToClipboard=0\nSaveToFile=1\n' \
    | as "$user" tee "$home/.config/blenvar/blenvar.ini" >/dev/null
  as "$user" blenvar-decode --deliver ']C0DELIVERED' >/dev/null || fail "--deliver as $user"
  grep -q DELIVERED "$home/.config/blenvar/CODE128.txt" || fail "no line delivered as $user"
}

# The tray program under Xvfb until its window is there; then ended as a logout would.
check_window() {
  local user=$1 display=:$2 pid xpid found=0
  step "blenvar under Xvfb as $user"
  as "$user" Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/tmp/xvfb-$user.log 2>&1 &
  xpid=$!
  for _ in $(seq 100); do as "$user" env DISPLAY="$display" xwininfo -root >/dev/null 2>&1 && break; sleep 0.1; done
  as "$user" env DISPLAY="$display" blenvar >/tmp/blenvar-$user.log 2>&1 &
  pid=$!
  for _ in $(seq 300); do
    if as "$user" env DISPLAY="$display" xwininfo -root -tree | grep -q '"Blenvar - v'; then
      found=1
      break
    fi
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  as "$user" env DISPLAY="$display" xwininfo -root -tree | grep -E '"Blenvar|blenvar' || true
  [ "$found" = 1 ] || { fail "no Blenvar window as $user"; cat /tmp/blenvar-$user.log; }
  # The start-up steps end with the sounds registered.
  local home
  home=$(getent passwd "$user" | cut -d: -f6)
  for _ in $(seq 100); do [ -f "$home/.config/blenvar/registry.sqlite3" ] && break; sleep 0.1; done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  kill "$xpid" 2>/dev/null || true
  wait "$xpid" 2>/dev/null || true
  if grep -v -E '^(QStandardPaths|qt\.qpa|Fontconfig)' /tmp/blenvar-$user.log | grep -q .; then
    echo "-- blenvar said:"
    cat /tmp/blenvar-$user.log
  fi
}

for user in root tester; do
  check_decode "$user"
done
check_window root 91
check_window tester 92

step "the program folder holds only the package's files"
after=$(find /usr/lib/blenvar -printf '%P\n' | sort)
[ "$after" = "$programs" ] || { fail "files were written into /usr/lib/blenvar"; diff <(echo "$programs") <(echo "$after") || true; }
for home in /root /home/tester; do
  ls -a "$home/.config/blenvar"
  [ -f "$home/.config/blenvar/registry.sqlite3" ] || fail "blenvar registered no sounds in $home/.config/blenvar"
done

step "apt-get purge blenvar"
apt-get purge -y -q blenvar >/tmp/purge.log 2>&1 || { cat /tmp/purge.log; exit 1; }
grep -i 'not empty\|warning' /tmp/purge.log && fail "dpkg left something behind"
left=$(find / -xdev \( -path /proc -o -path /sys -o -path /dev -o -path /tmp \) -prune -o \
  -iname '*blenvar*' -print |
  grep -v -E '^(/root|/home/tester)/\.(config|local/state)/blenvar(/|$)' || true)
if [ -n "$left" ]; then echo "$left"; fail "left after the purge"; fi
dpkg-query -W blenvar 2>/dev/null | grep -q . && fail "dpkg still knows blenvar"
# The users' own: their settings, and the outbox of scans still to be sent to a server.
echo "left: the users' settings and outboxes"
find /root/.config /home/tester/.config /root/.local/state /home/tester/.local/state \
  -path '*blenvar*' 2>/dev/null | sort

[ "$failed" = 0 ] && echo "== all checks passed in the clean root"
exit "$failed"
