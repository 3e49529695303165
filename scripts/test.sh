#!/usr/bin/env bash
# Sets up a fresh machine and runs every test: a plain build, a release build
# of the product and what it installs, a build under AddressSanitizer +
# UndefinedBehaviorSanitizer, and the threaded code under ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export CCACHE_DIR="${CCACHE_DIR:-$PWD/.ccache}"
jobs=$(nproc)

# Optimised lightly and with minimal debug information: the builds dominate
# the run on a small machine, and sanitizer reports still name functions.
build_flags=(-DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1" "-DCMAKE_C_FLAGS_DEBUG=-O1 -g1")

run_suite() {  # dir, extra cmake args..., then ctest args after --
  # BUILD_TARGET (environment) limits the build to one target.
  local dir=$1; shift
  local cm=() ct=()
  while (($#)) && [ "$1" != "--" ]; do cm+=("$1"); shift; done
  (($#)) && shift
  ct=("$@")
  echo "== $dir"
  cmake -S . -B "$dir" -G Ninja "${build_flags[@]}" "${cm[@]}" >/dev/null
  cmake --build "$dir" -j"$jobs" ${BUILD_TARGET:+--target "$BUILD_TARGET"}
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 300 "${ct[@]}"
}

run_suite build
# A user's build type: everything optimised as shipped (the benchmarks are
# meant to run so), warnings as errors, and the suite run on it once more:
# GCC warns about other things at -O3, and optimised code shows what leans
# on undefined behaviour.
echo "== build-release"
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DCANTREL_BUILD_TESTS=ON \
  -DCANTREL_BUILD_BENCH=ON >/dev/null
cmake --build build-release -j"$jobs"
ctest --test-dir build-release --output-on-failure -j"$jobs" --timeout 300
# What that build installs: staging folder, moved copy, Debian package and
# portable folder.
echo "== install"
scripts/install-check.sh build-release
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp \
  run_suite build-asan "-DCANTREL_SANITIZE=address;undefined" -DCANTREL_BUILD_BENCH=OFF
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp" \
  BUILD_TARGET=tsan_tests run_suite build-tsan -DCANTREL_SANITIZE=thread -DCANTREL_BUILD_BENCH=OFF -- -L tsan

# ---- Fuzz targets: a short, fixed number of runs each (clang, ASan + UBSan),
# seeds and every past finding included. scripts/fuzz.sh runs them longer.
echo "== fuzz (2000 runs per target)"
FUZZ_BUILD_DIR=build-fuzz scripts/fuzz.sh runs:2000

echo "all tests passed"
