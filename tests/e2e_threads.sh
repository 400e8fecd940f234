#!/usr/bin/env bash
# The thread count never changes a byte of the output or masked file, the
# exit status or the standard output: runs with -t 1 against -t 2, 3 and 8,
# with chunks forced tiny so that their boundaries fall everywhere; then
# random files with the reader's quirks in every output format.
#   e2e_threads.sh SARVIK TESTS_DIR [QUIRK_SEEDS]
set -u
sarvik=$(realpath "$1")
tests=$(realpath "$2")
quirk_seeds=${3:-16}
pass=0 fail=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# Reproducible inputs: many tiny records, records shorter than a chunk, and
# a long record with a satellite array over many chunks and N runs.
awk 'BEGIN {
  srand(11); b = "ACGT"
  for (r = 1; r <= 120; r++) {
    print ">tiny" r " record"; n = int(rand() * 30); s = ""
    for (i = 0; i < n; i++) s = s substr(b, int(rand() * 4) + 1, 1)
    print s
  }
  print ">long"; s = ""
  for (i = 0; i < 4000; i++) {
    x = rand()
    if (x < 0.6) s = s substr(b, int(rand() * 4) + 1, 1)
    else if (x < 0.62) { u = substr("CATTAGGAC", 1, 2 + int(rand() * 7)); for (j = 0; j < 8; j++) s = s u }
    else if (x < 0.625) s = s "NNN"
  }
  for (j = 0; j < 600; j++) s = s (j % 37 == 5 ? "GATCACA" : "GATTACA")
  print s substr(s, 1, 3000)
  print ">empty"
  print ">last"; print "ACACACACACACACGGGTTTTTTTTTTTA"
}' > in.fa
{ head -c 20000 in.fa; printf '\n>broken\nAC\x01GT\n>after\nACACACACACACAC\n'; } > bad.fa

run() {  # name, chunk length, args...
  local name=$1 chunk=$2
  shift 2
  rm -f in.fa.masked bad.fa.masked quirks.fa.masked
  SARVIK_TEST_CHUNK_LENGTH=$chunk "$sarvik" "$@" > "$name.stdout" 2> "$name.stderr"
  echo $? > "$name.status"
  for f in in.fa.masked bad.fa.masked quirks.fa.masked; do [ -f $f ] && mv $f "$name.masked"; done
  sed -i -e '/^# Output file name/d' "$name.stdout"
  # Only the thread count line and the progress times may differ.
  sed -e '/^Worker threads:/d' -e '/^Output file name/d' -e 's/^[0-9][0-9]\.[0-9][0-9]\.[0-9][0-9] - /TIME - /' "$name.stderr" > "$name.err"
}

check() {  # what, reference name, candidate name
  local ok=1 f
  for f in stdout err status masked; do
    if [ -f "$2.$f" ] || [ -f "$3.$f" ]; then cmp -s "$2.$f" "$3.$f" || { ok=0; echo "  $1: $f differs"; }; fi
  done
  [ $ok = 1 ] && pass=$((pass + 1)) || { fail=$((fail + 1)); echo "FAIL $1"; }
}

for mode in imperfect exact extendExact; do
  for input in in.fa bad.fa; do
    run ref 0 -t 1 -M $mode --maskX -U 9 $input
    want=0
    [ $input = bad.fa ] && want=231
    [ "$(cat ref.status)" = $want ] || { fail=$((fail + 1)); echo "FAIL $mode $input: -t 1 status $(cat ref.status)"; }
    for t in 2 3 8; do
      for chunk in 0 1 5 97; do
        run cand $chunk -t $t -M $mode --maskX -U 9 $input
        check "$mode $input -t $t, chunks of $chunk" ref cand
      done
    done
  done
done

# Random files with the reader's quirks (empty headers, tabs and NULs in
# headers, CR and CR LF, a '>' as the last byte, records without sequence,
# an invalid last character), every output format and the options that
# change what is written per record. A failing seed reruns with
# tests/fasta_quirks.py SEED quirks.fa.
for seed in $(seq 1 "$quirk_seeds"); do
  python3 "$tests/fasta_quirks.py" "$seed" quirks.fa
  mode=$(echo imperfect exact extendExact | cut -d' ' -f$((seed % 3 + 1)))
  for opts in "--outputFormat 0" "--outputFormat 1 --sequenceInfoAsComment" "--outputFormat 2 --sequenceInfoAsComment" \
    "--outputFormat 3 --sequenceInfoAsComment --maskX" "--outputFormat 4 -f 3" "--outputFormat 5" "--outputFormat 6" \
    "--outputFormat 3 --firstSeq 2 --lastSeq 4 --maskX"; do
    # shellcheck disable=SC2086
    run ref 0 -t 1 -M $mode -s 4 $opts quirks.fa
    for t in 2 3; do
      # shellcheck disable=SC2086
      run cand $((t * 2 - 3)) -t $t -M $mode -s 4 $opts quirks.fa
      check "quirks seed $seed, $mode $opts, -t $t" ref cand
    done
  done
done

# Results go to a file just the same, and stdout stays empty in both.
run ref 0 -t 1 --outputFormat 2 in.fa out1.txt
run cand 3 -t 2 --outputFormat 2 in.fa out2.txt
cmp -s <(grep -v '^# Output file name' out1.txt) <(grep -v '^# Output file name' out2.txt) && check "output file -t 2" ref cand || { fail=$((fail + 1)); echo "FAIL output file"; }

# The count is reported with the run messages; a count below 1 is refused.
grep -qx "Worker threads: 2" cand.stderr && pass=$((pass + 1)) || { fail=$((fail + 1)); echo "FAIL thread count message"; }
for bad in 0 -3; do
  "$sarvik" -t $bad in.fa > /dev/null 2> err
  status=$?
  if [ $status = 255 ] && grep -q "number of threads must be at least 1" err; then
    pass=$((pass + 1))
  else
    fail=$((fail + 1)); echo "FAIL -t $bad: status $status"
  fi
done

echo "thread equivalence: $pass passed, $fail failed"
[ $fail = 0 ]
