#!/usr/bin/env bash
# One scan spread over the cores of this machine (or, with --sshlogin, over several
# machines) by GNU parallel: the file is cut into parts at game starts, each part is
# scanned by `kelvane --scan --input - --output -`, and the passing games come out on
# standard output in the order of the file.
#
#   bench/parallel_scan.sh FILE [--block SIZE] [--jobs N] [-- SCAN OPTIONS...]
#
# A part begins where a tag line follows an empty line, so every part starts at a game.
# Split is not supported (the split file would need a name per part). Each part's report
# goes to standard error. FILE must be plain PGN (parallel --pipepart reads it in place).
# Environment: KELVANE_BUILD (default build), KELVANE_SETTINGS (default: an empty settings
# file, that is the program's default criteria).
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
[ $# -ge 1 ] || { sed -n '2,13p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
input="$1"; shift
block=64M
jobs=0  # one job per core
while [ $# -gt 0 ]; do
  case "$1" in
    --block) block="$2"; shift 2 ;;
    --jobs) jobs="$2"; shift 2 ;;
    --) shift; break ;;
    *) echo "parallel_scan.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
command -v parallel >/dev/null || { echo "parallel_scan.sh: GNU parallel is missing" >&2; exit 2; }
build="${KELVANE_BUILD:-$repo/build}"
case "$build" in /*) ;; *) build="$repo/$build" ;; esac
settings="${KELVANE_SETTINGS:-}"
if [ -z "$settings" ]; then
  settings="$(mktemp)"
  trap 'rm -f "$settings"' EXIT
fi
# A record ends with an empty line (LF or CR LF) and the next one begins with "[".
parallel --will-cite -q --pipepart -a "$input" --block "$block" --jobs "$jobs" -k \
  --regexp --recend '\r?\n\r?\n' --recstart '\[' \
  "$build/app/kelvane" --scan --settings "$settings" --input - --output - "$@"
