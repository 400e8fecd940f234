#!/usr/bin/env bash
# Bad input and faults: whatever sarvik is given, it ends with the expected
# status and a message that says what went wrong, never a crash or a hang.
# One row per case:  name @ setup (bash, run in a scratch folder) @ arguments @ status @ text the stderr must hold
# SARVIK_VALGRIND=1 runs every row under memcheck (a memcheck error gives
# status 99), except the rows that would take too long there; SARVIK_TSAN=1
# (a ThreadSanitizer build) leaves out the same rows.
set -u
sarvik=$1
pass=0 fail=0
scratch=$(mktemp -d)
trap 'chmod -R u+rwx "$scratch"; rm -rf "$scratch"' EXIT

ok_fa='printf ">s\nACACACACACACACAC\n" > in.fa'
nobody=()
[ "$(id -u)" = 0 ] && command -v setpriv >/dev/null && nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups)

cases=(
  "missing input        @ :                                                  @ nothere.fa out.txt  @ 155 @ could not be opened"
  "directory as input   @ mkdir d.fa                                         @ d.fa out.txt        @ 231 @ Is a directory"
  "empty file           @ : > in.fa                                          @ in.fa out.txt       @ 231 @ File position: line 1"
  "blank lines only     @ printf '\n\n\n' > in.fa                            @ in.fa out.txt       @ 231 @ File position: line 4"
  "comments only        @ printf '#a\n#b\n' > in.fa                          @ in.fa out.txt       @ 231 @ It might not be a valid fasta file"
  "no header            @ printf 'ACGT\n' > in.fa                            @ in.fa out.txt       @ 231 @ File position: line 1"
  "binary file          @ head -c 4096 /bin/sh > in.fa                       @ in.fa out.txt       @ 231 @ It might not be a valid fasta file"
  "NUL in sequence      @ printf '>s\nAC\0GT\n' > in.fa                      @ in.fa out.txt       @ 231 @ File position: line 2"
  "byte above 127       @ printf '>s\nACGT\n\xe9T\n' > in.fa                 @ in.fa out.txt       @ 231 @ File position: line 3"
  "invalid last byte    @ printf '>s\nACACACACACAC1' > in.fa                 @ in.fa out.txt       @ 231 @ File position: line 2"
  "CR line ends         @ printf '>s\rACACACACACACACAC\r' > in.fa            @ in.fa out.txt       @ 0   @ Analysis finished successfully"
  "huge header          @ { printf '>'; head -c 4000000 /dev/zero | tr '\0' h; printf '\nACGT\n'; } > in.fa @ in.fa out.txt @ 0 @ Analysis finished successfully"
  "100M-character line  @ { printf '>s\n'; head -c 100000000 /dev/zero | tr '\0' A; } > in.fa @ in.fa out.txt @ 0 @ Analysis finished successfully"
  "only N               @ { printf '>s\n'; head -c 5000 /dev/zero | tr '\0' N; } > in.fa @ in.fa out.txt @ 0 @ Analysis finished successfully"
  "corrupt gzip         @ $ok_fa; gzip -c in.fa | head -c 20 > c.fa.gz; printf 'garbage' >> c.fa.gz @ c.fa.gz out.txt @ 231 @ An error occurred while reading the input file"
  "truncated gzip       @ head -c 300000 /dev/urandom | base64 -w 60 | tr -dc 'ACGT\n' | sed '1i >s' | gzip -c | head -c 5000 > t.fa.gz @ t.fa.gz out.txt @ 231 @ An error occurred while reading the input file"
  "output folder missing @ $ok_fa                                           @ in.fa no/such/out.txt @ 154 @ as output file"
  "directory as output  @ $ok_fa; mkdir o                                    @ in.fa o             @ 154 @ as output file"
  "output to /dev/full  @ $ok_fa                                             @ in.fa /dev/full     @ 152 @ could not be written completely"
  "masked not creatable @ $ok_fa; mkdir in.fa.masked                         @ --maskX in.fa out.txt @ 153 @ as file for the masked sequences"
  "output is input      @ $ok_fa                                             @ in.fa ./in.fa       @ 154 @ is the same file as the input file"
  "output is hard link  @ $ok_fa; ln in.fa link.fa                           @ in.fa link.fa       @ 154 @ is the same file as the input file"
  "masked is input      @ $ok_fa; ln -s in.fa in.fa.masked                   @ --maskX in.fa out.txt @ 154 @ is the same file as the input file"
  "three file names     @ $ok_fa                                             @ in.fa a.txt b.txt   @ 155 @ could not be opened"
  "min unit length 0    @ $ok_fa                                             @ -u 0 in.fa out.txt  @ 255 @ minimum unit length must be at least 1"
  "huge max unit length @ $ok_fa                                             @ -U 4000000000 in.fa out.txt @ 255 @ maximum unit length must not be larger"
  "negative unit length @ $ok_fa                                             @ -u -1 in.fa out.txt @ 255 @ maximum unit length must be greater"
  "min above max unit   @ $ok_fa                                             @ -u 5 -U 4 in.fa out.txt @ 255 @ maximum unit length must be greater"
  "recursion 0          @ $ok_fa                                             @ -r 0 in.fa out.txt  @ 255 @ recursion depth must be greater than 0"
  "recursion negative   @ $ok_fa                                             @ -r -3 in.fa out.txt @ 255 @ recursion depth must be greater than 0"
  "mismatch -1          @ $ok_fa                                             @ -m -1 in.fa out.txt @ 255 @ mismatch score must be smaller"
  "indel 0              @ $ok_fa                                             @ -g 0 in.fa out.txt  @ 255 @ indel score must be smaller"
  "score and length low @ $ok_fa                                             @ -s 1 in.fa out.txt  @ 255 @ either the minimum score or the minimum length"
  "format 7             @ $ok_fa                                             @ --outputFormat 7 in.fa out.txt @ 254 @ An outputFormat with a value of 7 is unknown"
  "format -1            @ $ok_fa                                             @ --outputFormat -1 in.fa out.txt @ 254 @ An outputFormat with a value of -1 is unknown"
  "seq mode 3           @ $ok_fa                                             @ --printRepeatSeqMode 3 in.fa out.txt @ 254 @ A printRepeatSeqMode with a value of 3 is unknown"
  "N mode 7             @ $ok_fa                                             @ --NPerfectionMode 7 in.fa out.txt @ 254 @ for the NPerfectionMode option is unknown"
  "unit mode 3          @ $ok_fa                                             @ --reportUnit 3 in.fa out.txt @ 254 @ for the reportUnit option is unknown"
  "non-numeric score    @ $ok_fa                                             @ -s abc in.fa out.txt @ 1  @ PARSE ERROR"
  "overflowing score    @ $ok_fa                                             @ -s 99999999999 in.fa out.txt @ 1 @ PARSE ERROR"
  "option twice         @ $ok_fa                                             @ -s 7 -s 8 in.fa out.txt @ 1 @ PARSE ERROR"
  "unknown mode         @ $ok_fa                                             @ -M other in.fa out.txt @ 1 @ PARSE ERROR"
  "no file name         @ :                                                  @ -s 7                @ 1   @ PARSE ERROR"
  "negative flanking    @ $ok_fa                                             @ -f -4 in.fa out.txt @ 0   @ Number of flanking nucletides:        0"
  "first seq -1         @ $ok_fa                                             @ --firstSeq -1 in.fa out.txt @ 0 @ 4294967295 - last sequence"
  "last seq 0           @ $ok_fa                                             @ --lastSeq 0 in.fa out.txt @ 0 @ Analysis finished successfully"
)
if [ ${#nobody[@]} -gt 0 ] || [ "$(id -u)" != 0 ]; then
  cases+=("unreadable input     @ $ok_fa; chmod 000 in.fa; chmod 777 .     @ in.fa out.txt       @ 155 @ could not be opened")
fi

memcheck=()
slow_under_valgrind="huge header|100M-character line"
[ "${SARVIK_VALGRIND:-0}" = 1 ] && memcheck=(valgrind -q --error-exitcode=99 --leak-check=full)

trim() { local s=$1; s=${s#"${s%%[![:space:]]*}"}; printf '%s' "${s%"${s##*[![:space:]]}"}"; }

for row in "${cases[@]}"; do
  IFS='@' read -r name setup args want text <<< "$row"
  name=$(trim "$name"); setup=$(trim "$setup"); args=$(trim "$args"); want=$(trim "$want"); text=$(trim "$text")
  if { [ ${#memcheck[@]} -gt 0 ] || [ "${SARVIK_TSAN:-0}" = 1 ]; } && [[ $name =~ ^($slow_under_valgrind)$ ]]; then
    echo "skipped under valgrind or ThreadSanitizer: $name"
    continue
  fi
  work="$scratch/$(echo "$name" | tr ' /' '__')"
  mkdir -p "$work"
  (cd "$work" && eval "$setup")
  runner=()
  [[ $name == "unreadable input" ]] && runner=("${nobody[@]}")
  read -r -a words <<< "$args"
  (cd "$work" && timeout 300 "${runner[@]}" "${memcheck[@]}" "$sarvik" "${words[@]}" > stdout 2> stderr)
  status=$?
  if [ "$status" = "$want" ] && grep -qF -- "$text" "$work/stderr" "$work/stdout"; then
    pass=$((pass + 1))
  else
    fail=$((fail + 1))
    echo "FAIL $name: status $status (expected $want); stderr ends:"
    tail -4 "$work/stderr" | sed 's/^/    /'
  fi
done

echo "bad input cases: $pass passed, $fail failed"
[ $fail = 0 ]
