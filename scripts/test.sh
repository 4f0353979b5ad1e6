#!/usr/bin/env bash
# Builds and runs the whole test suite twice: a normal build, then an
# AddressSanitizer + UndefinedBehaviorSanitizer build.
set -euo pipefail
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="$(nproc)"

bash "$ROOT/scripts/setup.sh" "$ROOT/build"
ctest --test-dir "$ROOT/build" --output-on-failure -j "$JOBS"

bash "$ROOT/scripts/setup.sh" "$ROOT/build-asan" -DVELMAR_SANITIZE=ON -DVELMAR_BENCH=OFF
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$ROOT/build-asan" --output-on-failure -j "$JOBS"
