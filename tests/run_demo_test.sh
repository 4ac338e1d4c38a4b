#!/usr/bin/env bash
# The README's demo command: the program comes up against the demo server, and a SIGTERM to the
# command closes the program normally and stops the server. Argument: the source folder.
set -euo pipefail
cd "$1"
out=$(mktemp)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null || true; done
    rm -f "$out"
}
trap cleanup EXIT
fail() {
    echo "run_demo_test: $*" >&2
    cat "$out" >&2
    exit 1
}
# Whether the process handles the signal itself yet (SigCgt of /proc/PID/status).
catches() {
    local mask
    mask=$(sed -n 's/^SigCgt:[[:space:]]*//p' "/proc/$1/status" 2>/dev/null) || return 1
    [ -n "$mask" ] && (((16#$mask >> ($2 - 1)) & 1))
}

QT_QPA_PLATFORM=offscreen ./run.sh >"$out" 2>&1 &
run=$!
pids+=("$run")
for _ in $(seq 1200); do
    grep -q '^Vornalex: pid' "$out" && break
    kill -0 "$run" 2>/dev/null || break
    sleep 0.1
done
server=$(sed -n 's/^Demo server: 127\.0\.0\.1,[0-9]* (pid \([0-9]*\))$/\1/p' "$out")
port=$(sed -n 's/^Demo server: 127\.0\.0\.1,\([0-9]*\) .*$/\1/p' "$out")
program=$(sed -n 's/^Vornalex: pid \([0-9]*\)$/\1/p' "$out")
[ -n "$server" ] && [ -n "$program" ] || fail "run.sh did not start the demo"
pids+=("$server" "$program")

# The program's window stands once it handles SIGTERM (15) itself.
for _ in $(seq 1200); do
    catches "$program" 15 && break
    sleep 0.1
done
catches "$program" 15 || fail "the program did not come up"
# The Open dialog begins in the program's working folder: the demo script is found there.
[ "$(readlink "/proc/$program/cwd")" = "$PWD/build/demo" ] || fail "the program is not in the demo folder"
grep -q '^To run it: .*Open.*demo\.sql.*Execute' "$out" || fail "no line on how to run the demo"

kill -TERM "$run"
status=0
wait "$run" || status=$?
[ "$status" -eq 0 ] || fail "run.sh ended with $status"
for pid in "$server" "$program"; do
    [ ! -e "/proc/$pid" ] || fail "process $pid is still running"
done
settings=build/demo/vornalex.ini
grep -q "^server=127.0.0.1,$port\$" "$settings" || fail "no demo connection in $settings"
grep -q '^\[fVornalex.seCommandTimeout\]$' "$settings" || fail "the program did not write $settings"
echo "run_demo_test: passed"
