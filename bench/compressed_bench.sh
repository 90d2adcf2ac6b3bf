#!/usr/bin/env bash
# Times the headless scan of a compressed corpus against the fastest decoder of its form.
#
#   bench/compressed_bench.sh [--size SIZE] [--runs N]
#
# Makes corpus.pgn.zst (zstd -3) and corpus.pgn.gz (gzip -6) of the generated corpus of
# run_bench.sh, then times `zstd -dc > /dev/null`, `igzip -dc > /dev/null` (ISA-L's
# decoder, the fastest gzip decoder in Debian), and the scan with the default criteria of
# each file, fastest of N runs. The scan's output must equal the plain file's output.
# Environment: KELVANE_BUILD, KELVANE_BENCH_DIR as for run_bench.sh.
set -euo pipefail
repo="$(cd "$(dirname "$0")/.." && pwd)"
size_text=1G
runs=3
while [ $# -gt 0 ]; do
  case "$1" in
    --size) size_text="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    -h|--help) sed -n '2,10p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "compressed_bench.sh: unknown option $1" >&2; exit 2 ;;
  esac
done
for tool in zstd igzip gzip; do
  command -v "$tool" >/dev/null || { echo "compressed_bench.sh: $tool is missing" >&2; exit 2; }
done
. "$repo/bench/bench_paths.sh"
corpus="$bench_dir/corpus-s1-$size_text.pgn"
[ -s "$corpus" ] || "$gen" --seed 1 --size "$size_text" --output "$corpus"
[ -s "$corpus.zst" ] || zstd -q -3 -T0 -f "$corpus" -o "$corpus.zst"
[ -s "$corpus.gz" ] || gzip -6 -c "$corpus" > "$corpus.gz"
settings="$bench_dir/bench-settings.ini"
: > "$settings"

# fastest SECONDS of `runs` runs of a command line
fastest() {
  local best="" i s e t
  for ((i = 0; i < runs; i++)); do
    cat "$corpus.zst" "$corpus.gz" > /dev/null
    s=$(date +%s%N); bash -c "$1" > /dev/null; e=$(date +%s%N)
    t=$((e - s)); [ -n "$best" ] && [ "$t" -ge "$best" ] || best=$t
  done
  awk -v ns="$best" 'BEGIN { printf "%.3f", ns / 1e9 }'
}
scan() { echo "'$kelvane' --scan --settings '$settings' --input '$1' --output '$2' --yes --quiet"; }

"$kelvane" --scan --settings "$settings" --input "$corpus" --output "$bench_dir/plain.pgn" --yes --quiet
plain=$(sha256sum < "$bench_dir/plain.pgn" | cut -d' ' -f1)
zstd_s=$(fastest "zstd -dc '$corpus.zst'")
scan_zst=$(fastest "$(scan "$corpus.zst" "$bench_dir/zst.pgn")")
igzip_s=$(fastest "igzip -dc '$corpus.gz'")
scan_gz=$(fastest "$(scan "$corpus.gz" "$bench_dir/gz.pgn")")
echo "corpus: $corpus ($(stat -c %s "$corpus") bytes); zst $(stat -c %s "$corpus.zst"), gz $(stat -c %s "$corpus.gz")"
printf '%-28s %8s %8s\n' run "wall s" ratio
printf '%-28s %8s\n' "zstd -dc > /dev/null" "$zstd_s"
awk -v s="$scan_zst" -v b="$zstd_s" 'BEGIN { printf "%-28s %8.3f %8.2f\n", "scan of the .zst", s, s / b }'
printf '%-28s %8s\n' "igzip -dc > /dev/null" "$igzip_s"
awk -v s="$scan_gz" -v b="$igzip_s" 'BEGIN { printf "%-28s %8.3f %8.2f\n", "scan of the .gz", s, s / b }'
for f in zst gz; do
  d=$(sha256sum < "$bench_dir/$f.pgn" | cut -d' ' -f1)
  [ "$d" = "$plain" ] && echo "output of the .$f scan: same bytes as the plain file's" ||
    { echo "output of the .$f scan DIFFERS from the plain file's" >&2; exit 1; }
done
