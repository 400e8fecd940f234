#!/usr/bin/env bash
# Output formats 5 (BED) and 6 (STR catalog) against format 3 of the same
# run, and BED through Debian's bedtools: it must load without edits and
# mean what format 3 says (0-based, half-open coordinates).
set -u
sarvik=$(realpath "$1")
tests=$(realpath "$2")
if ! command -v bedtools > /dev/null || ! command -v samtools > /dev/null; then
  echo "BED cases SKIPPED: bedtools or samtools not found (scripts/install-deps.sh installs them)"
  exit 0
fi

source "$tests/scratch_checks.sh"
empty() { [ ! -s "$1" ] || { head -3 "$1" | sed 's/^/    /'; false; }; }

cp "$tests/../examples/dm3_upstream_40.fa" in.fa
# A repeat at the very first nucleotide (BED start 0), with an N in it.
printf '>edge at start\nACACACACACACACNCACACACACACACACGTTGCAGTCA\n' >> in.fa
# Lenient scores for many imperfect repeats, so every column varies.
opts=(-m -3 -g -3)
"$sarvik" "${opts[@]}" --outputFormat 3 in.fa f3.txt 2> /dev/null
"$sarvik" "${opts[@]}" --outputFormat 5 in.fa out.bed 2> bed.err
check "BED run: exit 0" test $? = 0
"$sarvik" "${opts[@]}" --outputFormat 6 in.fa catalog.tsv 2> /dev/null
check "catalog run: exit 0" test $? = 0

grep -v '^#' f3.txt | tail -n +2 > f3.records
tail -n +2 out.bed > bed.records
check "there are imperfect repeats to compare" test "$(awk -F'\t' '$3 < 100' f3.records | wc -l)" -gt 100
check "there is a repeat with an N at the start of a record" grep -qP '^edge\t2\t[0-9.]+\t1\t.*\t1\tAC\t' f3.records

# --- BED: layout --------------------------------------------------------------
check "BED: the first line is the column header" test "$(head -1 out.bed)" = \
  "$(printf '#chrom\tstart\tend\tname\tscore\tstrand\tperiod\tcopies\tperfection\tmismatches\tinsertions\tdeletions\tNs')"
check "BED: no other comment line, no run header, no end marker" test "$(grep -c '^#' out.bed)" = 1
check "BED: the summary still goes to stderr" grep -qF "Output format:                        bed format" bed.err
check "BED: success on stderr" grep -qF "Analysis finished successfully" bed.err
check "BED: one line per format-3 record" test "$(wc -l < bed.records)" = "$(wc -l < f3.records)"

# --- BED against format 3, line by line (the same order) ---------------------
# f3: name k perfection start end length copies score mis ins del Ns unit seq
paste f3.records bed.records | awk -F'\t' '
  { b = 14 }
  function clip(s) { return s < 0 ? 0 : s > 1000 ? 1000 : s }
  function trim(s) { sub(/^ +/, "", s); return s }
  $(b+1) != $1 || $(b+2) != $4 - 1 || $(b+3) != $5 || $(b+4) != $13 || $(b+5) != clip($8) || $(b+6) != "." ||
  $(b+7) != $2 || $(b+8) != trim($7) || $(b+9) != $3 || $(b+10) != $9 || $(b+11) != $10 || $(b+12) != $11 ||
  $(b+13) != $12 || NF != 27 { print "line " NR ": " $0 }' > bed_vs_f3.txt
check "BED: every column agrees with format 3 (start = format-3 start - 1)" empty bed_vs_f3.txt

# --- BED through bedtools ------------------------------------------------------
bedtools sort -i out.bed > sorted.bed 2> sort.err
check "bedtools sort: exit 0, no complaint" test $? = 0 -a ! -s sort.err
check "bedtools sort: every record kept" \
  cmp -s <(sort bed.records) <(sort sorted.bed)
check "bedtools sort: the order is chrom, then start" \
  cmp -s sorted.bed <(sort -s -t$'\t' -k1,1 -k2,2n sorted.bed)

