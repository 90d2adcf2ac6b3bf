#!/usr/bin/env bash
# Compares kelvane's position and material selections with pgn-extract's positional
# variations (-x) and material balances (-y) on one corpus of legal games: the games each
# selects and the time each takes.
#
#   bench/compare_pgn_extract.sh [--size SIZE] [--seed N] [--duplicates PERCENT]
#
#   --size SIZE    corpus size, with K, M or G (powers of 1024); default 1G
#   --seed N       generator seed; default 1
#   --duplicates PERCENT  instead, the duplicate removal: on a corpus of legal games with
#                  copies of earlier games planted after PERCENT % of its games (gen_corpus
#                  --legal --duplicates), the games pgn-extract -D keeps against those
#                  kelvane --duplicates keeps in its output, with every criterion cleared
#
# Environment: KELVANE_BUILD and KELVANE_BENCH_DIR as for run_bench.sh (the corpus is the one
# `run_bench.sh --legal` makes and reuses).
#
# kelvane selects the games that reach the position after 1.e4 c5 2.Nf3 d6, in any move
# order, within moves 1-10 (--position with --position-range 1-10, the other criteria
# cleared). pgn-extract is given the line "e4 c5 Nf3 d6" in a variation file: it selects the
# games that reach the line's end position by any route, searching 20 plies deep
# (--matchplylimit 20, the same moves 1-10). Then kelvane's --material "KRP v KR" (White
# with the rook and pawn) against pgn-extract's -y with the balance "0 r1p1 r1" (the same,
# held for any number of plies: by default pgn-extract wants a balance to last 2), anywhere
# in the game. pgn-extract writes the games in its own layout, so each selected game is
# compared by its tag lines (sorted) and its moves (without move numbers). Skipped, with exit status 0, when pgn-extract is missing; kelvane's side is
# skipped when kelvane has no --position. Exit status 1 when the selections differ or a
# run fails.
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
size_text=1G
seed=1
dup_percent=""
while [ $# -gt 0 ]; do
  case "$1" in
    --size) size_text="$2"; shift 2 ;;
    --seed) seed="$2"; shift 2 ;;
    --duplicates) dup_percent="$2"; shift 2 ;;
    -h|--help) sed -n '2,28p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "compare_pgn_extract.sh: unknown option $1 (try --help)" >&2; exit 2 ;;
  esac
done

pgn_extract="$(command -v pgn-extract || true)"
[ -n "$pgn_extract" ] || [ ! -x /usr/games/pgn-extract ] || pgn_extract=/usr/games/pgn-extract
if [ -z "$pgn_extract" ]; then
  echo "pgn-extract is missing (Debian package pgn-extract): comparison skipped"
  exit 0
fi

. "$repo/bench/bench_paths.sh"
if [ ! -x "$kelvane" ] || [ ! -x "$gen" ]; then
  echo "compare_pgn_extract.sh: build kelvane and gen_corpus in $build first" >&2
  exit 2
fi

corpus="$bench_dir/corpus-s${seed}-${size_text}-legal.pgn"
gen_args=(--legal)
if [ -n "$dup_percent" ]; then
  corpus="$bench_dir/corpus-s${seed}-${size_text}-legal-duplicates-${dup_percent}.pgn"
  gen_args+=(--duplicates "$dup_percent")
fi
if [ ! -s "$corpus" ]; then
  echo "Generating $corpus" >&2
  "$gen" --seed "$seed" --size "$size_text" "${gen_args[@]}" --output "$corpus.part"
  mv "$corpus.part" "$corpus"
fi
games=$(grep -c '^\[Event ' "$corpus" || true)
cat "$corpus" > /dev/null  # into the page cache

