#!/usr/bin/env bash
# cmake --install into a temporary prefix, then a small program configured
# with find_package(sarvik) against that copy, built and run on the demo input.
set -u
sarvik=$1
tests=$2
root=$(cd "$tests/.." && pwd)
build=$(cd "$(dirname "$sarvik")" && pwd)
if [ "${SARVIK_VALGRIND:-0}" = 1 ]; then
  echo "install test skipped under valgrind"
  exit 0
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "e2e_install: $*"; exit 1; }

cmake --install "$build" --prefix "$scratch/prefix" > "$scratch/install.log" || { cat "$scratch/install.log"; fail "install failed"; }
for f in bin/sarvik include/sarvik/sarvik.hpp share/man/man1/sarvik.1; do
  [ -f "$scratch/prefix/$f" ] || fail "$f not installed"
done
ls "$scratch"/prefix/lib*/libsarvik.a > /dev/null 2>&1 || fail "libsarvik.a not installed"
ls "$scratch"/prefix/lib*/cmake/sarvik/sarvikConfig.cmake > /dev/null 2>&1 || fail "package file not installed"
"$scratch/prefix/bin/sarvik" --version > /dev/null || fail "the installed program does not run"

# Only the installed copy: the source tree's folders are not on any path.
cmake -S "$root/examples/api" -B "$scratch/api" -DCMAKE_PREFIX_PATH="$scratch/prefix" -DCMAKE_BUILD_TYPE=Release \
  > "$scratch/configure.log" 2>&1 || { cat "$scratch/configure.log"; fail "configure against the installed copy failed"; }
cmake --build "$scratch/api" -j2 > "$scratch/build.log" 2>&1 || { cat "$scratch/build.log"; fail "build failed"; }
out=$("$scratch/api/count_units" "$root/examples/dm3_upstream_40.fa" 2) || fail "count_units failed"
echo "$out" | head -3
echo "$out" | grep -q '^40 records$' || fail "expected 40 records"
# The counts equal those of the program's own table (format 3) with the same options.
"$sarvik" --minScore 12 --outputFormat 3 "$root/examples/dm3_upstream_40.fa" "$scratch/out.txt" 2> /dev/null
expected=$(grep -v '^#' "$scratch/out.txt" | grep -v '^seq-name' | cut -f 13 | LC_ALL=C sort | uniq -c | awk '{print $2 "\t" $1}')
got=$(echo "$out" | grep -P '^[ACGTN]+\t[0-9]+$')
[ "$got" = "$expected" ] || { diff <(echo "$expected") <(echo "$got") | head; fail "counts per unit differ"; }
echo "$out" | grep -q '^1 repeats in ACACACACACACACGG$' || fail "find gave no repeat"
echo "installed copy works"