bedtools merge -i sorted.bed > merged.bed 2> merge.err
check "bedtools merge: exit 0, no complaint" test $? = 0 -a ! -s merge.err
bedtools merge -i out.bed > merged_unsorted.bed 2> /dev/null
check "bedtools merge: reads the output in its own order too" cmp -s merged.bed <(sort -s -t$'\t' -k1,1 -k2,2n merged_unsorted.bed)
# Covered nucleotides, overlaps counted once, computed here from format 3.
covered=$(awk -F'\t' '{ for (p = $4; p <= $5; ++p) seen[$1 SUBSEP p] = 1 } END { print length(seen) }' f3.records)
check "bedtools merge: covers what format 3 covers ($covered nt)" \
  test "$(awk '{ s += $3 - $2 } END { print s }' merged.bed)" = "$covered"

# A hand-made window on the record with the most repeats, and the repeats
# that format 3 puts in it.
chrom=$(cut -f1 f3.records | sort | uniq -c | sort -k1,1nr | awk 'NR == 1 { print $2 }')
printf '%s\t400\t900\twindow\n' "$chrom" > window.bed
bedtools intersect -u -a out.bed -b window.bed > in_window.bed 2> intersect.err
check "bedtools intersect: exit 0, no complaint" test $? = 0 -a ! -s intersect.err
want=$(awk -F'\t' -v c="$chrom" '$1 == c && $5 >= 401 && $4 <= 900' f3.records | wc -l)
check "bedtools intersect: the $want repeats that format 3 puts in 401..900" \
  test "$(wc -l < in_window.bed)" = "$want" -a "$want" -gt 0

# Half-open ends: a repeat touches [end-1, end) but not [end, end+5).
read -r c s e _ < <(head -1 bed.records)
printf '%s\t%s\t%s\n' "$c" "$((e - 1))" "$e" > last_nt.bed
printf '%s\t%s\t%s\n' "$c" "$e" "$((e + 5))" > after.bed
printf '%s\t%s\t%s\n' "$c" "$((s - 1))" "$s" > before.bed
head -2 out.bed > first.bed
check "half-open: the last nucleotide is inside" test "$(bedtools intersect -u -a first.bed -b last_nt.bed | wc -l)" = 1
check "half-open: the end is outside" test "$(bedtools intersect -u -a first.bed -b after.bed | wc -l)" = 0
check "half-open: the nucleotide before the start is outside" \
  test "$(bedtools intersect -u -a first.bed -b before.bed | wc -l)" = 0

# The BED intervals cut out of the FASTA are format 3's repeat sequences.
bedtools getfasta -fi in.fa -bed out.bed -tab 2> /dev/null | cut -f2 | tr a-z A-Z > cut.txt
check "bedtools getfasta: each interval holds format 3's repeat sequence" \
  cmp -s cut.txt <(cut -f14 f3.records)

# --- STR catalog ---------------------------------------------------------------
check "catalog: no header, no comment" test "$(grep -c '^#' catalog.tsv)" = 0
check "catalog: one line per repeat" test "$(wc -l < catalog.tsv)" = "$(wc -l < f3.records)"
paste catalog.tsv f3.records | awk -F'\t' '
  function revcomp(s,  r, i, c) {
    r = ""
    for (i = length(s); i > 0; --i) { c = substr(s, i, 1); r = r (c == "A" ? "T" : c == "C" ? "G" : c == "G" ? "C" : "A") }
    return r
  }
  function rotation_of(m, u) { return length(m) == length(u) && index(u u, m) > 0 }
  {
    id = $1 "_" $2 "_" $3
    if (NF != 18 || $4 !~ /^ID=[^;]+;MOTIFS=[ACGT]+;STRUC=\([ACGT]+\)n$/) { print "layout, line " NR ": " $0; next }
    split($4, kv, ";")
    motif = substr(kv[2], 8)
    if (kv[1] != "ID=" id) print "ID, line " NR ": " $0
    if (kv[3] != "STRUC=(" motif ")n") print "STRUC, line " NR ": " $0
    if ($1 != $5 || $2 != $8 - 1 || $3 != $9) print "coordinates, line " NR ": " $0
    # The unit column is the normal form over rotations and reverse complement.
    if (!rotation_of(motif, $17) && !rotation_of(revcomp(motif), $17)) print "motif, line " NR ": " $0
    # A perfect repeat begins with its motif, read on the forward strand.
    if ($7 == "100.000" && substr($18, 1, length(motif)) != motif) print "phase, line " NR ": " $0
  }' > catalog_vs_f3.txt
