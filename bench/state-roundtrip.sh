#!/usr/bin/env bash
# The state command's round trip as a user pays it: `skiro state` as a whole process (its start
# included) against the running application, beside a bare client (socat) sending the same
# request over the same socket, interleaved in one run. Prints the libraries the command loads,
# the medians and their ratio.
#
#     bench/state-roundtrip.sh [runs] [executable]      (defaults: 200, build/skiro)
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${1:-200}
skiro=$(realpath "${2:-build/skiro}")
command -v socat >/dev/null || { echo "socat is missing: scripts/setup installs it" >&2; exit 1; }
[ -x "$skiro" ] || { echo "no $skiro: build it first (make build)" >&2; exit 1; }

home=$(mktemp -d)
export HOME=$home XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache XDG_CONFIG_HOME=$home/config
"$skiro" >"$home/app.log" 2>&1 &
app=$!
finish() {
    kill -TERM "$app" 2>/dev/null || true
    wait "$app" 2>/dev/null || true
    rm -rf "$home"
}
trap finish EXIT

socket=$XDG_DATA_HOME/Skiro/control.sock
for _ in $(seq 500); do
    [ -S "$socket" ] && "$skiro" state >/dev/null 2>&1 && break
    sleep 0.01
done
"$skiro" state >/dev/null || { echo "the application did not answer" >&2; exit 1; }

request="{\"arguments\":[],\"command\":\"state\",\"folder\":\"$PWD\"}"
client=()
bare=()
for _ in $(seq "$runs"); do
    start=${EPOCHREALTIME/./}
    "$skiro" state >/dev/null
    end=${EPOCHREALTIME/./}
    client+=($((end - start)))
    start=${EPOCHREALTIME/./}
    # A here-string, not a pipe: one process started, as for skiro. socat half-closes at the
    # input's end and prints the reply when the application closes.
    socat -t 5 - "UNIX-CONNECT:$socket" <<<"$request" >/dev/null
    end=${EPOCHREALTIME/./}
    bare+=($((end - start)))
done

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }
m_client=$(median "${client[@]}")
m_bare=$(median "${bare[@]}")
# What one command loads, as the dynamic loader reports it: the toolkit has no part in it.
loaded=$(LD_DEBUG=files "$skiro" state 2>&1 >/dev/null | sed -n 's/.*file=\([^ ]*\) .*generating link map.*/\1/p' | sort -u)
echo "libraries skiro state loads: $(grep -c . <<<"$loaded") ($(grep -ci 'libQt' <<<"$loaded" || true) of Qt)"
echo "runs: $runs"
echo "skiro state (whole process):  median ${m_client} us"
echo "socat, same request:          median ${m_bare} us"
awk -v a="$m_client" -v b="$m_bare" 'BEGIN { printf "ratio skiro/socat:            %.2f\n", a / b }'
