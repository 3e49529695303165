#!/usr/bin/env bash
# Mutation check: plants each fault of a list in a scratch copy of the tree,
# rebuilds and runs the plain suite, which must fail for every fault that
# builds.
#
#   scripts/mutants.sh [options] [filter...]
#
#   -r REV     the committed revision to check (default HEAD)
#   -t DIR     check a working tree as it is on disk instead of a revision
#   -i DIR     plant the faults in DIR itself and build in its build folder
#              DIR/build as it is configured (warm, so much faster); each
#              file is restored after its fault, also when interrupted
#   -f FILE    the list of faults (default scripts/mutants.txt of this
#              repository)
#   -j N       tests run in parallel (default 8; they mostly wait)
#   -w DIR     scratch folder (default a new one under /tmp); kept after the
#              run, so a second run with the same -w builds incrementally
#   -x REGEX   leave out the tests that match (ctest -E), e.g. one that is
#              known to fail on a loaded machine; say so with the table
#   -n         no baseline: the unchanged tree is known to build and pass
#   -l         list the faults that the filters select, and stop
#
# A filter selects faults by id, by layer or by the start of a layer
# ("platform" selects platform/com, platform/imapi, ...). No filter: all.
#
# Prints a table (id, layer, result, first failing test, fault) and exits 1
# when a fault that builds survives, 2 on wrong usage or a broken baseline.
# "not applied" marks a fault whose text is not found exactly once: the code
# moved and the entry needs a new anchor.
set -euo pipefail

here=$(cd "$(dirname "$0")/.." && pwd)
rev=HEAD tree="" faults="$here/scripts/mutants.txt" jobs=8 work="" list_only=0
inplace="" exclude=() baseline=1
while getopts "r:t:i:f:j:w:x:nl" opt; do
  case $opt in
    r) rev=$OPTARG ;;
    t) tree=$(cd "$OPTARG" && pwd) ;;
    i) inplace=$(cd "$OPTARG" && pwd) ;;
    f) faults=$(cd "$(dirname "$OPTARG")" && pwd)/$(basename "$OPTARG") ;;
    j) jobs=$OPTARG ;;
    w) work=$OPTARG ;;
    x) exclude=(-E "$OPTARG") ;;
    n) baseline=0 ;;
    l) list_only=1 ;;
    *) sed -n '2,/^set -e/p' "$0" | sed '$d' >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
filters=("$@")

# The list, parsed once: one fault a record, fields split by \x1f, newlines
# inside find/repl kept as \x1e. Filters applied here.
parse() {
  python3 - "$faults" "${filters[@]}" <<'PY'
import sys
path, filters = sys.argv[1], sys.argv[2:]
faults, cur = [], None
for n, line in enumerate(open(path, encoding="utf-8"), 1):
    line = line.rstrip("\n")
    if line.startswith("#") or not line.strip():
        continue
    if line.startswith("["):
        fid, _, layer = line[1:].partition("]")
        cur = {"id": fid.strip(), "layer": layer.strip(), "file": "", "find": [], "repl": [], "what": ""}
        faults.append(cur)
        continue
    key, sep, val = line.partition(": ")
    if cur is None or not sep or key not in ("file", "find", "repl", "what"):
        sys.exit(f"{path}:{n}: cannot read: {line}")
    if key in ("find", "repl"):
        cur[key].append(val)
    else:
        cur[key] = val
ids = set()
for f in faults:
    if not f["file"] or not f["find"] or f["id"] in ids:
        sys.exit(f"{path}: fault {f['id']}: no file, no find: or a repeated id")
    ids.add(f["id"])
def chosen(f):
    return not filters or any(x in (f["id"], f["layer"]) or f["layer"].startswith(x.rstrip("/") + "/")
                              for x in filters)
for f in filter(chosen, faults):
    print("\x1f".join([f["id"], f["layer"], f["file"], "\x1e".join(f["find"]),
                       "\x1e".join(f["repl"]), f["what"]]))
PY
}

# apply FILE FIND REPL: replaces the one occurrence; status 3 when the text
# is missing or ambiguous.
apply_fault() {
  python3 - "$1" "$2" "$3" <<'PY'
import sys
path, find, repl = sys.argv[1], sys.argv[2].replace("\x1e", "\n"), sys.argv[3].replace("\x1e", "\n")
try:
    text = open(path, encoding="utf-8").read()
except OSError:
    sys.exit(3)
if text.count(find) != 1:
    sys.exit(3)
open(path, "w", encoding="utf-8").write(text.replace(find, repl))
PY
}

