#!/usr/bin/env bash
# --summary and --report: the output file and messages stay byte-identical,
# the summary agrees with the one-per-line output of the same run in every
# search mode and is the same for every output format, and bad summary or
# report files are refused before anything is truncated.
set -u
sarvik=$(realpath "$1")
tests=$(realpath "$2")
root=$(cd "$tests/.." && pwd)
input="$root/examples/dm3_upstream_40.fa"

source "$tests/scratch_checks.sh"

# Same run with and without the two files: output and stderr identical (run
# times blanked), and the summary recomputed from format 3.
for mode in exact extendExact imperfect; do
  for extra in "" "--minPerfection 90 --reportUnit 0" "-D --reportUnit 1 --firstSeq 5 --lastSeq 30"; do
    read -r -a opts <<< "$extra"
    for format in 0 1 2 3 4 5 6; do
      tag="$mode.$format.${extra// /}"
      "$sarvik" -M "$mode" --outputFormat "$format" "${opts[@]}" "$input" run.out 2> plain.err
      mv run.out plain.out
      "$sarvik" -M "$mode" --outputFormat "$format" "${opts[@]}" --summary "$tag.tsv" --report "$tag.html" \
        "$input" run.out 2> with.err
      mv run.out with.out
      check "$tag: output unchanged" cmp -s plain.out with.out
      check "$tag: messages unchanged" cmp -s <(sed -E 's/^[0-9]+\.[0-9]+\.[0-9]+ //' plain.err) \
        <(sed -E 's/^[0-9]+\.[0-9]+\.[0-9]+ //' with.err)
      check "$tag: report written" grep -q '</html>' "$tag.html"
      [ "$format" = 3 ] && cp with.out "$mode.${extra// /}.format3"
    done
    base="$mode.3.${extra// /}"
    range=()
    [[ $extra == *firstSeq* ]] && range=(5 30)
    check "$base: summary agrees with format 3" \
      python3 "$tests/check_summary.py" "$base.tsv" "$mode.${extra// /}.format3" "$input" "${range[@]}"
    for format in 0 1 2 4 5 6; do
      check "$mode.$format.${extra// /}: summary as with format 3" cmp -s "$base.tsv" "$mode.$format.${extra// /}.tsv"
    done
  done
done

# Standard output keeps working beside a summary, and a run without repeats
# still writes a complete summary with an empty total row.
"$sarvik" -M exact --outputFormat 3 --summary stdout.tsv "$input" > stdout.out 2> /dev/null
check "output on stdout with a summary" cmp -s <(grep -v "^# Output file" stdout.out) <(grep -v "^# Output file" exact..format3)
check "summary beside stdout" cmp -s stdout.tsv exact.3..tsv
"$sarvik" -l 100000 --outputFormat 3 --summary none.tsv --report none.html "$input" none.out 2> /dev/null
check "no repeats: total row only" bash -c "tail -1 none.tsv | grep -qP '^total\t0\t0\t0.0000\t0\t0.000\t0\t0\t0\t0$' &&
  [ \$(grep -vc '^#' none.tsv) = 2 ]"
check "no repeats: report says so" grep -q 'no repeats' none.html

# Standard streams: the input from a pipe (the summary names it "-"), the
# summary on the standard output while the results go to a file, refused
# when the results go there too.
cat "$input" | "$sarvik" -M exact --summary piped.tsv - piped.out 2> /dev/null
check "input from a pipe" cmp -s <(grep -v '^# input' piped.tsv) <(grep -v '^# input' exact.3..tsv)
"$sarvik" -M exact --summary - "$input" to_file.out > summary_stdout.tsv 2> /dev/null
check "summary on the standard output" cmp -s summary_stdout.tsv exact.3..tsv
"$sarvik" -M exact --summary - "$input" > /dev/null 2> both.err
check "summary and results both on the standard output: 154" test $? = 154
check "its message" grep -q 'is the standard output, where the results go' both.err

# The report is self-contained: no scripts, nothing fetched from elsewhere.
check "report without scripts or outside resources" \
  bash -c "! grep -Eiq '<script|<link|<img|<iframe|@import|url\(|src=|href=' imperfect.1..html"

# Refusals: exit 154, nothing truncated, no partial summary left behind.
cp "$input" in.fa
echo keep > out.txt
refused() {  # expected message part, then the options
  local want=$1
  shift
  "$sarvik" "$@" in.fa out.txt > /dev/null 2> refused.err
  local status=$?
  [ $status = 154 ] && grep -q "$want" refused.err && cmp -s in.fa "$input" && [ "$(cat out.txt)" = keep ]
}
check "summary is the input" refused "is the input file" --summary in.fa
check "report is the input, other spelling" refused "is the input file" --report ./in.fa
check "summary is the output" refused "is the output file" --summary out.txt
check "report is the summary" refused "is the summary file" --summary s.tsv --report s.tsv
check "summary is the masked file" refused "is the masked-sequence file" --maskX --summary in.fa.masked
"$sarvik" --summary no/such/dir/s.tsv in.fa out.txt > /dev/null 2> refused.err
check "summary in a missing folder" test $? = 154
check "its message" grep -q 'as summary file' refused.err
if [ -w /dev/full ]; then
  "$sarvik" --report /dev/full in.fa out.txt > /dev/null 2> full.err
  check "full disk under the report: 152" test $? = 152
  check "full disk message" grep -q 'could not be written completely' full.err
fi

echo "e2e summary: $pass passed, $fail failed"
[ $fail = 0 ]
