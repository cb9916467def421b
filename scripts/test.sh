#!/usr/bin/env bash
# Builds the test configuration (AddressSanitizer and UndefinedBehaviorSanitizer)
# and runs every test through CTest, headless, with the XDG folders pointed at a
# fresh temporary folder. Fuzz targets, once there are any, are built with clang
# and each is run briefly first. The last lines are CTest's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/deps.sh

jobs=$(nproc)
# The compiler cache stays where the user keeps it: the XDG folders below are
# pointed at a scratch folder for the tests only.
export CCACHE_DIR="${CCACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/ccache}"
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/config" "$scratch/data" "$scratch/cache" "$scratch/run"
chmod 700 "$scratch/run"
export XDG_CONFIG_HOME="$scratch/config" XDG_DATA_HOME="$scratch/data"
export XDG_CACHE_HOME="$scratch/cache" XDG_RUNTIME_DIR="$scratch/run"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1"
export LSAN_OPTIONS="suppressions=$root/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"

cmake -S . -B build/test -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" \
  -DQM_SANITIZE=ON -DQM_WERROR=ON -DQM_TESTS=ON >/dev/null
cmake --build build/test -j "$jobs"

# Fuzz targets: a short run of each, seeded from its corpus of fixtures.
if compgen -G "fuzz/*/*.cpp" >/dev/null; then
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DQM_FUZZ=ON >/dev/null
  cmake --build build/fuzz -j "$jobs"
  seconds=${QM_FUZZ_SECONDS:-20}
  for target in $(find build/fuzz/fuzz -type f -name 'fuzz_*' -perm -u+x | sort); do
    name=$(basename "$target")
    corpus="$scratch/corpus-$name"
    mkdir -p "$corpus"
    seeds="$root/tests/fixtures/fuzz/${name#fuzz_}"
    echo "fuzz: $name for ${seconds}s"
    if [ -d "$seeds" ]; then
      "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$scratch/" "$corpus" "$seeds" >"$scratch/$name.log" 2>&1 \
        || { tail -n 60 "$scratch/$name.log"; echo "fuzz: $name failed"; exit 1; }
    else
      "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -artifact_prefix="$scratch/" "$corpus" >"$scratch/$name.log" 2>&1 \
        || { tail -n 60 "$scratch/$name.log"; echo "fuzz: $name failed"; exit 1; }
    fi
  done
fi

ctest --test-dir build/test -j "$jobs" --output-on-failure --timeout 300
