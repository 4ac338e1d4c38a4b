#!/usr/bin/env bash
# Starts Vornalex on a demo that needs no SQL Server: the TDS test server on a free port with
# three demo databases, a settings file with three ticked connections to them and a demo script.
# Builds what is missing first (through setup.sh). The server stops when the program ends.
set -euo pipefail
cd "$(dirname "$0")"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: no display (DISPLAY and WAYLAND_DISPLAY are empty); set QT_QPA_PLATFORM," \
         "for example QT_QPA_PLATFORM=offscreen, to run without one." >&2
    exit 1
fi

program=$PWD/build/Vornalex
server=build/tests/tdsserver/tdsserver
if [ ! -x "$program" ] || [ ! -x "$server" ]; then
    ./setup.sh
fi

demo=$PWD/build/demo
rm -rf "$demo"
mkdir -p "$demo/data"

server_pid=""
program_pid=""
stop_server() {
    if [ -n "$server_pid" ]; then
        kill -TERM "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
        server_pid=""
    fi
}
stop_program() {
    if [ -n "$program_pid" ]; then
        kill -TERM "$program_pid" 2>/dev/null || true
    fi
}
trap stop_server EXIT
trap stop_program TERM INT HUP

# The server prints its port on its first line.
"$server" --data "$demo/data" --bench-table sales:orders:12 --bench-table stock:orders:8 \
    --bench-table staff:orders:5 >"$demo/server.out" &
server_pid=$!
port=""
for _ in $(seq 300); do
    port=$(head -n 1 "$demo/server.out" 2>/dev/null || true)
    [ -n "$port" ] && break
    kill -0 "$server_pid" 2>/dev/null || break
    sleep 0.1
done
if [ -z "$port" ]; then
    echo "run.sh: the demo server did not start" >&2
    exit 1
fi
echo "Demo server: 127.0.0.1,$port (pid $server_pid)"

cat >"$demo/demo.sql" <<SQL
PRINT 'The first orders of this database:'
GO
SELECT id, name, amount FROM orders WHERE id <= 3
GO
SQL

{
    printf '[main]\nscript_dir=%s/\n' "$demo"
    printf '[fVornalex.cbParallel]\nChecked=1\n'
    index=0
    for database in sales stock staff; do
        printf '[connection%d]\nname=Demo %s\nchecked=1\nserver=127.0.0.1,%s\ndb=%s\n' \
            "$index" "$database" "$port" "$database"
        printf 'user=demo\npwd=demo\nTrustConnect=False\n'
        index=$((index + 1))
    done
} >"$demo/vornalex.ini"

echo "Demo script: $demo/demo.sql"
echo "To run it: on the Script page press Open, choose demo.sql, then press Execute."
# Started in the demo folder, where the Open dialog begins and shows demo.sql.
(cd "$demo" && VORNALEX_SETTINGS="$demo/vornalex.ini" exec "$program") &
program_pid=$!
echo "Vornalex: pid $program_pid"

# A signal ends the wait early; the program then closes and is waited for again.
status=0
while kill -0 "$program_pid" 2>/dev/null; do
    status=0
    wait "$program_pid" || status=$?
done
program_pid=""
exit "$status"
