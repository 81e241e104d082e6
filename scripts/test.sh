#!/usr/bin/env bash
# Builds everything and runs every test. With --sanitize, builds into
# build-sanitize with AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

build=build
flags=()
if [ "${1:-}" = "--sanitize" ]; then
  build=build-sanitize
  flags=(-DQUILTORA_SANITIZE=ON -DQUILTORA_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
fi

cmake -S . -B "$build" -G Ninja "${flags[@]}"
cmake --build "$build"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir "$build" --output-on-failure -j 2
