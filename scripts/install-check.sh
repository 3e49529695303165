#!/usr/bin/env bash
# Checks the installed product, the way a technician gets it:
#   - cmake --install into a staging folder (DESTDIR) and a moved copy of it:
#     no build path in any file, every tool answers --help and --version,
#     register from the installed files in a fresh registry, add a virtual
#     recorder and burn with the installed cantrel;
#   - Quillon started through links on the PATH finds the firmware beside it;
#   - the machine registry serves a user who has no registration, a user's
#     own registration comes first, a damaged one is refused and kept;
#   - the example host, built against the installed headers with pkg-config
#     and with the CMake package, burns;
#   - the Debian package (contents, dependencies, maintainer scripts, lintian)
#     and the portable folder (register and burn from it).
# usage: scripts/install-check.sh [BUILD_DIR]   (built already, default build)
set -uo pipefail
cd "$(dirname "$0")/.."
src=$PWD
build=$(cd "${1:-build}" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
libdir=$(sed -n 's/^CMAKE_INSTALL_LIBDIR:PATH=//p' "$build/CMakeCache.txt")
passed=0
failed=0

check() {  # name, command...: runs the command in a subshell, quietly
  local name=$1; shift
  # Not in a condition, where errexit would be ignored.
  local rc
  ( set -e; "$@" ) >"$work/log" 2>&1
  rc=$?
  if [ "$rc" -eq 0 ]; then
    passed=$((passed + 1)); echo "ok   $name"
  else
    failed=$((failed + 1)); echo "FAIL $name"; sed 's/^/     /' "$work/log"
  fi
}
fail() { echo "$*" >&2; return 1; }

# A fresh user with an empty registry and no machine registry.
fresh_user() {  # name
  export COMPONENT_REGISTRY=$work/users/$1/registry
  export COMPONENT_SYSTEM_REGISTRY=$work/users/$1/no-system-registry
  rm -rf "$work/users/$1"; mkdir -p "$work/users/$1/discs"
}

# Registers from PREFIX, adds a virtual recorder and burns a tone.
burn_from() {  # prefix, user
  local p=$1
  fresh_user "$2"
  "$p/bin/regsvr" "$p/$libdir/cantrel/cantrel.ocx"
  "$p/bin/regsvr" "$p/$libdir/cantrel/libimapisvc.so"
  grep -qF "$p/$libdir/cantrel/cantrel.ocx" "$COMPONENT_REGISTRY" || fail "cantrel.ocx is not registered from $p"
  ! grep -F -e "$src" -e "$build" "$COMPONENT_REGISTRY" || fail "a build path in the registry"
  "$p/bin/discmaster" add-virtual --folder "$work/users/$2/discs"
  "$p/bin/wavtone" "$work/tone.wav" 4 440
  "$p/bin/cantrel" burn "$work/tone.wav"
  [ -s "$work/users/$2/discs/disc-0001.bin" ] || fail "no disc image"
}

# ---- cmake --install, then moved elsewhere.
check "cmake --install into a staging folder" \
  env DESTDIR="$work/stage" cmake --install "$build" --prefix /usr/local
stage=$work/stage/usr/local
check "no build or source path in an installed file" \
  bash -c "! grep -rlaF -e '$src' -e '$build' '$stage'"
relative_run_paths() {
  local f
  while IFS= read -r f; do
    head -c4 "$f" | grep -q ELF || continue
    ! readelf -d "$f" | grep -E 'RPATH|RUNPATH' | grep -vF '[$ORIGIN' || fail "$f"
  done < <(find "$stage" -type f)
}
check "run paths are relative to each file" relative_run_paths
check "the portable folder stays out of cmake --install" test ! -e "$stage/fw_1.00.wav" -a ! -e "$stage/regsvr"
reloc=$work/moved/cantrel
mkdir -p "$work/moved" && cp -a "$stage" "$reloc"

check "every tool answers --help and --version" bash -c "
  for t in cantrel discmaster automate regsvr wavtone tlbdump quillon; do
    '$reloc/bin/'\$t --help | grep -q . || { echo \"\$t --help\"; exit 1; }
    [ \"\$('$reloc/bin/'\$t --version)\" = \"\$t $version\" ] || { echo \"\$t --version\"; exit 1; }
  done"
check "register, add a recorder and burn from the staging folder" burn_from "$stage" staged
check "register, add a recorder and burn from the moved copy" burn_from "$reloc" moved

# ---- Quillon through links on the PATH.
firmware_through_links() {
  local qdir=$reloc/$libdir/cantrel/quillon
  cp "$work/tone.wav" "$qdir/fw_2.00.wav"
  mkdir -p "$work/path"
  ln -sf "$reloc/bin/quillon" "$work/path/quillon"
  [ "$(PATH=$work/path:$PATH quillon --firmware)" = "$qdir/fw_2.00.wav" ] || fail "link on the PATH"
  [ "$("$reloc/bin/quillon" --firmware)" = "$qdir/fw_2.00.wav" ] || fail "the installed launcher"
  rm "$qdir/fw_2.00.wav"
  ! "$work/path/quillon" --firmware || fail "a firmware file where there is none"
}
check "Quillon started through links finds the firmware beside it" firmware_through_links

# ---- The machine registry.
machine_registry() {
  [ "$(id -u)" -eq 0 ] || { echo "skipped: needs root"; return 0; }
  fresh_user machine
  local sys=$work/users/machine/etc/registry
  export COMPONENT_SYSTEM_REGISTRY=$sys
  "$reloc/bin/regsvr" --system "$reloc/$libdir/cantrel/cantrel.ocx"
  "$reloc/bin/regsvr" --system "$reloc/$libdir/cantrel/libimapisvc.so"
  [ ! -e "$COMPONENT_REGISTRY" ] || fail "regsvr --system wrote the user's registry"
  "$reloc/bin/discmaster" add-virtual --folder "$work/users/machine/discs"
  "$reloc/bin/cantrel" burn "$work/tone.wav"
  [ -s "$work/users/machine/discs/disc-0001.bin" ] || fail "no disc image"
  # Damaged: refused with its name, and left as it was.
  echo "garbage line" >>"$sys"
  cp "$sys" "$work/damaged"
  ! "$reloc/bin/cantrel" drives 2>"$work/err" || fail "a damaged machine registry was used"
  grep -qF "$sys" "$work/err" || fail "the error does not name the file: $(cat "$work/err")"
  ! "$reloc/bin/regsvr" --system "$reloc/$libdir/cantrel/cantrel.ocx" || fail "regsvr --system rewrote it"
  cmp "$sys" "$work/damaged"
}
check "the machine registry serves a user without registration" machine_registry

# ---- The example host against the installed tree only.
example_host() {
  burn_from "$reloc" example >/dev/null
  PKG_CONFIG_PATH=$reloc/$libdir/pkgconfig
  export PKG_CONFIG_PATH
  g++ -std=c++20 -Wall -Werror "$reloc/share/doc/cantrel/examples/host/main.cpp" \
    $(pkg-config --cflags --libs cantrel) -o "$work/example-host"
  "$work/example-host" "$work/tone.wav" >"$work/events"
  grep -q "^recorder 0:" "$work/events" && grep -q "^event BurnComplete" "$work/events" ||
    fail "$(cat "$work/events")"
  [ -s "$work/users/example/discs/disc-0002.bin" ] || fail "no disc image"
  cmake -S "$reloc/share/doc/cantrel/examples/host" -B "$work/example-cmake" -G Ninja \
    -DCMAKE_PREFIX_PATH="$reloc" -DCMAKE_CXX_COMPILER_LAUNCHER= >/dev/null
  cmake --build "$work/example-cmake" >/dev/null
  "$work/example-cmake/cantrel-example-host" | grep -q "^recorder 0:"
}
check "the example host builds against the installed tree and burns" example_host

# ---- The Debian package.
(cd "$build" && cpack -G DEB -B "$work/pkg" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; }
deb=$(ls "$work"/pkg/cantrel_*.deb 2>/dev/null | head -n1)
deb_contents() {
  [ -n "$deb" ] || fail "no package was made"
  dpkg-deb -c "$deb" | awk '{print $6}' >"$work/contents"
  for f in ./usr/bin/cantrel ./usr/bin/regsvr ./usr/bin/quillon "./usr/$libdir/cantrel/cantrel.ocx" \
           "./usr/$libdir/cantrel/libimapisvc.so" "./usr/$libdir/cantrel/libpxolectlqt.so" \
           "./usr/$libdir/cantrel/quillon/quillon" \
           ./usr/share/applications/quillon.desktop ./usr/share/icons/hicolor/48x48/apps/quillon.png \
           ./usr/share/man/man1/regsvr.1.gz "./usr/$libdir/pkgconfig/cantrel.pc" \
           ./usr/include/cantrel/control/interface/CantrelIds.h; do
    grep -qxF "$f" "$work/contents" || fail "missing $f"
  done
  ! grep -e '/etc/' -e 'fw_1.00.wav' "$work/contents" || fail "files that the package must not hold"
  local deps; deps=$(dpkg-deb -f "$deb" Depends)
  for d in libc6 libqt6widgets6 libstdc++6; do
    [[ $deps == *"$d"* ]] || fail "no dependency on $d: $deps"
  done
}
check "the package's contents and dependencies" deb_contents
deb_scripts() {
  dpkg-deb -e "$deb" "$work/control"
  for s in postinst prerm postrm; do sh -n "$work/control/$s"; done
  grep -q "regsvr --system /usr/$libdir/cantrel/cantrel.ocx" "$work/control/postinst"
  grep -q "regsvr --system /usr/$libdir/cantrel/libimapisvc.so" "$work/control/postinst"
  grep -q "regsvr --system -u /usr/$libdir/cantrel/cantrel.ocx" "$work/control/prerm"
  grep -q "regsvr --system -u /usr/$libdir/cantrel/libimapisvc.so" "$work/control/prerm"
  ! grep -e HOME -e COMPONENT_REGISTRY -e '\.local' "$work/control/postinst" "$work/control/prerm" \
    "$work/control/postrm" || fail "a maintainer script reaches into users' registries"
}
check "the package's maintainer scripts register machine-wide only" deb_scripts
check "lintian finds no error in the package" lintian --fail-on error --suppress-tags dir-or-file-in-opt "$deb"
check "the desktop entry is valid" desktop-file-validate "$stage/share/applications/quillon.desktop"

# ---- The portable folder.
portable() {
  (cd "$build" && cpack -G TGZ -B "$work/pkg" >/dev/null)
  mkdir -p "$work/portable" && tar -xzf "$work"/pkg/cantrel-portable-*.tar.gz -C "$work/portable"
  local dir; dir=$(echo "$work"/portable/cantrel-portable-*)
  for f in quillon cantrel.ocx libimapisvc.so libpxcom.so libpxolectlqt.so regsvr fw_1.00.wav register.sh; do
    [ -e "$dir/$f" ] || fail "missing $f"
  done
  fresh_user portable
  "$dir/register.sh"
  "$dir/discmaster" add-virtual --folder "$work/users/portable/discs"
  "$dir/cantrel" burn "$dir/fw_1.00.wav"
  [ -s "$work/users/portable/discs/disc-0001.bin" ] || fail "no disc image"
  [ "$("$dir/quillon" --firmware)" = "$dir/fw_1.00.wav" ]
}
check "the portable folder registers itself and burns" portable

echo "install: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
