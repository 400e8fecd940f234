#!/usr/bin/env bash
# "-" for the standard streams: the input read from a pipe, plain or gzip,
# the output written to one, the refusals that only streams have, and a
# reader that stops early (a closed pipe), which must never look like success.
set -u
sarvik=$(realpath "$1")
tests=$(realpath "$2")

source "$tests/scratch_checks.sh"
has() { grep -qF -- "$2" "$1"; }
lacks() { ! grep -qF -- "$2" "$1"; }
# The run header names the files; everything else must match byte for byte.
without_names() { grep -v -e '^# Input file name:' -e '^# Output file name:' "$1"; }
same_but_names() { cmp -s <(without_names "$1") <(without_names "$2"); }

cp "$tests/../examples/dm3_upstream_40.fa" in.fa
gzip -c in.fa > in.fa.gz
opts=(-M exact --outputFormat 3)

"$sarvik" "${opts[@]}" in.fa by_name.txt 2> /dev/null
"$sarvik" "${opts[@]}" - plain.txt < in.fa 2> plain.err
check "stdin plain: exit 0" test $? = 0
check "stdin plain: same records as the file" same_but_names by_name.txt plain.txt
check "stdin plain: the header names the standard input" \
  grep -qxF "# Input file name:                        	standard input" plain.txt
check "stdin plain: the summary on stderr too" has plain.err "standard input"

gzip -c in.fa | "$sarvik" "${opts[@]}" - gz.txt 2> /dev/null
check "stdin gzip: exit 0" test "${PIPESTATUS[1]}" = 0
check "stdin gzip: same output as plain stdin" same_but_names plain.txt gz.txt

"$sarvik" "${opts[@]}" in.fa > console.txt 2> /dev/null
"$sarvik" "${opts[@]}" in.fa - > dash.txt 2> dash.err
check "stdout: exit 0" test $? = 0
check "stdout: '-' writes what no output name writes" cmp -s console.txt dash.txt
check "stdout: nothing but the summary and progress on stderr" lacks dash.err "## Finished"
check "stdout: success reported on stderr" has dash.err "Analysis finished successfully"
check "stdout: the file run differs only by its output-file line" \
  cmp -s console.txt <(grep -v '^# Output file name:' by_name.txt)

gzip -c in.fa | "$sarvik" "${opts[@]}" - - > both.txt 2> /dev/null
check "stdin to stdout: exit 0" test "${PIPESTATUS[1]}" = 0
check "stdin to stdout: same records" same_but_names console.txt both.txt

"$sarvik" --maskX - masked.txt < in.fa > /dev/null 2> mask.err
check "--maskX on stdin: exit 255" test $? = 255
check "--maskX on stdin: says why" has mask.err "--maskX cannot be used when the input is the standard input"
check "--maskX on stdin: no file opened" test ! -e masked.txt -a ! -e -.masked

"$sarvik" - closed.txt <&- > /dev/null 2> closed.err
check "closed stdin: exit 155" test $? = 155
check "closed stdin: names the standard input" has closed.err "The standard input could not be opened"

"$sarvik" - empty.txt < /dev/null > /dev/null 2> empty.err
check "empty stdin: read error, exit 231" test $? = 231
check "empty stdin: line 1" has empty.err "File position: line 1"

# A file that is really named "-" is reached as ./-
cp in.fa ./-
"$sarvik" "${opts[@]}" ./- named.txt < /dev/null 2> /dev/null
check "a file named '-' read as ./-" same_but_names by_name.txt named.txt

# A reader that stops early: the output must be far larger than a pipe holds,
# so the run is still writing when head has gone.
for i in $(seq 30); do sed "s/^>\([^ ]*\)/>\1_$i/" in.fa; done | gzip -c > big.fa.gz
closed_pipe() {  # label; the rest runs in the pipeline's environment
  local label=$1
  cat big.fa.gz | "$sarvik" -M exact --outputFormat 3 - - 2> pipe.err | head -n 3 > head.txt
  local st=("${PIPESTATUS[@]}")
  check "$label: sarvik ends with SIGPIPE (141), not $((st[1]))" test "${st[1]}" = 141
  check "$label: head got its lines" test "$(wc -l < head.txt)" = 3
  check "$label: no success reported" lacks pipe.err "finished successfully"
  check "$label: no write-failure message" lacks pipe.err "could not be written"
}
closed_pipe "closed pipe"
# A parent that ignores SIGPIPE (some job runners do) must change nothing.
(trap '' PIPE; pass=0 fail=0; closed_pipe "closed pipe, SIGPIPE ignored by the parent" 2> /dev/null; exit "$fail")
fail=$((fail + $?))

echo "standard stream cases: $pass passed, $fail failed"
[ $fail = 0 ]
