#!/usr/bin/env bash
# Sets everything up, builds, and starts Quillmark from its application folder.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
if [ -x build/app/quillmark ]; then
  exec build/app/quillmark "$@"
fi
exec build/app/quillmark-scan -l build/app/Lists/sample.txt "$@"
