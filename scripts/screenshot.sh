#!/usr/bin/env bash
# Starts the console under a virtual display with throw-away registry stores and saves a
# screenshot of its window: scripts/screenshot.sh [OUT.png] [extra xdotool steps...]
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/screenshot.png}
vantel=${VANTEL_BIN:-build/default/src/vantel}

tmp=$(mktemp -d)
trap 'kill $xvfb_pid 2>/dev/null || true; rm -rf "$tmp"' EXIT
export VANTEL_REGISTRY=$tmp/user.db VANTEL_MACHINE_REGISTRY=$tmp/machine.db VANTEL_JOURNAL=off
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x700x24 >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=$display
sleep 1
"$vantel" /RegServer
"$vantel" &
app_pid=$!
for _ in $(seq 50); do
  win=$(xdotool search --name 'PLEXA-Vantel' 2>/dev/null | head -n1 || true)
  [ -n "$win" ] && break
  sleep 0.1
done
[ -n "${win:-}" ] || { echo "the window did not appear" >&2; kill $app_pid; exit 1; }
sleep 0.5
shift || true
for step in "$@"; do eval "xdotool $step"; sleep 0.3; done
mkdir -p "$(dirname "$out")"
if [ -n "${FULL:-}" ]; then import -window root "$out"; else import -window root -crop "$(xdotool getwindowgeometry --shell "$win" | awk -F= '/WIDTH/{w=$2}/HEIGHT/{h=$2}/^X/{x=$2}/^Y/{y=$2}END{print w"x"h"+"x"+"y}')" +repage "$out"; fi
kill $app_pid 2>/dev/null || true
echo "$out"
