#!/usr/bin/env bash
# Sets up a fresh machine, builds, and burns a demonstration disc.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
export CCACHE_DIR="${CCACHE_DIR:-$PWD/.ccache}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
if [ ! -x build/bin/cantrel ]; then
  echo "run: the command-line burner is not built yet; the control cannot burn a disc from here yet." >&2
  echo "run: built what exists in build/bin; run scripts/test.sh for the tests." >&2
  exit 0
fi
