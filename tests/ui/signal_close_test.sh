#!/usr/bin/env bash
# The program itself, ended by SIGTERM (as at a logout) with each kind of box
# or dialog open: the box is ended as Esc ends it, the close runs as the
# user's does (the settings are written) and the program ends with status 0
# within seconds, its sanitizers silent. On a virtual X display of its own
# with a window manager (which makes a box belong to the window that was
# active), driven with xdotool.   signal_close_test.sh VUND2 VUND_TARGET_SIM
set -uo pipefail
vund2=$1
work=$(mktemp -d /tmp/vund2-signal-close-XXXXXX)
trap 'kill -9 $(jobs -p) 2>/dev/null; wait; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; cat "$work/program.log" >&2 2>/dev/null; exit 1; }
within() { # tenths of a second, command
  for _ in $(seq "$1"); do "${@:2}" && return 0; sleep 0.1; done
  return 1
}
# The first visible window whose name matches; a window that goes while it is
# looked at makes xdotool fail, so it looks again.
shown() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 | grep .; }
windows() { xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null | tr '\n' ' '; }
gone() { ! shown "$1" >/dev/null; }
key() { xdotool key --clearmodifiers "$@"; }
# Keys typed before a window has the focus would go elsewhere.
focus() { within 600 shown "$1" >/dev/null && timeout 10 xdotool windowactivate --sync "$(shown "$1")"; }
for p in xdotool Xvfb openbox; do command -v $p >/dev/null || fail "needs $p (scripts/install-deps)"; done
# A program folder of the sample files whose port leads to the simulated set.
cp "$(dirname "$0")"/../../examples/* "$work"/
sed -i "s#^COM2=[^\r]*#COM2=$work/link#" "$work/Vund2.ini"
cp "$work/Vund2.ini" "$work/Vund2.ini.first"
printf 'func main(a&, n) { var x; x = 1 / 0; return 0; }\r\n' >"$work/fails.jsc"
printf 'func main(a&, n) { while (1) { } return 0; }\r\n' >"$work/runs.jsc"
printf 'func main(a&, n) { var v; sysInput("n?", sysINTEGER, v); sysSelect("pick", "a\\r\\nb", v); sysMessage("Stop?", 0); return 0; }\r\n' >"$work/asks.jsc"
"$2" --protocol ecs3 --link "$work/link" --vund "$work/vund.dat" --sreg "$work/Sreg.dat" --hreg "$work/Hreg.dat" &>/dev/null &
within 100 test -L "$work/link" || fail "the simulated set did not start"
# No reset when the last client goes: a client connecting during one can be refused.
Xvfb -displayfd 3 -noreset -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
within 100 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=:$(cat "$work/display")
within 600 eval 'xprop -root >/dev/null 2>&1' || fail "Xvfb took no connection"
openbox &>/dev/null &
within 600 eval 'xprop -root _NET_SUPPORTING_WM_CHECK | grep -q "window id"' || fail "openbox did not start"

# The file dialog of the menu keys, given the file name in the program folder.
# On a busy machine a typed name can still come out wrong: it is typed again.
choose() { # menu keys, file name
  for _ in 1 2 3 4 5; do
    if gone '^Open$'; then
      focus '^Vund2  S_REG' && key $1
      within 50 shown '^Open$' >/dev/null || { key Escape Escape; continue; }
    fi
    focus '^Open$' && key ctrl+a && xdotool type --delay 20 "$2" && key Return
    within 100 gone '^Open$' && return 0
    key Escape
  done
  fail "the file dialog never took $2: $(windows)"
}

# One run: the program started afresh, the steps, the box they leave open, SIGTERM.
ends_with() { # what, the box's name, steps...
  local what=$1 box=$2 step
  shift 2
  cp "$work/Vund2.ini.first" "$work/Vund2.ini"
  env -u LC_ALL -u LC_MESSAGES LANG=C QT_QPA_PLATFORM=xcb VUND2_HOME="$work" \
    ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" "$vund2" &>"$work/program.log" &
  vund=$!
  # Started up once the title names the register files.
  focus '^Vund2  S_REG' || fail "$what: the main window did not start up"
  for step in "$@"; do eval "$step" || fail "$what: $step: $(windows)"; done
  within 600 shown "$box" >/dev/null || fail "$what: $box did not come: $(windows)"
  kill -TERM $vund
  within 300 eval '! kill -0 $vund 2>/dev/null' || fail "$what: still running 30 s after SIGTERM: $(windows)"
  wait $vund
  local status=$?
  [ $status -eq 0 ] || fail "$what: ended with status $status"
  grep -q '^MainLeft=' "$work/Vund2.ini" || fail "$what: the settings were not written"
}
ends_with "script error box" '^Script Error$' 'choose "alt+t s" "$work/fails.jsc"'
ends_with "script window's close confirmation" '^Confirmation$' 'choose "alt+t s" "$work/runs.jsc"' \
  'focus "^Script Window$"' 'key alt+F4'
ends_with "script input, then select and message dialogs" '^INPUT' 'choose "alt+t s" "$work/asks.jsc"'
ends_with "file dialog" '^Open$' 'key alt+f w Return'
ends_with "NVM confirmation" '^NVMAccess$' 'choose "alt+f w Return" SUB_EEPROM.eep' \
  'focus "^Confirmation$"' 'key n'  # no mask file (Esc does not answer a Yes/No box)
ends_with "NVM result box" '^Information$' 'choose "alt+f w Return" SUB_EEPROM.eep' \
  'focus "^Confirmation$"' 'key n' 'focus "^NVMAccess$"' 'key Return'
ends_with "value edit dialog" '^PowerState$' 'key ctrl+Home Down Return'  # the first row is a label
ends_with "table input box" '^Input$' 'key alt+e t' 'focus "^Table Window$"' 'key Return'
ends_with "table range box" '^ERROR$' 'key alt+e t' 'focus "^Table Window$"' 'key Return' 'focus "^Input$"' \
  'key ctrl+a 3 0 0 Return'

# A changed register file: the settings and vund.dat's status list are on
# disk while its over-write question waits (whoever sent the signal may end
# the program then); No, and the program ends with the register file as it was.
cp "$work/Vund2.ini.first" "$work/Vund2.ini"
touch -d @946684800 "$work/vund.dat"
env -u LC_ALL -u LC_MESSAGES LANG=C QT_QPA_PLATFORM=xcb VUND2_HOME="$work" \
  ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" "$vund2" &>"$work/program.log" &
vund=$!
what="over-write question"
focus '^Vund2  S_REG' || fail "$what: the main window did not start up"
key ctrl+Home Down Delete  # the first row is a label
focus '^Confirmation$' && key y || fail "$what: no delete question: $(windows)"
within 100 gone '^Confirmation$' || fail "$what: the delete question stayed: $(windows)"
kill -TERM $vund
within 300 shown '^Confirmation$' >/dev/null || fail "$what: no over-write question: $(windows)"
within 100 grep -q '^MainLeft=' "$work/Vund2.ini" || fail "$what: the settings wait for the question"
[ "$(stat -c %Y "$work/vund.dat")" -gt 946684800 ] || fail "$what: the status list waits for the question"
kill -0 $vund 2>/dev/null || fail "$what: ended without an answer"
focus '^Confirmation$' && key n || fail "$what: the question went: $(windows)"
within 300 eval '! kill -0 $vund 2>/dev/null' || fail "$what: still running 30 s after No: $(windows)"
wait $vund
status=$?
[ $status -eq 0 ] || fail "$what: ended with status $status"
cmp -s "$work/Sreg.dat" "$(dirname "$0")/../../examples/Sreg.dat" || fail "$what: No changed Sreg.dat"
