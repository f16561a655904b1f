#!/usr/bin/env bash
# Checks the Debian package that `make package` built, from the build folder given as the first
# argument: what it carries, that every library the program needs is there, that its menu entry
# is valid, and that the program it installs starts (on a virtual display, with a scratch home
# and the package's own virtual reader as COM1). The package is unpacked into a scratch folder,
# not installed.
set -euo pipefail
build="${1:-build}"
deb="$(ls -t "$build"/px708_*.deb 2> /dev/null | head -n 1 || true)"
if [ -z "$deb" ]; then
  echo "check-package.sh: no package in $build; run make package first" >&2
  exit 1
fi
say() { echo "check-package.sh: $*"; }
fail() { say "FAILED: $*" >&2; exit 1; }

scratch="$(mktemp -d)"
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2> /dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

say "$deb"
dpkg-deb --field "$deb" Package Version Depends Recommends
root="$scratch/root"
dpkg-deb -x "$deb" "$root"
for f in usr/bin/px708 usr/bin/px708-sim \
         "usr/share/px708/PX-708_Utility-OperationGuide_ REV 1.pdf" usr/share/px708/zelmar1.pdf \
         usr/share/px708/px706.htm usr/share/px708/logo.png usr/share/px708/reader.jpg \
         usr/share/px708/capsules.jpg usr/share/px708/transponders.jpg usr/share/px708/px708.png \
         usr/share/applications/px708.desktop usr/share/icons/hicolor/256x256/apps/px708.png; do
  [ -s "$root/$f" ] || fail "the package lacks $f"
done
say "every file is there"
if ldd "$root/usr/bin/px708" | grep -q 'not found'; then
  ldd "$root/usr/bin/px708" | grep 'not found'
  fail "libraries missing"
fi
if command -v desktop-file-validate > /dev/null; then
  desktop-file-validate "$root/usr/share/applications/px708.desktop" || fail "invalid menu entry"
fi
grep -q '^Exec=px708$' "$root/usr/share/applications/px708.desktop" || fail "menu entry runs no px708"
grep -q '^Icon=px708$' "$root/usr/share/applications/px708.desktop" || fail "menu entry has no icon"

# The installed program starts: it stays up (waiting in the first-run Setup dialog) until it is
# stopped; one that fails to start ends at once.
home="$scratch/home"
mkdir -p "$home/config/px708"
"$root/usr/bin/px708-sim" --link "$scratch/COM1" --state "$scratch/sim.txt" < /dev/null \
  > "$scratch/sim.out" 2>&1 &
sim_pid=$!
for _ in $(seq 1 100); do
  grep -q '^px708-sim: ready$' "$scratch/sim.out" && break
  sleep 0.05
done
grep -q '^px708-sim: ready$' "$scratch/sim.out" || fail "the packaged virtual reader did not start"
printf '[ports]\nCOM1=%s\n' "$scratch/COM1" > "$home/config/px708/px708.ini"
status=0
(cd "$scratch" && XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" \
  timeout 8 xvfb-run -a "$root/usr/bin/px708") || status=$?
[ "$status" -eq 124 ] || fail "the packaged program ended with status $status instead of running"
[ -f "$home/data/px708/database/config.db" ] || fail "the packaged program made no database"
say "the packaged program starts and makes its database"
