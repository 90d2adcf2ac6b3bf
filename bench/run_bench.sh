#!/usr/bin/env bash
# Times the headless scan against `wc -l` on one generated corpus.
#
#   bench/run_bench.sh [--size SIZE] [--seed N] [--annotated] [--crlf] [--runs N] [--tolerant]
#                      [--legal] [--duplicates PERCENT] [--split-files N]
#
#   --size SIZE    corpus size, with K, M or G (powers of 1024); default 1G
#   --seed N       generator seed; default 1
#   --annotated    corpus with comments, variations and NAGs
#   --crlf         corpus with CR LF line ends
#   --runs N       time every command N times, in N rounds of all the commands, and keep the
#                  fastest run of each; default 1
#   --tolerant     scan with tolerant reading (kelvane --tolerant)
#   --legal        corpus of legal games (gen_corpus --legal)
#   --duplicates PERCENT  corpus with copies of earlier games planted after PERCENT % of its
#                  games (gen_corpus --duplicates), and one more run: the scan with every
#                  criterion cleared and kelvane --duplicates, with its ratio to the same scan
#                  without it (target <= 1.3)
#   --split-files N  the corpus also cut into N files of about equal size at game starts, in
#                  a folder of their own, and one more run: the default scan of that folder
#                  (--input FOLDER), with its ratio to the default scan of the one file
#                  (target <= 1.1)
#
# Environment:
#   KELVANE_BUILD      build folder holding app/kelvane and bench/gen_corpus (default: build)
#   KELVANE_BENCH_DIR  where corpora, settings and outputs go (default: /tmp/kelvane-bench)
#
# The corpus is generated once per seed, size and options and reused afterwards. The file is read
# once before the timings so that every run reads it from the page cache. Seven runs are timed:
# `wc -l`, the scan with the default criteria (an empty settings file), the same scan held to
# one core (taskset), the opening selection (Must contain "1.e4 c5 2.Nf3 d6", the other
# criteria cleared), the header selection (--tag "MinElo >= 2400" --tag "Year >= 2000", the
# other criteria cleared), the header and opening selections together, and the scan with every
# criterion cleared (every game parsed and written). The two header runs are skipped when
# kelvane has no --tag. When kelvane has --position, two position runs follow: the position
# after 1.e4 c5 2.Nf3 d6 reached in any move order within moves 1-10, and the material
# signature KRP v KR anywhere in the game (every game replayed to its end); they are meant
# for a --legal corpus. When kelvane has --list, one more run, the scan with every criterion
# cleared writing its list file (--list), is compared with the same scan without it; likewise,
# with --summary-json, the scan gathering the summary of its games. Exit status 1 when a scan
# fails.
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
size_text=1G
seed=1
runs=1
gen_flags=()
scan_flags=()
dup_percent=""
split_files=""

while [ $# -gt 0 ]; do
  case "$1" in
    --size) size_text="$2"; shift 2 ;;
    --seed) seed="$2"; shift 2 ;;
    --runs) runs="$2"; shift 2 ;;
    --annotated) gen_flags+=(--comments --variations --nags); shift ;;
    --crlf) gen_flags+=(--crlf); shift ;;
    --tolerant) scan_flags+=(--tolerant); shift ;;
    --legal) gen_flags+=(--legal); shift ;;
    --duplicates) dup_percent="$2"; gen_flags+=(--duplicates "$2"); shift 2 ;;
    --split-files) split_files="$2"; shift 2 ;;
    -h|--help) sed -n '2,40p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run_bench.sh: unknown option $1 (try --help)" >&2; exit 2 ;;
  esac
done
case "$runs" in ''|*[!0-9]*|0) echo "run_bench.sh: --runs needs a positive number" >&2; exit 2 ;; esac
case "$split_files" in ''|[1-9]*) ;; *) echo "run_bench.sh: --split-files needs a positive number" >&2; exit 2 ;; esac

. "$repo/bench/bench_paths.sh"

if [ ! -x "$kelvane" ] || [ ! -x "$gen" ]; then
  if [ -f "$build/CMakeCache.txt" ]; then
    echo "Building kelvane and gen_corpus in $build" >&2
    cmake --build "$build" --target kelvane gen_corpus >&2
  elif [ "$build" = "$repo/build" ]; then
    echo "Building with scripts/setup.sh normal" >&2
    "$repo/scripts/setup.sh" normal >&2
  else
    echo "Configuring and building $build" >&2
    cmake -S "$repo" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release >&2
    cmake --build "$build" --target kelvane gen_corpus >&2
  fi
fi

