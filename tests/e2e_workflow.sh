#!/usr/bin/env bash
# The Snakemake workflow on three small genomes cut from the example (one of
# them gzip-compressed), with two cores: every output is there, each genome's
# files are what sarvik writes when run by hand, the summaries agree with the
# format-3 output, and the gathered table and overview hold every genome.
set -u
sarvik=$(realpath "$1")
tests=$(realpath "$2")
root=$(cd "$tests/.." && pwd)
source "$tests/scratch_checks.sh"
# Output files compared without the line that names them.
same_output() { cmp -s <(grep -v '^# Output file name' "$1") <(grep -v '^# Output file name' "$2"); }

command -v snakemake > /dev/null || { echo "FAIL snakemake is missing; run scripts/install-deps.sh"; exit 1; }
# Records 1-13, 14-26 and 27-40 of the example.
awk '/^>/ { n++ } { f = n <= 13 ? "alpha.fa" : n <= 26 ? "beta.fa" : "gamma.fa"; print > f }' \
  "$root/examples/dm3_upstream_40.fa"
gzip -k beta.fa
printf 'sample\tfasta\nalpha\talpha.fa\nbeta\tbeta.fa.gz\ngamma\tgamma.fa\n' > samples.tsv
printf '%s\n' 'samples: samples.tsv' "sarvik: $sarvik" 'results: results' 'options: "-M imperfect -U 8"' \
  'formats: [3, 2, 0, 5]' 'threads: 1' 'mem_mb: 500' 'runtime_minutes: 10' > config.yaml

snakemake -s "$root/workflow/Snakefile" --configfile config.yaml --cores 2 > snakemake.log 2>&1
check "the workflow runs" test $? = 0 || tail -20 snakemake.log

for s in alpha beta gamma; do
  fasta=$s.fa
  [ $s = beta ] && fasta=beta.fa.gz
  d=results/$s
  check "$s: summary, report and log" test -s "$d/$s.summary.tsv" -a -s "$d/$s.report.html" -a -f "$d/$s.log"
  for f in 3:tsv 2:gff 0:txt 5:bed; do
    "$sarvik" -M imperfect -U 8 --outputFormat "${f%:*}" "$fasta" by_hand 2> /dev/null
    check "$s: format ${f%:*} as by hand" same_output "$d/$s.format${f%:*}.${f#*:}" by_hand
  done
  check "$s: summary agrees with format 3" python3 "$tests/check_summary.py" "$d/$s.summary.tsv" "$d/$s.format3.tsv" "$s.fa"
  check "$s: report complete" grep -q '</html>' "$d/$s.report.html"
  check "$s: run finished" grep -q 'Analysis finished successfully' "$d/$s.log"
  check "$s: its rows in the table" cmp -s <(grep "^$s	" results/summary.tsv | cut -f 4-) \
    <(grep -v '^#' "$d/$s.summary.tsv" | tail -n +2)
  check "$s: in the overview" grep -q "href=\"$s/$s.report.html\">$s</a>" results/overview.html
done
check "table header" grep -q '^sample	records	nucleotides	unit_length	repeats	' results/summary.tsv
check "table: input size per genome" grep -q '^beta	13	26000	total	' results/summary.tsv
check "table: three total rows" test "$(grep -c '	total	' results/summary.tsv)" = 3
check "overview: its chart" grep -q '<svg' results/overview.html
snakemake -s "$root/workflow/Snakefile" --configfile config.yaml --cores 2 -n > dryrun.log 2>&1
check "nothing left to do" grep -qi 'nothing to be done' dryrun.log

echo "e2e workflow: $pass passed, $fail failed"
[ $fail = 0 ]
