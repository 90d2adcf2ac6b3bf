#!/usr/bin/env bash
# Checks the board's move generation against Stockfish: for every position of
# tests/data/perft.epd and tests/data/perft960.epd (Chess960), the perft counts per first
# move at every depth of the table and EXTRA depths beyond it, and the table's own totals.
#
#   bench/perft_check.sh [--extra N]
#
#   --extra N   depths beyond the deepest of the table's row; default 1 (0: the table only)
#
# Environment:
#   KELVANE_BUILD  build folder holding bench/perft (default: build)
#
# Needs Stockfish (Debian package stockfish, installed as /usr/games/stockfish); without it
# the script says so and exits with status 0. Exit status 1 when a count differs.
set -euo pipefail

repo="$(cd "$(dirname "$0")/.." && pwd)"
extra=1
while [ $# -gt 0 ]; do
  case "$1" in
    --extra) extra="$2"; shift 2 ;;
    -h|--help) sed -n '2,15p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "perft_check.sh: unknown option $1 (try --help)" >&2; exit 2 ;;
  esac
done
build="${KELVANE_BUILD:-$repo/build}"
perft="$build/bench/perft"
stockfish="$(command -v stockfish || true)"
[ -z "$stockfish" ] && [ -x /usr/games/stockfish ] && stockfish=/usr/games/stockfish
if [ -z "$stockfish" ]; then
  echo "perft_check.sh: Stockfish is not installed (apt-get install stockfish); nothing checked"
  exit 0
fi
if [ ! -x "$perft" ]; then
  echo "perft_check.sh: $perft is missing; build the project first" >&2
  exit 2
fi

# Stockfish's "move: count" lines for fen at depth, sorted; $3: true for Chess960.
stockfish_divide() {
  printf 'setoption name UCI_Chess960 value %s\nposition fen %s\ngo perft %s\nquit\n' \
    "$3" "$1" "$2" | "$stockfish" 2>/dev/null | grep -E '^[a-h][1-8][a-h][1-8][nbrq]?: ' | sort
}

failures=0
checks=0
check_table() {  # table file, chess960 (true or false)
  local line fen counts last depth ours total flags=()
  [ "$2" = true ] && flags=(--960)
  while IFS= read -r line; do
    case "$line" in '#'* | '') continue ;; esac
    fen="${line%% ;*}"
    mapfile -t counts < <(printf '%s\n' "$line" | grep -oE ';D[0-9]+ [0-9]+' | awk '{print $2}')
    last=$((${#counts[@]} + extra))
    for depth in $(seq 1 "$last"); do
      ours="$("$perft" "${flags[@]}" "$depth" "$fen" 2>/dev/null)"
      total="$(printf '%s\n' "$ours" | awk '/^Nodes searched/ {print $3}')"
      checks=$((checks + 1))
      if ! diff <(printf '%s\n' "$ours" | grep -E '^[a-h][1-8]' | sort) \
          <(stockfish_divide "$fen" "$depth" "$2") >/dev/null; then
        echo "DIFFERS from Stockfish: depth $depth, $fen"
        failures=$((failures + 1))
      elif [ "$depth" -le "${#counts[@]}" ] && [ "$total" != "${counts[$((depth - 1))]}" ]; then
        echo "DIFFERS from the table: depth $depth, $fen: $total"
        failures=$((failures + 1))
      fi
    done
    echo "checked to depth $last ($total nodes): $fen"
  done <"$1"
}

check_table "$repo/tests/data/perft.epd" false
check_table "$repo/tests/data/perft960.epd" true
echo "$checks counts checked, $failures differ"
[ "$failures" -eq 0 ]
