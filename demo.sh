#!/usr/bin/env bash
# Starts the stand-in engines and runs Quillmark against them in its own
# application folder (build/demo), so the real settings.ini is never touched.
# ./demo.sh          scan the sample list and print the grid
# ./demo.sh --window then open the desktop program on the demo folder
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh

demo=build/demo
mkdir -p "$demo/Saved" "$demo/Lists" "$demo/config"
for f in build/app/quillmark build/app/quillmark-scan build/app/Help.rtf; do
  [ -e "$f" ] && cp -f "$f" "$demo/"
done
[ -e "$demo/Lists/sample.txt" ] || cp build/app/Lists/sample.txt "$demo/Lists/"
export XDG_CONFIG_HOME="$PWD/$demo/config"

build/sim/engine-sim --port 0 --delay "${DEMO_DELAY_MS:-40}" --write-settings "$demo/settings.ini" > "$demo/engine-sim.port" &
sim=$!
trap 'kill $sim 2>/dev/null || true' EXIT
for _ in $(seq 100); do [ -s "$demo/engine-sim.port" ] && break; sleep 0.05; done
echo "Stand-in engines on 127.0.0.1:$(head -n1 "$demo/engine-sim.port")" >&2

"$demo/quillmark-scan" -l "$demo/Lists/sample.txt"
if [ "${1:-}" = "--window" ] && [ -x "$demo/quillmark" ]; then
  "$demo/quillmark"
fi