now_ns() { date +%s%N; }
# One line per game of a PGN file: its tag lines sorted, then its moves without numbers.
game_keys() {
  awk '
    function flush(  i, j, v, s) {
      if (ntag == 0 && moves == "") return
      for (i = 2; i <= ntag; i++) {
        v = tag[i]
        for (j = i - 1; j > 0 && tag[j] > v; j--) tag[j + 1] = tag[j]
        tag[j + 1] = v
      }
      s = ""
      for (i = 1; i <= ntag; i++) s = s tag[i] "|"
      print s moves
      ntag = 0; moves = ""; inmoves = 0
    }
    { sub(/\r$/, "") }
    /^\[/ { if (inmoves) flush(); tag[++ntag] = $0; next }
    /^$/ { next }
    { inmoves = 1; for (i = 1; i <= NF; i++) { t = $i; sub(/^[0-9]+\.+/, "", t); if (t != "") moves = moves " " t } }
    END { flush() }' "$1" | LC_ALL=C sort
}

variations="$bench_dir/compare-variations.txt"
printf 'e4 c5 Nf3 d6\n' > "$variations"
balances="$bench_dir/compare-material.txt"
printf '0 r1p1 r1\n' > "$balances"
echo "corpus:      $corpus, $games games"
if has_option '(^|[[:space:]])--position([[:space:]=]|$)'; then
  has_position=1
else
  has_position=0
fi
settings="$bench_dir/bench-settings.ini"
: > "$settings"

# compare NAME LABEL_PE LABEL_KV -- PGN-EXTRACT OPTIONS -- KELVANE OPTIONS: runs both on the
# corpus, times them and compares their selections; sets differs=1 when they differ.
differs=0
compare() {
  local name="$1" label_pe="$2" label_kv="$3"; shift 4
  local pe_args=() kv_args=()
  while [ "$1" != -- ]; do pe_args+=("$1"); shift; done
  shift
  kv_args=("$@")
  local out_pe="$bench_dir/out-pgn-extract-$name.pgn" out_kv="$bench_dir/out-kelvane-$name.pgn"
  local start pe_ns kv_ns pe_games kv_games only_kv only_pe
  rm -f "$out_pe" "$out_kv"
  start=$(now_ns)
  # Its progress goes to standard error: kept in a file, shown when the run fails.
  if ! "$pgn_extract" --quiet -s "${pe_args[@]}" -o "$out_pe" "$corpus" \
    2> "$bench_dir/pgn-extract.stderr"; then
    echo "pgn-extract failed:" >&2
    tail -c 2000 "$bench_dir/pgn-extract.stderr" >&2
    exit 1
  fi
  pe_ns=$(($(now_ns) - start))
  game_keys "$out_pe" > "$bench_dir/keys-pgn-extract-$name.txt"
  pe_games=$(wc -l < "$bench_dir/keys-pgn-extract-$name.txt")
  echo
  awk -v ns="$pe_ns" -v n="$pe_games" -v l="$label_pe" 'BEGIN {
    printf "pgn-extract: %d games selected in %.3f s (%s)\n", n, ns / 1e9, l }'
  if [ "$has_position" -eq 0 ]; then
    echo "kelvane has no --position: kelvane's side skipped"
    return
  fi
  start=$(now_ns)
  "$kelvane" --scan --settings "$settings" --input "$corpus" --output "$out_kv" --yes --quiet \
    --cond1 "" --contains "" --without "" "${kv_args[@]}" > /dev/null
  kv_ns=$(($(now_ns) - start))
  game_keys "$out_kv" > "$bench_dir/keys-kelvane-$name.txt"
  kv_games=$(wc -l < "$bench_dir/keys-kelvane-$name.txt")
  awk -v ns="$kv_ns" -v n="$kv_games" -v pe="$pe_ns" -v l="$label_kv" 'BEGIN {
    printf "kelvane:     %d games selected in %.3f s (%s)\n", n, ns / 1e9, l
    printf "time ratio:  pgn-extract / kelvane = %.2f\n", pe / ns }'
  only_kv=$(LC_ALL=C comm -23 "$bench_dir/keys-kelvane-$name.txt" \
    "$bench_dir/keys-pgn-extract-$name.txt" | wc -l)
  only_pe=$(LC_ALL=C comm -13 "$bench_dir/keys-kelvane-$name.txt" \
    "$bench_dir/keys-pgn-extract-$name.txt" | wc -l)
  echo "selections:  $only_kv games only kelvane selects, $only_pe only pgn-extract selects"
  if [ "$only_kv" -ne 0 ] || [ "$only_pe" -ne 0 ]; then
    echo "the differing games: comm -3 $bench_dir/keys-kelvane-$name.txt" \
      "$bench_dir/keys-pgn-extract-$name.txt"
    differs=1
  else
    echo "the same games ($(sha256sum < "$bench_dir/keys-kelvane-$name.txt" | cut -d' ' -f1))"
  fi
}

if [ -n "$dup_percent" ]; then
  # Copies are planted whole, so the rule where the two differ (the same moves with another
  # result: one game for pgn-extract, two here) does not arise.
  compare duplicates '-D' '--duplicates' -- -D -- --duplicates "$bench_dir/out-kelvane-duplicates.dup.pgn"
  exit "$differs"
fi
compare position '-x "e4 c5 Nf3 d6" --matchplylimit 20' '--position ... --position-range 1-10' -- \
  -x"$variations" --matchplylimit 20 -- \
  --position "rnbqkbnr/pp2pppp/3p4/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 0 3" --position-range 1-10
compare material '-y "0 r1p1 r1"' '--material "KRP v KR"' -- -y"$balances" -- --material "KRP v KR"
exit "$differs"
