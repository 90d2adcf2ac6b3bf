#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice: a normal
# build, and one under AddressSanitizer and UndefinedBehaviorSanitizer; then runs each
# fuzz target for 20 seconds (scripts/fuzz.sh).
set -euo pipefail
cd "$(dirname "$0")"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=abort_on_error=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for kind in normal sanitize; do
  echo "== $kind build"
  scripts/setup.sh "$kind"
  dir=build; [ "$kind" = sanitize ] && dir=build-sanitize
  ctest --test-dir "$dir" --output-on-failure -j2
done
echo "== fuzzing, 20 seconds per target"
scripts/fuzz.sh 20
