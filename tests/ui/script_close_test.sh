#!/usr/bin/env bash
# The program itself, closed (SIGTERM, as at a logout) while a script waits in
# its message dialog: the dialog is cancelled, the script stopped, its window
# closed, and the program ends within seconds, releasing the port. On a virtual
# X display of its own, driven with xdotool.   script_close_test.sh VUND2 VUND_TARGET_SIM
set -uo pipefail
work=$(mktemp -d /tmp/vund2-script-close-XXXXXX)
trap 'kill $(jobs -p) 2>/dev/null; within 50 eval "[ -z \"\$(jobs -pr)\" ]"; kill -9 $(jobs -p) 2>/dev/null; wait; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; cat "$work/program.log" >&2 2>/dev/null; exit 1; }
within() { # tenths of a second, command
  for _ in $(seq "$1"); do "${@:2}" && return 0; sleep 0.1; done
  return 1
}
# The first visible window whose name matches; a window that goes while it is
# looked at makes xdotool fail, so it looks again.
shown() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep .; }
windows() { xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' ' '; }
command -v xdotool >/dev/null && command -v Xvfb >/dev/null || fail "needs xdotool and Xvfb (scripts/install-deps)"
# A program folder of the sample files whose port leads to the simulated set.
cp "$(dirname "$0")"/../../examples/* "$work"/
sed -i "s#^COM2=[^\r]*#COM2=$work/link#" "$work/Vund2.ini"
printf 'func main(a&, n) { sysMessage("Stop?", 0); return 0; }\r\n' >"$work/ask.jsc"
"$2" --protocol ecs3 --link "$work/link" --vund "$work/vund.dat" --sreg "$work/Sreg.dat" --hreg "$work/Hreg.dat" &>/dev/null &
within 100 test -L "$work/link" || fail "the simulated set did not start"
# No reset when the last client goes: a client connecting during one can be refused.
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
within 100 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")
within 600 eval 'xprop -root >/dev/null 2>&1' || fail "Xvfb took no connection"
env -u LC_ALL -u LC_MESSAGES LANG=C QT_QPA_PLATFORM=xcb VUND2_HOME="$work" \
  ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" "$1" &>"$work/program.log" &
vund=$!

# Once started up (the title names the register files): Tool > Script, the file, Enter.
within 600 shown '^Vund2  S_REG' >/dev/null || fail "the main window did not start up"
main=$(shown '^Vund2  S_REG')
# On a busy machine a typed name can still come out wrong: it is typed again.
asked=0
for _ in 1 2 3 4 5; do
  if ! shown '^Open$' >/dev/null; then
    timeout 10 xdotool windowfocus --sync "$main"
    xdotool key --clearmodifiers alt+t s
    within 50 shown '^Open$' >/dev/null || { xdotool key Escape Escape; continue; }
  fi
  # Keys typed before the dialog has the focus would go to the main window.
  timeout 10 xdotool windowfocus --sync "$(shown '^Open$')"
  xdotool key ctrl+a
  xdotool type --delay 20 "$work/ask.jsc"
  xdotool key Return
  # A name the dialog took closes it, and the script's box comes however slow
  # the machine; otherwise a box says there is no such file.
  if within 100 eval '! shown "^Open$" >/dev/null'; then
    within 600 shown '^MESSAGE$' >/dev/null && { asked=1; break; }
    fail "the script's dialog did not come: $(windows)"
  fi
  xdotool key Escape
done
[ $asked -eq 1 ] || fail "the file dialog never took the script's name: $(windows)"

kill -TERM $vund
within 100 eval '! kill -0 $vund 2>/dev/null' ||
  fail "still running 10 s after the close: $(windows)"
wait $vund
status=$?
[ $status -eq 0 ] || fail "ended with status $status"
