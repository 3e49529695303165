#!/usr/bin/env bash
# Builds the fuzz targets with clang under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs them.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]
#
# SECONDS: how long each target runs (default 60); "runs:N" runs each for N
# inputs instead. TARGET: fuzz_registry, fuzz_typelib, ... (default: all).
# FUZZ_BUILD_DIR (default build-fuzz) and FUZZ_BUILD_TYPE (default
# RelWithDebInfo) choose the build.
# New inputs go to build-fuzz/corpus/<target>; the seeds in fuzz/corpus stay
# as they are. A crash, leak or timeout leaves its input in
# build-fuzz/findings/<target>/ and makes the script fail; copy it into
# fuzz/corpus/<target>/ once the fault is mended so it stays a regression.
set -euo pipefail
cd "$(dirname "$0")/.."
limit=${1:-60}
shift || true
export CCACHE_DIR="${CCACHE_DIR:-$PWD/.ccache}"
dir=${FUZZ_BUILD_DIR:-build-fuzz}
dir=${dir%/}

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${FUZZ_BUILD_TYPE:-RelWithDebInfo}" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  "-DCANTREL_SANITIZE=address;undefined" -DCANTREL_FUZZ=ON \
  -DCANTREL_BUILD_TESTS=OFF -DCANTREL_BUILD_BENCH=OFF \
  "-DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link" \
  "-DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link" >/dev/null
cmake --build "$dir" --target fuzzers -j"$(nproc)"

targets=("$@")
if ((${#targets[@]} == 0)); then
  for f in fuzz/corpus/*/; do
    t=fuzz_$(basename "$f")
    [ -x "$dir/bin/$t" ] && targets+=("$t")
  done
fi

case $limit in
  runs:*) budget=(-runs="${limit#runs:}") ;;
  *) budget=(-max_total_time="$limit") ;;
esac

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# No leak suppressions: the harnesses start the event loop before the first
# input, so whatever leaks while an input runs is ours.
export QT_QPA_PLATFORM=offscreen
failed=0
for t in "${targets[@]}"; do
  name=${t#fuzz_}
  # Absolute paths: a harness may change its working folder.
  seeds=$PWD/fuzz/corpus/$name
  work=$PWD/$dir/corpus/$name
  findings=$PWD/$dir/findings/$name
  mkdir -p "$work" "$findings"
  echo "== $t (${limit})"
  if ! "$dir/bin/$t" "${budget[@]}" -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 \
      -artifact_prefix="$findings/" "$work" "$seeds" 2>"$dir/$t.log"; then
    failed=1
    echo "!! $t failed; input in $findings/, log in $dir/$t.log"
    grep -E "ERROR|SUMMARY|runtime error|Test unit written" "$dir/$t.log" | head -5 || true
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$dir/$t.log" | sed 's/^/   /' || true
done
exit $failed
