# Sourced by the bench scripts (after repo is set): the build folder (KELVANE_BUILD, default
# build, relative to the repository), the folder for corpora and outputs (KELVANE_BENCH_DIR,
# default /tmp/kelvane-bench, made if missing), the two programs the benches run, and has_option.
build_text="${KELVANE_BUILD:-build}"
case "$build_text" in /*) build="$build_text" ;; *) build="$repo/$build_text" ;; esac
bench_dir="${KELVANE_BENCH_DIR:-/tmp/kelvane-bench}"
mkdir -p "$bench_dir"
kelvane="$build/app/kelvane"
gen="$build/bench/gen_corpus"
# Whether kelvane's usage lists the option the pattern matches. The usage is read whole
# first: grep -q would stop reading early and, under pipefail, kelvane's broken pipe would
# count as the option missing.
has_option() {
  local usage
  usage="$("$kelvane" --help 2>&1)" || true
  grep -qE -- "$1" <<< "$usage"
}
