#!/usr/bin/env bash
# Builds the libFuzzer targets of fuzz/ (clang, AddressSanitizer and UndefinedBehaviorSanitizer,
# folder build-fuzz/) and runs each one for SECONDS, starting from its seeds in
# fuzz/corpus/<name>/ with its dictionary.
#   scripts/fuzz.sh [SECONDS] [NAME...]   NAME: scan, compressed, parser, ini, board (default: all)
# Any finding (a crash, a sanitizer report, a failed check, a leak, a hang) ends the script
# with status 1; the input that caused it is kept in build-fuzz/findings/<name>/. The inputs
# a run finds are not kept: the seeds stay as they are in the repository.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-20}"
[ $# -gt 0 ] && shift
case "$seconds" in ''|*[!0-9]*) echo "usage: $0 [SECONDS] [NAME...]" >&2; exit 2 ;; esac
names=("$@")
[ ${#names[@]} -gt 0 ] || names=(scan compressed parser ini board)

scripts/setup.sh fuzz

export ASAN_OPTIONS="${ASAN_OPTIONS:-abort_on_error=1:detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# The scan target writes files at every run: in memory (/dev/shm) they cost far less.
scratch=/tmp
[ -d /dev/shm ] && [ -w /dev/shm ] && scratch=/dev/shm
work="$(mktemp -d "$scratch/kelvane-fuzz-run-XXXXXX")"
trap 'rm -rf "$work"' EXIT
status=0
for name in "${names[@]}"; do
  program="build-fuzz/fuzz/${name}_fuzzer"
  [ -x "$program" ] || { echo "fuzz.sh: no target $name" >&2; exit 2; }
  dict=fuzz/pgn.dict
  max_len=8192
  case "$name" in
    compressed) dict= ;;  # compressed bytes have no words to offer
    ini) dict=fuzz/ini.dict; max_len=4096 ;;
    parser) max_len=16384 ;;  # past 4 KiB the parser counts a text's moves first
  esac
  findings="build-fuzz/findings/$name"
  mkdir -p "$findings" "$work/$name"
  echo "== fuzzing $name for ${seconds}s"
  # The first folder receives what the run finds; the seeds are only read.
  if ! TMPDIR="$work" "$program" -max_total_time="$seconds" -max_len="$max_len" -timeout=10 \
      -rss_limit_mb=2048 ${dict:+-dict="$dict"} -artifact_prefix="$findings/" -print_final_stats=1 \
      "$work/$name" "fuzz/corpus/$name" > "$work/$name.log" 2>&1; then
    status=1
    echo "fuzz.sh: $name found a fault; its input is in $findings/" >&2
    tail -n 60 "$work/$name.log" >&2
  else
    grep -E '^(Done|stat::number_of_executed_units)' "$work/$name.log" || true
  fi
done
exit "$status"
