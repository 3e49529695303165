#!/usr/bin/env bash
# Sets up a fresh machine, builds, and burns a demonstration disc:
#   - installs the missing packages (scripts/setup.sh);
#   - builds the control, the disc-mastering service and the tools;
#   - registers them in a registry of its own (demo/registry);
#   - adds a virtual recorder whose discs go to demo/discs, if there is no
#     recorder yet;
#   - makes a demonstration firmware file, a tone (demo/fw_1.00.wav);
#   - burns it with the command-line burner and says where the image is.
# Running it again burns another disc into the same folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
scripts/setup.sh

build=${CANTREL_BUILD_DIR:-build}
bin=$root/$build/bin
export CCACHE_DIR="${CCACHE_DIR:-$root/.ccache}"
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j"$(nproc)" --target cantrel_ocx imapisvc regsvr discmaster cantrel automate wavtone

demo=$root/demo
mkdir -p "$demo/discs"
# Everything below uses the demonstration registry, never the user's own.
export COMPONENT_REGISTRY=$demo/registry

"$bin/regsvr" "$bin/cantrel.ocx"
"$bin/regsvr" "$bin/libimapisvc.so"

drives=$("$bin/cantrel" drives 2>/dev/null || true)
if [ -z "$drives" ]; then
  "$bin/discmaster" add-virtual --folder "$demo/discs" --media cd-rw
  drives=$("$bin/cantrel" drives)
fi
echo "Recorders:"
printf '%s\n' "$drives" | sed 's/^/  /'

firmware=$demo/fw_1.00.wav
if [ ! -f "$firmware" ]; then
  "$bin/wavtone" "$firmware" 10 440
fi

status=0
"$bin/cantrel" burn --drive 0 "$firmware" || status=$?
if [ "$status" -ne 0 ]; then
  echo "run: the burn did not complete (exit status $status)." >&2
  if [ "$status" -eq 3 ]; then
    echo "run: 'COMPONENT_REGISTRY=$COMPONENT_REGISTRY $bin/cantrel eject' puts a blank disc in the virtual recorder." >&2
  fi
  exit "$status"
fi

image=$(ls -t "$demo"/discs/disc-*.bin 2>/dev/null | head -n 1 || true)
if [ -n "$image" ]; then
  echo "The disc image is $image (cue sheet ${image%.bin}.cue)."
else
  echo "The disc was burnt on recorder 0; see 'COMPONENT_REGISTRY=$COMPONENT_REGISTRY $bin/discmaster list'."
fi
