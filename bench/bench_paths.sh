# Sourced by the bench scripts (after repo is set): the build folder (KELVANE_BUILD, default
# build, relative to the repository), the folder for corpora and outputs (KELVANE_BENCH_DIR,
# default /tmp/kelvane-bench, made if missing), and the two programs the benches run.
build_text="${KELVANE_BUILD:-build}"
case "$build_text" in /*) build="$build_text" ;; *) build="$repo/$build_text" ;; esac
bench_dir="${KELVANE_BENCH_DIR:-/tmp/kelvane-bench}"
mkdir -p "$bench_dir"
kelvane="$build/app/kelvane"
gen="$build/bench/gen_corpus"