records=$(parse)
[ -n "$records" ] || { echo "no fault matches: ${filters[*]:-}" >&2; exit 2; }
if ((list_only)); then
  while IFS=$'\x1f' read -r id layer file find repl what; do
    printf '%-26s %-18s %s\n' "$id" "$layer" "$what"
  done <<<"$records"
  exit 0
fi

export CCACHE_DIR="${CCACHE_DIR:-/work/.ccache}"
[ -n "$work" ] || work=$(mktemp -d /tmp/mutants.XXXXXX)
mkdir -p "$work"
src="$work/src" build="$work/build" log="$work/log"
mkdir -p "$log"
if [ -n "$inplace" ]; then
  src=$inplace build=$inplace/build
  [ -f "$build/build.ninja" ] || { echo "$build is not configured" >&2; exit 2; }
elif [ ! -d "$src" ]; then
  mkdir -p "$src"
  if [ -n "$tree" ]; then
    tar -C "$tree" --exclude='./build*' --exclude=./.git -cf - . | tar -C "$src" -xf -
  else
    git -C "$here" archive "$rev" | tar -C "$src" -xf -
  fi
fi
echo "scratch: $work"

# The plain build's flags. A changed library does not relink the programs
# that load it, and tests are listed when they run, not after each link:
# with one file changed per fault, that is most of an incremental build.
[ -n "$inplace" ] || cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g1" \
  "-DCMAKE_C_FLAGS_DEBUG=-O1 -g1" -DCANTREL_BUILD_BENCH=OFF -DCMAKE_LINK_DEPENDS_NO_SHARED=ON \
  -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST \
  >"$log/configure.txt" 2>&1 || { echo "configure failed: $log/configure.txt" >&2; exit 2; }
build_tree() { cmake --build "$build" -j2 >"$1" 2>&1; }
# The quick tests first: a fault they catch does not wait for the process
# tests of the robust and tools labels, which take most of the time.
slow='robust|tools'
run_suite() {
  ctest --test-dir "$build" -j"$jobs" --timeout 300 --stop-on-failure -LE "$slow" "${exclude[@]}" >"$1" 2>&1 &&
    ctest --test-dir "$build" -j"$jobs" --timeout 300 --stop-on-failure -L "$slow" "${exclude[@]}" >>"$1" 2>&1
}

if ((baseline)); then
  echo "baseline: build and run the unchanged tree"
  build_tree "$log/baseline-build.txt" || { echo "the unchanged tree does not build: $log/baseline-build.txt" >&2; exit 2; }
  run_suite "$log/baseline-test.txt" || { echo "the unchanged tree fails its tests: $log/baseline-test.txt" >&2; exit 2; }
fi

# The first test ctest reports as not passed.
first_failure() {
  sed -n -E 's/^ *[0-9]+\/[0-9]+ Test +#[0-9]+: ([^ ]+) .*\*\*\*(Failed|Timeout|Exception).*/\1/p; s/^ *[0-9]+ - ([^ ]+) \((Failed|Timeout|SEGFAULT|Subprocess aborted|Not Run)\).*/\1/p' "$1" | head -n1
}

rows=() survivors=0 keep="$work/original" target=""
# A planted fault never outlives the run.
restore() { [ -f "$keep" ] && [ -n "$target" ] && cat "$keep" >"$target" && rm -f "$keep" && touch "$target"; return 0; }
trap 'restore; exit 130' INT TERM
trap restore EXIT
while IFS=$'\x1f' read -r -u 3 id layer file find repl what; do
  target="$src/$file"
  start=$SECONDS
  if ! cp -p "$target" "$keep" 2>/dev/null || ! apply_fault "$target" "$find" "$repl"; then
    result="not applied" test="-"
  elif ! build_tree "$log/$id-build.txt"; then
    result="build-failed" test="-"
  elif run_suite "$log/$id-test.txt"; then
    result="SURVIVED" test="-"
    survivors=$((survivors + 1))
  else
    result="killed" test=$(first_failure "$log/$id-test.txt")
    [ -n "$test" ] || test="?"
  fi
  # Restored with a fresh time stamp, so the next build recompiles it.
  restore
  row=$(printf '%-26s %-18s %-12s %-60s %s' "$id" "$layer" "$result" "$test" "$what")
  rows+=("$row")
  printf '%s  (%ds)\n' "$row" $((SECONDS - start))
done 3<<<"$records"

echo
printf '%-26s %-18s %-12s %-60s %s\n' id layer result "first failing test" fault
printf '%s\n' "${rows[@]}"
echo "faults: ${#rows[@]}, survived: $survivors (logs in $log)"
((survivors == 0))
