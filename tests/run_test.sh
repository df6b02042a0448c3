#!/usr/bin/env bash
# scripts/run on BUILD, ended by Ctrl+C (SIGINT to its group), a closed terminal (SIGHUP) and the window closed
# after the simulator ended: its folder goes, nothing it started stays; status 130 after Ctrl+C, else 0.
set -um  # job control: the run gets a process group of its own (and SIGINT as the terminal gives it)
out=$(mktemp) pg=""
# A run left by a failure gets the chance to tidy up before it is killed.
trap '[ -n "$pg" ] && kill -TERM -"$pg" 2>/dev/null && sleep 6 && kill -KILL -"$pg" 2>/dev/null; rm -f "$out"' EXIT
fail() { echo "FAIL ($way): $*" >&2; cat "$out" >&2; exit 1; }
within() { for _ in $(seq 600); do "$@" && return 0; sleep 0.1; done; return 1; }  # 60 s
holds_port() { app=$(pgrep -g "$pg" -x vund2) && ls -l "/proc/$app/fd" | grep -q " $(sed -n 's/.* -> \([^ ]*\).*/\1/p' "$out")$"; }
for way in INT HUP sim; do
  env --default-signal=INT QT_QPA_PLATFORM=offscreen ASAN_OPTIONS="${ASAN_OPTIONS:-}:detect_leaks=0" \
    "$(dirname "$0")/../scripts/run" --bin "$1" 1 &>"$out" & pg=$!
  within holds_port 2>/dev/null || fail "the program did not open the simulator's port"
  folder=$(sed -n 's/^program folder: //p' "$out")
  case $way in
    sim) sim=$(pgrep -g "$pg" -x vund-target-sim) && kill "$sim" && within eval '! kill -0 $sim 2>/dev/null' &&
         kill "$app"; want=0 ;;  # then the window is closed
    *) kill -"$way" -"$pg"; want=$([ "$way" = INT ] && echo 130 || echo 0) ;;
  esac
  within eval '! ps -o stat= -p $pg | grep -q "^[^Z]"' || fail "scripts/run did not end"; wait "$pg"; status=$?
  [ "$status" -eq "$want" ] && [ -n "$folder" ] && [ ! -e "$folder" ] || fail "status $status, $folder"
  left=$(pgrep -g "$pg") && fail "left running: $left"; pg=""
done
