#!/usr/bin/env bash
# The program itself, closed (SIGTERM, as at a logout) while a script waits in
# its message dialog: the dialog is cancelled, the script stopped, its window
# closed, and the program ends within seconds, releasing the port. On a virtual
# X display of its own, driven with xdotool.
#   script_close_test.sh VUND2 VUND_TARGET_SIM
set -euo pipefail
program=$1
sim=$2
work=$(mktemp -d /tmp/vund2-script-close-XXXXXX)
pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true; wait 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
# Waits up to $1 tenths of a second for the command after it to succeed.
until_ok() {
  local n=$1
  shift
  for _ in $(seq "$n"); do "$@" && return 0; sleep 0.1; done
  return 1
}

# A program folder of the sample files whose port leads to the simulated set.
cp "$(dirname "$0")"/../../examples/* "$work"/
sed -i "s#^COM2=[^\r]*#COM2=$work/link#" "$work/Vund2.ini"
printf 'func main(a&, n) {\r\n  sysMessage("Stop?", 0);\r\n  return 0;\r\n}\r\n' >"$work/ask.jsc"
"$sim" --protocol ecs3 --link "$work/link" --vund "$work/vund.dat" --sreg "$work/Sreg.dat" --hreg "$work/Hreg.dat" \
  >"$work/sim.log" 2>&1 &
pids+=($!)
until_ok 100 test -L "$work/link" || fail "the simulated set did not start"

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
pids+=($!)
until_ok 100 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")

env -u LC_ALL -u LC_MESSAGES LANG=C QT_QPA_PLATFORM=xcb VUND2_HOME="$work" \
  ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" "$program" >"$work/program.log" 2>&1 &
vund=$!
pids+=($vund)

# Started up (the title names the register files): Tool > Script, the file, Enter.
main=$(timeout 60 xdotool search --sync --onlyvisible --name '^Vund2  S_REG' | head -1) ||
  fail "the main window did not start up"
timeout 10 xdotool windowfocus --sync "$main"
opened=""
for _ in 1 2 3; do
  xdotool key --clearmodifiers alt+t s
  opened=$(timeout 5 xdotool search --sync --onlyvisible --name '^Open$' | head -1) && break
  xdotool key Escape Escape
done
[ -n "$opened" ] || fail "the open dialog did not come"
xdotool type --delay 5 "$work/ask.jsc"
xdotool key Return
timeout 30 xdotool search --sync --onlyvisible --name '^MESSAGE$' >/dev/null || fail "the script's dialog did not come"

kill -TERM "$vund"
until_ok 100 eval '! kill -0 "$vund" 2>/dev/null' ||
  fail "still running 10 s after the close: $(xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' ' ')"
status=0
wait "$vund" || status=$?
[ "$status" -eq 0 ] || { cat "$work/program.log" >&2; fail "ended with status $status"; }
echo "ok: the program ended with the script's dialog open"
