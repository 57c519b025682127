#!/usr/bin/env bash
# Runs Quillmark offline in its own application folder (build/demo), so the
# real settings.ini, settings, keys and caches are never touched. One column of
# each kind, every one answered on 127.0.0.1:
#   Google      a built-in engine, against the stand-in engines
#   AltaVista   the Moz preset, against its stand-in (a demo key in the demo's
#               own credentials.ini)
#   Yahoo!      the web graph, from a small generated release fetched and
#               counted from the stand-in graph server
#   Ask         the keyless published list, from the stand-in's copy
# ./demo.sh          scan the sample list and print the grid
# ./demo.sh --window then open the desktop program on the demo folder
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh

demo=build/demo
mkdir -p "$demo/Saved" "$demo/Lists" "$demo/config/Quillmark" "$demo/cache" "$demo/published"
for f in build/app/quillmark build/app/quillmark-scan build/app/quillmark-graph build/app/Help.rtf; do
  [ -e "$f" ] && cp -f "$f" "$demo/"
done
[ -e "$demo/Lists/sample.txt" ] || cp build/app/Lists/sample.txt "$demo/Lists/"
rm -rf "$demo/Sources"
cp -r build/app/Sources "$demo/Sources"
export XDG_CONFIG_HOME="$PWD/$demo/config"
export XDG_CACHE_HOME="$PWD/$demo/cache"
# The demo's key is a stand-in's: never look in the desktop keyring for it, so
# a real key kept there is never sent to the stand-in.
unset DBUS_SESSION_BUS_ADDRESS

pids=()
trap 'kill "${pids[@]}" 2>/dev/null || true' EXIT
# Starts a stand-in that prints its port on its first line, and sets $port.
# Not in a subshell: the stand-ins end with the process that started them.
start() {
  local portfile=$1; shift
  rm -f "$portfile"
  "$@" > "$portfile" &
  pids+=($!)
  for _ in $(seq 100); do [ -s "$portfile" ] && break; sleep 0.05; done
  port=$(head -n1 "$portfile")
}

start "$demo/engine-sim.port" build/sim/engine-sim --port 0 --delay "${DEMO_DELAY_MS:-40}" \
  --write-settings "$demo/settings.ini"
sim=$port
echo "Stand-in engines and services on 127.0.0.1:$sim" >&2

# A small web graph release that holds the sample list's domains, published
# by the stand-in graph server and fetched (counted as it arrives) once.
release=cc-main-demo
published="$demo/published/projects/hyperlinkgraph/$release/domain"
if [ ! -e "$published/$release-domain-ranks.txt.gz" ]; then
  mkdir -p "$published"
  build/sim/graph-gen "$published" "$release" --domains 20000 --edges 200000 \
    --include com.example --include org.example --include net.example \
    --include org.wikipedia --include org.debian >/dev/null 2>&1
  printf '[{"id": "%s", "crawls": ["CC-MAIN-2026-40"]}]' "$release" > "$demo/published/graphinfo.json"
fi
start "$demo/graph-sim.port" build/sim/graph-sim --root "$demo/published" --port 0
graph=$port
echo "Stand-in web graph server on 127.0.0.1:$graph" >&2
for _ in $(seq 50); do curl -s -o /dev/null "http://127.0.0.1:$graph/graphinfo.json" && break; sleep 0.1; done
"$demo/quillmark-graph" --base "http://127.0.0.1:$graph" fetch "$release" >&2

# The presets, pointed at the stand-ins.
sed -i "s#https://lsapi.seomoz.com#http://127.0.0.1:$sim#" "$demo/Sources/moz.ini"
list=""
if [ -e "$demo/Sources/majestic-million.ini" ]; then
  sed -i "s#^Url=.*#Url=http://127.0.0.1:$sim/lists/million.csv?rows=5000#" "$demo/Sources/majestic-million.ini"
  list=majestic-million
fi
install -m 600 /dev/null "$demo/config/Quillmark/credentials.ini"
printf '[moz]\r\nid=sim-id\r\nsecret=sim-secret\r\n' > "$demo/config/Quillmark/credentials.ini"
{
  printf '[Sources]\r\nAltavista=moz\r\nYahoo=webgraph\r\nAsk=%s\r\nMSN=off\r\nATW=off\r\n' "${list:-off}"
  printf '[Graph]\r\nBase=http://127.0.0.1:%s\r\n' "$graph"
} >> "$demo/settings.ini"

"$demo/quillmark-scan" -l "$demo/Lists/sample.txt"
if [ "${1:-}" = "--window" ] && [ -x "$demo/quillmark" ]; then
  "$demo/quillmark"
fi
