#!/usr/bin/env bash
# The program's peak memory while a script prints without end: for a short
# line and for lines of 2048 characters (bench/runaway/*.jsc), the Release
# program runs the script for SECONDS (default 60) on a virtual X display of
# its own with a window manager, against the simulated set, and VmHWM (peak
# resident set) is read from /proc every second. Then the script window is
# closed while the script still prints: the times until the confirmation box
# shows and, once Yes is pressed, until the window has gone.
# Usage: [KINDS="short long"] bench/runaway-print.sh [SECONDS]   (after scripts/build release)
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
build=build/release
for p in Xvfb openbox xdotool; do command -v $p >/dev/null || { echo "needs $p (scripts/install-deps)" >&2; exit 1; }; done
[ -x $build/src/app/vund2 ] || { echo "build it first: scripts/build release" >&2; exit 1; }
work=$(mktemp -d /tmp/vund2-runaway-XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; wait; rm -rf "$work"' EXIT
within() { for _ in $(seq "$1"); do "${@:2}" && return 0; sleep 0.1; done; return 1; }
shown() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep .; }
ms() { date +%s%3N; }

cp examples/* "$work"/
sed -i "s#^COM2=[^\r]*#COM2=$work/link#" "$work/Vund2.ini"
$build/tools/target-sim/vund-target-sim --protocol ecs3 --link "$work/link" --vund "$work/vund.dat" \
  --sreg "$work/Sreg.dat" --hreg "$work/Hreg.dat" &>/dev/null &
within 100 test -L "$work/link" || { echo "the simulated set did not start" >&2; exit 1; }
Xvfb -displayfd 3 -noreset -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
within 100 test -s "$work/display" || { echo "Xvfb did not start" >&2; exit 1; }
export DISPLAY=:$(cat "$work/display")
within 100 eval 'xprop -root >/dev/null 2>&1'
openbox &>/dev/null &
within 100 eval 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"'

printf '| script | peak RSS after start-up | peak RSS after %d s | close: box shown | Yes: window gone |\n|---|---|---|---|---|\n' "$seconds"
for kind in ${KINDS:-short long}; do
  cp bench/runaway/$kind.jsc "$work/"
  env -u LC_ALL -u LC_MESSAGES LANG=C QT_QPA_PLATFORM=xcb VUND2_HOME="$work" $build/src/app/vund2 &>"$work/program.log" &
  vund=$!
  within 300 shown '^Vund2  S_REG' >/dev/null || { echo "the program did not start up" >&2; exit 1; }
  sleep 2
  start=$(awk '/VmHWM/ {print $2}' /proc/$vund/status)
  for _ in 1 2 3 4 5; do
    timeout 10 xdotool windowactivate --sync "$(shown '^Vund2  S_REG')"
    xdotool key --clearmodifiers alt+t s
    within 50 shown '^Open$' >/dev/null || continue
    timeout 10 xdotool windowactivate --sync "$(shown '^Open$')"
    xdotool key ctrl+a; xdotool type --delay 20 "$work/$kind.jsc"; xdotool key Return
    within 100 shown '^Script Window$' >/dev/null && break
    xdotool key Escape
  done
  shown '^Script Window$' >/dev/null || { echo "the script did not start" >&2; exit 1; }
  for _ in $(seq "$seconds"); do
    sleep 1
    peak=$(awk '/VmHWM/ {print $2}' /proc/$vund/status)
  done
  t0=$(ms)
  timeout 10 xdotool windowactivate --sync "$(shown '^Script Window$')"
  xdotool key alt+F4
  within 600 shown '^Confirmation$' >/dev/null
  t1=$(ms)
  timeout 10 xdotool windowactivate --sync "$(shown '^Confirmation$')"
  xdotool key alt+y
  within 600 eval '! shown "^Script Window$" >/dev/null'
  t2=$(ms)
  printf '| %s | %d MB | %d MB | %d ms | %d ms |\n' "$kind" $((start / 1024)) $((peak / 1024)) $((t1 - t0)) $((t2 - t1))
  kill -TERM $vund
  wait $vund
done
