#!/usr/bin/env bash
# A column on a published list of a million domains, timed from outside the
# program: the first scan downloads the list from the stand-in and indexes it,
# the next ones only look up. Prints the times, the index's size, and the ratio
# of a 1,000-address scan to a one-address scan (the program's start-up).
#   bench/list_source.sh [BUILD_DIR]     (default: build)
set -euo pipefail
build=$(realpath "${1:-build}")
work=$(mktemp -d)
trap 'kill "$sim_pid" 2>/dev/null || true; rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/data"
unset DBUS_SESSION_BUS_ADDRESS

"$build/sim/engine-sim" --port 0 > "$work/port" &
sim_pid=$!
for _ in $(seq 50); do [ -s "$work/port" ] && break; sleep 0.1; done
port=$(head -1 "$work/port")

# A portable application folder: settings.ini beside the program.
app="$work/app"
mkdir -p "$app/Sources"
cp "$(find "$build" -maxdepth 2 -name quillmark-scan -type f -perm -u+x | head -1)" "$app/"
printf '[Sources]\r\nGoogle=million\r\nAltavista=off\r\nYahoo=off\r\nAsk=off\r\nMSN=off\r\nATW=off\r\n' > "$app/settings.ini"
sed "s#https://downloads.majestic.com/majestic_million.csv#http://127.0.0.1:$port/lists/million.csv?rows=1000000\&crlf=1#" \
  "$(dirname "$0")/../data/app/Sources/majestic-million.ini" > "$app/Sources/million.ini"
for i in $(seq 1 1000); do echo "http://www.d$((i * 997)).test/page"; done > "$work/addresses.txt"

seconds() { local t0 t1; t0=$(date +%s.%N); "$@" > /dev/null; t1=$(date +%s.%N); echo "$t1 - $t0" | bc; }
first=$(seconds "$app/quillmark-scan" example.com)
one=$(seconds "$app/quillmark-scan" example.com)
thousand=$(seconds "$app/quillmark-scan" -l "$work/addresses.txt")
curl_only=$(seconds curl -s -o /dev/null "http://127.0.0.1:$port/lists/million.csv?rows=1000000&crlf=1")
size=$(stat -c %s "$XDG_CACHE_HOME/Quillmark/lists/million.index")
csv=$(curl -s "http://127.0.0.1:$port/lists/million.csv?rows=1000000&crlf=1" | wc -c)
printf 'list: 1,000,000 rows, %d bytes of CSV; index %d bytes\n' "$csv" "$size"
printf 'first scan (download + index + 1 address): %.2f s   (curl alone downloading it: %.2f s)\n' "$first" "$curl_only"
printf 'scan of 1 address, indexed:     %.3f s\n' "$one"
printf 'scan of 1,000 addresses, indexed: %.3f s  (%.2f x the one-address scan)\n' "$thousand" "$(echo "$thousand / $one" | bc -l)"
"$app/quillmark-scan" -l "$work/addresses.txt" | sed -n '2,3p'