check "catalog: every line parses and agrees with format 3" empty catalog_vs_f3.txt

# --- Names: the header up to its first white space, as samtools faidx says ----
# Formats 0 to 4 end a name at the first blank only; BED readers would take
# a tab there for the next column.
printf '>tabbed\tsecond part\nGGTCAACACACACACACACACACACGTTGA\n>described one two\nCCAGAGAGAGAGAGAGAGAGAGTTCA\n' > names.fa
printf '>\tlead\tafter tab\nTTAGTAGTAGTAGTAGTAGTAGTAGGCA\n>nul\000rest\nACGCGCGCGCGCGCGCGCGCGCGTTA\n' >> names.fa
"$sarvik" -M exact --outputFormat 5 names.fa names.bed 2> /dev/null
check "names: BED run exit 0" test $? = 0
"$sarvik" -M exact --outputFormat 6 names.fa names.tsv 2> /dev/null
samtools faidx names.fa 2> /dev/null
check "names: the chroms are samtools faidx's names" \
  test "$(tail -n +2 names.bed | cut -f1 | tr '\n' ' ')" = "$(cut -f1 names.fa.fai | tr '\n' ' ')"
check "names: the catalog's chrom and ID use the same names" test \
  "$(cut -f1,4 names.tsv | cut -d';' -f1 | tr '\n' ' ')" = \
  "$(printf 'tabbed\tID=tabbed_5_25 described\tID=described_2_22 lead\tID=lead_1_25 nul\tID=nul_1_23 ')"
bedtools sort -i names.bed > names.sorted 2> names.sort.err
check "names: bedtools sort reads every line" test $? = 0 -a ! -s names.sort.err -a "$(wc -l < names.sorted)" = 4
bedtools getfasta -fi names.fa -bed names.bed -tab 2> names.getfasta.err | cut -f2 > names.cut
check "names: bedtools getfasta finds every record through the index" \
  test ! -s names.getfasta.err -a "$(tr '\n' ' ' < names.cut)" = \
  "ACACACACACACACACACAC AGAGAGAGAGAGAGAGAGAG TAGTAGTAGTAGTAGTAGTAGTAG CGCGCGCGCGCGCGCGCGCGCG "
"$sarvik" -M exact --outputFormat 3 names.fa - 2> /dev/null | grep -v '^#' | tail -n +2 | cut -f1,2 > names.f3
check "names: format 3 still ends a name at the first blank only" test \
  "$(tr '\n' '|' < names.f3)" = "$(printf 'tabbed\tsecond|described\t2|\tlead|nul\t2|')"
# A header without a word: faidx would name it "", which no BED reader takes.
printf '>\nGCATATATATATATATATATATATCG\n> \t\nGGGG\n' > unnamed.fa
"$sarvik" -M exact --outputFormat 5 unnamed.fa unnamed.bed 2> unnamed.err
check "names: an unnamed record is numbered" test "$(tail -n +2 unnamed.bed | cut -f1)" = unnamed_1
check "names: and announced on stderr, if it has repeats" test "$(grep -c Warning unnamed.err)" = 1 -a \
  "$(grep Warning unnamed.err)" = "Warning: the header of record 1 holds no name; its BED and catalog lines call it unnamed_1."
bedtools sort -i unnamed.bed > /dev/null 2> unnamed.sort.err
check "names: bedtools sort takes it" test $? = 0 -a ! -s unnamed.sort.err

echo "BED and catalog cases: $pass passed, $fail failed"
[ $fail = 0 ]
