#!/usr/bin/env bash
# Sets up a fresh desktop machine and starts the firmware burner Quillon:
#   - installs the missing packages (scripts/setup.sh) and builds;
#   - registers the control and the disc-mastering service in a registry of
#     its own (demo/registry), never the user's;
#   - adds a virtual recorder whose discs go to demo/discs, if there is none;
#   - puts a demonstration firmware file (a tone, fw_1.00.wav) beside the
#     program, where Quillon looks for it;
#   - starts Quillon.
# Without a display it says so and points to the command-line burn.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "run-quillon: there is no display here, and Quillon is a desktop window." >&2
  echo "run-quillon: from a terminal, burn the demonstration disc with the command-line burner: scripts/run.sh" >&2
  exit 1
fi

scripts/setup.sh
build=${CANTREL_BUILD_DIR:-build}
bin=$root/$build/bin
export CCACHE_DIR="${CCACHE_DIR:-$root/.ccache}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target quillon cantrel_ocx imapisvc regsvr discmaster wavtone

demo=$root/demo
mkdir -p "$demo/discs"
export COMPONENT_REGISTRY=$demo/registry
"$bin/regsvr" "$bin/cantrel.ocx" >/dev/null
"$bin/regsvr" "$bin/libimapisvc.so" >/dev/null
if "$bin/discmaster" list | grep -q "^No recorders"; then
  "$bin/discmaster" add-virtual --folder "$demo/discs" --media cd-rw --speed 8 >/dev/null
fi

firmware=$bin/fw_1.00.wav
[ -f "$firmware" ] || "$bin/wavtone" "$firmware" 10 440
echo "Quillon burns $firmware; the virtual recorder writes its discs to $demo/discs."
exec "$bin/quillon"
