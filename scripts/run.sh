#!/usr/bin/env bash
# Builds the release configuration and starts quillmark with the arguments given.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$(nproc)"
app=build/release/shell/quillmark
if [ ! -x "$app" ]; then
  echo "quillmark: the application is not built yet; the release libraries are."
  exit 0
fi
exec "$app" "$@"
