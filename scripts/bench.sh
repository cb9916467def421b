#!/usr/bin/env bash
# Builds the release configuration with the benchmarks and runs them all, or
# only those whose names are given (bash scripts/bench.sh reader png).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DQM_BENCH=ON >/dev/null
cmake --build build/bench -j "$(nproc)"
export QT_QPA_PLATFORM=offscreen
for b in $(find build/bench/bench -type f -name 'bench_*' -perm -u+x | sort); do
  name=$(basename "$b"); name=${name#bench_}
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
  echo "== $name"
  "$b"
done