if [ ! -x /usr/bin/time ]; then
  echo "run_bench.sh: /usr/bin/time is missing (Debian package \"time\")" >&2
  exit 2
fi

# The corpus, keyed by everything that decides its bytes.
key="s${seed}-${size_text}"
for flag in "${gen_flags[@]+"${gen_flags[@]}"}"; do key+="-${flag#--}"; done
corpus="$bench_dir/corpus-$key.pgn"
if [ ! -s "$corpus" ]; then
  echo "Generating $corpus" >&2
  "$gen" --seed "$seed" --size "$size_text" "${gen_flags[@]+"${gen_flags[@]}"}" \
    --output "$corpus.part"
  mv "$corpus.part" "$corpus"
fi
corpus_bytes=$(stat -L -c %s "$corpus")
# The corpus in N files: a new file begins at the first game (a tag line after an empty
# line) once the file in hand has its share of the bytes.
split_dir="$bench_dir/split-$key-$split_files"
if [ -n "$split_files" ] && [ ! -d "$split_dir" ]; then
  echo "Cutting the corpus into $split_files files in $split_dir" >&2
  rm -rf "$split_dir.part"
  mkdir -p "$split_dir.part"
  awk -v dir="$split_dir.part" -v n="$split_files" -v total="$corpus_bytes" '
    BEGIN { share = total / n; part = 1; file = sprintf("%s/part-%04d.pgn", dir, part) }
    /^\[/ && empty && bytes >= share && part < n {
      close(file); part++; bytes = 0; file = sprintf("%s/part-%04d.pgn", dir, part) }
    { print > file; bytes += length($0) + 1; empty = ($0 ~ /^\r?$/) }' "$corpus"
  mv "$split_dir.part" "$split_dir"
fi
games=$(grep -c '^\[Event ' "$corpus" || true)

# Settings: an empty file leaves every key at the program's default.
settings="$bench_dir/bench-settings.ini"
: > "$settings"

cat "$corpus" > /dev/null  # into the page cache
[ -z "$split_files" ] || cat "$split_dir"/* > /dev/null

now_ns() { date +%s%N; }

# run NAME OUTFILE COMMAND...: a command to time. The commands are timed in rounds, each
# once a round, `runs` rounds (see time_rounds), so that a busy stretch of a shared machine
# falls on all of them alike instead of on the few that ran in it; the ratios below compare
# runs of one run of this script. OUTFILE and the files named in also_out are removed before
# every run, so that no run pays for removing the files of the run before it.
declare -A wall rss cpu_ms status digest command outfile removed
timed=()
also_out=()
run() {
  local name="$1"
  timed+=("$name")
  outfile[$name]="$2"
  shift 2
  command[$name]=$(printf '%q ' "$@")
  removed[$name]=$(printf '%q ' "${also_out[@]+"${also_out[@]}"}")
  status[$name]=0
}

# time_once NAME: one run of the command, its fastest wall and CPU time and its smallest
# peak memory kept; a failed command is not run again.
time_once() {
  local name="$1" out="${outfile[$1]}" rc start end t m c
  [ "${status[$name]}" -eq 0 ] || return 0
  [ "$out" = "-" ] || rm -f "$out"
  eval "rm -f ${removed[$name]}"
  # The files the command before wrote go to the disk now, not during this one's timing.
  sync
  start=$(now_ns)
  set +e
  eval "/usr/bin/time -f '%e %M %U %S' -o \"\$bench_dir/time.txt\" ${command[$name]}" \
    > "$bench_dir/$name.stdout" 2> "$bench_dir/$name.stderr"
  rc=$?
  set -e
  end=$(now_ns)
  t=$((end - start))
  [ -n "${wall[$name]:-}" ] && [ "$t" -ge "${wall[$name]}" ] || wall[$name]=$t
  m=$(tail -n 1 "$bench_dir/time.txt" | awk '{print $2}')
  [ -n "${rss[$name]:-}" ] && [ "$m" -le "${rss[$name]}" ] || rss[$name]=$m
  c=$(tail -n 1 "$bench_dir/time.txt" | awk '{printf "%d", ($3 + $4) * 1000}')
  [ -n "${cpu_ms[$name]:-}" ] && [ "$c" -ge "${cpu_ms[$name]}" ] || cpu_ms[$name]=$c
  status[$name]=$rc
}

# time_rounds: every command once a round, `runs` rounds; then the digest of each output.
time_rounds() {
  local round name out
  for ((round = 0; round < runs; round++)); do
    for name in "${timed[@]}"; do time_once "$name"; done
  done
  for name in "${timed[@]}"; do
    out="${outfile[$name]}"
    if [ "$out" = "-" ]; then
      digest[$name]="lines: $(awk '{print $1}' "$bench_dir/$name.stdout")"
    elif [ "${status[$name]}" -eq 0 ] && [ -f "$out" ]; then
      digest[$name]=$(sha256sum "$out" | cut -d' ' -f1)
    else
      digest[$name]="-"
    fi
  done
}

load_before=$(cut -d' ' -f1-3 /proc/loadavg)

# What the timing harness itself costs (starting /usr/bin/time and date), for small corpora.
run overhead - true
out_default="$bench_dir/out-default.pgn"
out_all="$bench_dir/out-all.pgn"
out_one="$bench_dir/out-one-core.pgn"
out_opening="$bench_dir/out-opening.pgn"
out_header="$bench_dir/out-header.pgn"
out_header_opening="$bench_dir/out-header-opening.pgn"
header_tags=(--tag "MinElo >= 2400" --tag "Year >= 2000")
# The header criteria are newer than the other runs: a kelvane without them is still timed.
names=(wc default one-core opening)
if has_option '(^|[[:space:]])--tag([[:space:]=]|$)'; then
  names+=(header header-opening)
  has_tag=1
else
  has_tag=0
fi
# The position criteria are newer still: without them the two position runs are skipped.
if has_option '(^|[[:space:]])--position([[:space:]=]|$)'; then
  names+=(position material)
  has_position=1
else
  has_position=0
fi
out_position="$bench_dir/out-position.pgn"
out_material="$bench_dir/out-material.pgn"
sicilian_fen="rnbqkbnr/pp2pppp/3p4/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 0 3"
names+=(all)
run wc - wc -l "$corpus"
run default "$out_default" "$kelvane" --scan --settings "$settings" --input "$corpus" \
  --output "$out_default" --yes --quiet "${scan_flags[@]+"${scan_flags[@]}"}"
run one-core "$out_one" taskset -c 0 "$kelvane" --scan --settings "$settings" \
  --input "$corpus" --output "$out_one" --yes --quiet "${scan_flags[@]+"${scan_flags[@]}"}"
run opening "$out_opening" "$kelvane" --scan --settings "$settings" --input "$corpus" \
  --output "$out_opening" --yes --quiet --cond1 "" --contains "1.e4 c5 2.Nf3 d6" --without "" \
  "${scan_flags[@]+"${scan_flags[@]}"}"
if [ "$has_tag" -eq 1 ]; then
  run header "$out_header" "$kelvane" --scan --settings "$settings" --input "$corpus" \
    --output "$out_header" --yes --quiet --cond1 "" --contains "" --without "" "${header_tags[@]}" \
    "${scan_flags[@]+"${scan_flags[@]}"}"
  run header-opening "$out_header_opening" "$kelvane" --scan --settings "$settings" \
    --input "$corpus" --output "$out_header_opening" --yes --quiet --cond1 "" \
    --contains "1.e4 c5 2.Nf3 d6" --without "" "${header_tags[@]}" \
    "${scan_flags[@]+"${scan_flags[@]}"}"
fi
if [ "$has_position" -eq 1 ]; then
  run position "$out_position" "$kelvane" --scan --settings "$settings" --input "$corpus" \
    --output "$out_position" --yes --quiet --cond1 "" --contains "" --without "" \
    --position "$sicilian_fen" --position-range 1-10 "${scan_flags[@]+"${scan_flags[@]}"}"
  run material "$out_material" "$kelvane" --scan --settings "$settings" --input "$corpus" \
    --output "$out_material" --yes --quiet --cond1 "" --contains "" --without "" \
    --material "KRP v KR" "${scan_flags[@]+"${scan_flags[@]}"}"
fi
run all "$out_all" "$kelvane" --scan --settings "$settings" --input "$corpus" \
  --output "$out_all" --yes --quiet --cond1 "" --contains "" --without "" \
  "${scan_flags[@]+"${scan_flags[@]}"}"
# The same scan writing the list of its games (--list), when kelvane has that option.
has_list=0
if has_option '(^|[[:space:]])--list([[:space:]=]|$)'; then
  has_list=1
  out_list="$bench_dir/out-list.pgn"
  also_out=("$bench_dir/list.tsv")
  run list "$out_list" "$kelvane" --scan --settings "$settings" --input "$corpus" \
    --output "$out_list" --yes --quiet --cond1 "" --contains "" --without "" \
    --list "$bench_dir/list.tsv" "${scan_flags[@]+"${scan_flags[@]}"}"
  also_out=()
fi
# The same scan gathering the summary of its games (--summary-json), when kelvane has it.
has_summary=0
if has_option '(^|[[:space:]])--summary-json([[:space:]=]|$)'; then
  has_summary=1
  out_summary="$bench_dir/out-summary.pgn"
  run summary "$out_summary" "$kelvane" --scan --settings "$settings" --input "$corpus" \
    --output "$out_summary" --yes --quiet --cond1 "" --contains "" --without "" \
    --summary-json "$bench_dir/summary.json" "${scan_flags[@]+"${scan_flags[@]}"}"
fi
out_folder="$bench_dir/out-folder.pgn"
if [ -n "$split_files" ]; then
  names+=(folder)
  run folder "$out_folder" "$kelvane" --scan --settings "$settings" --input "$split_dir" \
    --output "$out_folder" --yes --quiet "${scan_flags[@]+"${scan_flags[@]}"}"
fi
out_all_dups="$bench_dir/out-all-dups.pgn"
if [ -n "$dup_percent" ]; then
  names+=(all-dups)
  also_out=("$bench_dir/out-all-dups.dup.pgn")
  run all-dups "$out_all_dups" "$kelvane" --scan --settings "$settings" --input "$corpus" \
    --output "$out_all_dups" --yes --quiet --cond1 "" --contains "" --without "" \
    --duplicates "$bench_dir/out-all-dups.dup.pgn" "${scan_flags[@]+"${scan_flags[@]}"}"
  also_out=()
fi

time_rounds

# ----- report -----
cpu=$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')
echo "machine:  $(nproc) cores, ${cpu:-unknown CPU}, $(uname -sr)"
echo "build:    $build ($(grep -m1 '^CMAKE_BUILD_TYPE' "$build/CMakeCache.txt" 2>/dev/null | cut -d= -f2))"
awk -v b="$corpus_bytes" -v g="$games" -v f="$corpus" -v r="$runs" 'BEGIN {
  printf "corpus:   %s, %d bytes (%.1f MB), %d games; fastest of %d run(s); MB = 2^20 bytes\n",
    f, b, b / 1048576, g, r }'
echo "load:     $load_before before the runs, $(cut -d' ' -f1-3 /proc/loadavg) after (1, 5, 15 min)"
awk -v ns="${wall[overhead]}" 'BEGIN { printf "harness:  %.1f ms per timed command (included in the wall times)\n", ns / 1e6 }'
echo
printf '%-26s %9s %9s %11s %9s %8s %7s  %s\n' run "wall s" "MB/s" "games/s" "RSS MB" "x wc -l" \
  "CPU s" "output SHA-256"
failed=0
for name in "${names[@]}"; do
  case "$name" in
    wc) label="wc -l" ;;
    default) label="scan, default criteria" ;;
    one-core) label="default, one core" ;;
    opening) label="opening 1.e4 c5 2.Nf3 d6" ;;
    header) label="header MinElo, Year" ;;
    header-opening) label="header + opening" ;;
    position) label="position 1.e4 c5 2.Nf3 d6" ;;
    material) label="material KRP v KR" ;;
    all) label="scan, no criteria" ;;
    all-dups) label="no criteria, --duplicates" ;;
    folder) label="default, $split_files files" ;;
  esac
  if [ "${status[$name]}" -ne 0 ]; then
    failed=1
    printf '%-26s FAILED with exit status %s (see %s)\n' "$label" "${status[$name]}" \
      "$bench_dir/$name.stderr"
    head -n 3 "$bench_dir/$name.stderr" | sed 's/^/    /'
    continue
  fi
  awk -v label="$label" -v ns="${wall[$name]}" -v wc="${wall[wc]}" -v b="$corpus_bytes" \
    -v g="$games" -v kb="${rss[$name]}" -v cpu="${cpu_ms[$name]}" -v d="${digest[$name]}" 'BEGIN {
      s = ns / 1e9; if (s <= 0) s = 1e-9
      printf "%-26s %9.3f %9.1f %11.0f %9.1f %8.2f %7.2f  %s\n", label, s, b / 1048576 / s, g / s,
        kb / 1024, ns / wc, cpu / 1000, d }'
done
[ "$has_tag" -eq 1 ] || echo "kelvane has no --tag: header runs skipped"
[ "$has_position" -eq 1 ] || echo "kelvane has no --position: position runs skipped"
echo
# ratio A B LABEL TARGET: the wall time of run A over that of run B.
ratio() {
  if [ "${status[$1]}" -ne 0 ] || [ "${status[$2]}" -ne 0 ]; then
    printf '  %-34s  -     (a run failed)\n' "$3"
    failed=1
    return
  fi
  awk -v a="${wall[$1]}" -v b="${wall[$2]}" -v label="$3" -v target="$4" 'BEGIN {
    r = a / b
    printf "  %-34s %5.2f  target <= %s: %s\n", label, r, target, r <= target ? "met" : "missed" }'
}
# cpu_ratio NAME BASE LABEL: the CPU time of run NAME over that of run BASE.
cpu_ratio() {
  [ "${status[$1]}" -eq 0 ] && [ "${status[$2]}" -eq 0 ] || return 0
  awk -v a="${cpu_ms[$1]}" -v b="${cpu_ms[$2]}" -v label="$3" 'BEGIN {
    printf "  %-34s %5.2f  (CPU s %.2f against %.2f)\n", label, a / (b > 0 ? b : 1), a / 1000, b / 1000 }'
}
if [ -n "$dup_percent" ]; then
  echo "duplicates run (corpus with $dup_percent % of its games planted twice):"
  ratio all-dups all "--duplicates / no criteria" 1.3
  cpu_ratio all-dups all "--duplicates, CPU time"
  echo
fi
if [ -n "$split_files" ]; then
  echo "folder run (the corpus in $split_files files, default criteria):"
  ratio folder default "folder / one file" 1.1
  cpu_ratio folder default "folder / one file, CPU time"
  if [ "${status[folder]}" -eq 0 ] && [ "${status[default]}" -eq 0 ]; then
    cmp -s "$out_folder" "$out_default" || { echo "  the folder scan wrote other games"; failed=1; }
  fi
  echo
fi
if [ "$has_tag" -eq 1 ]; then
  echo "header runs: --tag \"MinElo >= 2400\" --tag \"Year >= 2000\" (header + opening: with"
  echo "Must contain \"1.e4 c5 2.Nf3 d6\"); wall time ratios against their targets:"
  ratio header default "header only / default criteria" 1.3
  ratio header-opening opening "header + opening / opening alone" 1.0
  echo
fi
if [ "$has_list" -eq 1 ]; then
  rows=0
  [ ! -s "$bench_dir/list.tsv" ] || rows=$(($(wc -l < "$bench_dir/list.tsv") - 1))
  echo "list run: no criteria with --list ($rows rows, RSS $((${rss[list]} / 1024)) MB), over the"
  echo "same scan without it:"
  ratio list all "--list / no criteria" 1.1
  cpu_ratio list all "--list, CPU time"
  echo
fi
if [ "$has_summary" -eq 1 ]; then
  echo "summary run: no criteria with --summary-json (RSS $((${rss[summary]} / 1024)) MB), over the"
  echo "same scan without it:"
  ratio summary all "--summary-json / no criteria" 1.1
  cpu_ratio summary all "--summary-json, CPU time"
  echo
fi
if [ "$has_position" -eq 1 ]; then
  echo "position runs: --position \"$sicilian_fen\" --position-range 1-10;"
  echo "--material \"KRP v KR\"; wall time ratios against their targets:"
  ratio position wc "position / wc -l" 10
  ratio material wc "material / wc -l" 40
  # Every game is replayed to its end: the plies of the corpus (each word of a plain corpus's
  # move text is a ply, but for the result) over the run's CPU time.
  if [ "${status[material]}" -eq 0 ] && ! grep -qm1 '[{(]' "$corpus"; then
    plies=$(grep -v '^\[' "$corpus" | wc -w)
    awk -v p="$((plies - games))" -v cpu="${cpu_ms[material]}" 'BEGIN {
      printf "  material run: %d plies, %.2f million plies per CPU second\n", p,
        p / (cpu > 0 ? cpu / 1000 : 1e-3) / 1e6 }'
  fi
  echo
fi
declare -A outs=([default]="$out_default" [one-core]="$out_one" [opening]="$out_opening"
  [header]="$out_header" [header-opening]="$out_header_opening" [all]="$out_all"
  [position]="$out_position" [material]="$out_material" [all-dups]="$out_all_dups"
  [folder]="$out_folder")
for name in "${names[@]}"; do
  [ "$name" != wc ] || continue
  [ "${status[$name]}" -eq 0 ] || continue
  out="${outs[$name]}"
  echo "games written by the scan ($name): $(grep -c '^\[Event ' "$out" || true) of $games"
done
for name in "${names[@]}"; do
  [ "$name" != wc ] && [ "$name" != one-core ] || continue
  [ "${status[$name]}" -eq 0 ] || continue
  if [ -s "$bench_dir/$name.stdout" ]; then
    echo
    echo "report of the scan ($name):"
    sed 's/^/  /' "$bench_dir/$name.stdout"
  fi
done
exit "$failed"
