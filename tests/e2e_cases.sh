#!/usr/bin/env bash
# Golden-output tests: every folder under cases/ is one run of sarvik.
#
#   args             the command line after "sarvik"; the words IN and OUT stand
#                    for the case's input file and the output file of the run
#   in.fa (or in.*)  the input (copied into a scratch folder first)
#   expected.out     the output file, byte for byte
#   expected.masked  optional: the masked-sequence file
#   expected.err     optional: stderr, with run times blanked to HH.MM.SS
#   expected.status  optional: the exit status (default 0)
#
# On a mismatch the new output and a diff are left beside the expected file
# (*.actual, *.diff). SARVIK_UPDATE_GOLDEN=1 rewrites the expected files; read
# the diff before committing them. SARVIK_VALGRIND=1 runs under memcheck.
set -u
sarvik=$1
tests=$2
only=${3:-}
pass=0 fail=0
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

runner=()
[ "${SARVIK_VALGRIND:-0}" = 1 ] && runner=(valgrind -q --error-exitcode=99 --leak-check=full)

compare() {  # expected-file actual-file case-dir
  local exp=$1 act=$2 dir=$3 base
  base=$(basename "$exp" | sed 's/^expected\.//')
  if [ "${SARVIK_UPDATE_GOLDEN:-0}" = 1 ]; then cp "$act" "$exp"; return 0; fi
  if cmp -s "$exp" "$act"; then
    rm -f "$dir/$base.actual" "$dir/$base.diff"
    return 0
  fi
  cp "$act" "$dir/$base.actual"
  diff -u "$exp" "$act" > "$dir/$base.diff"
  echo "  $base differs; see $dir/$base.diff"
  head -20 "$dir/$base.diff" | sed 's/^/    /'
  return 1
}

for dir in "$tests"/cases/*/; do
  dir=${dir%/}
  name=$(basename "$dir")
  [ -n "$only" ] && [ "$name" != "$only" ] && continue
  [ -f "$dir/args" ] || continue
  work="$scratch/$name"
  mkdir -p "$work"
  input=$(ls "$dir"/in.* 2>/dev/null | head -1)
  inname=$(basename "${input:-in.fa}")
  in="$work/$inname"
  [ -n "$input" ] && cp "$input" "$in"
  out="$work/out.txt"
  # Relative names, so the file names in the run header do not depend on the scratch folder.
  read -r -a words < <(sed -e "s#\bIN\b#$inname#g" -e "s#\bOUT\b#out.txt#g" "$dir/args")
  (cd "$work" && "${runner[@]}" "$sarvik" "${words[@]}" > "$work/stdout" 2> "$work/stderr")
  status=$?
  ok=1
  want=$(cat "$dir/expected.status" 2>/dev/null || echo 0)
  if [ "$status" != "$want" ]; then
    echo "  exit status $status, expected $want"
    sed 's/^/    stderr: /' "$work/stderr" | tail -5
    ok=0
  fi
  if [ -f "$dir/expected.out" ]; then
    target=$out
    [ -f "$out" ] || target="$work/stdout"
    compare "$dir/expected.out" "$target" "$dir" || ok=0
  fi
  if [ -f "$dir/expected.masked" ]; then
    compare "$dir/expected.masked" "$in.masked" "$dir" || ok=0
  fi
  if [ -f "$dir/expected.err" ]; then
    # The thread count depends on the machine, not on the case.
    sed -E -e 's/^[0-9]{2,}\.[0-9]{2}\.[0-9]{2} - /HH.MM.SS - /' -e '/^Worker threads: [0-9]+$/d' "$work/stderr" > "$work/stderr.norm"
    compare "$dir/expected.err" "$work/stderr.norm" "$dir" || ok=0
  fi
  if [ $ok = 1 ]; then pass=$((pass + 1)); else fail=$((fail + 1)); echo "FAIL $name"; fi
done

echo "e2e cases: $pass passed, $fail failed"
[ $fail = 0 ]
