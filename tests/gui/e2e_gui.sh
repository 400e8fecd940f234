#!/usr/bin/env bash
# sarvik_gui end to end: for each case, a user preference file sets the
# window, the program starts under a virtual X server, a click on "Run
# analysis" runs it, Close and Quit end it; the output file (and the masked
# file) must be byte for byte what sarvik writes with the same settings as
# options, run on the same file names in a folder of its own.
#
#   e2e_gui.sh SARVIK SARVIK_GUI TESTS_GUI_DIR
#
# Exit 77 (skipped) without xvfb-run or xdotool: scripts/install-deps.sh.
# SARVIK_VALGRIND is not honoured here: the X and font libraries' own reports
# would drown ours; the sanitizer build (make test-sanitize) covers sarvik_gui.
set -u
sarvik=$1 gui=$2 here=$3

if [ "${SARVIK_E2E_GUI_INSIDE:-0}" != 1 ]; then
  for tool in xvfb-run xdotool xauth; do
    command -v "$tool" > /dev/null || { echo "skipped: $tool is not installed"; exit 77; }
  done
  export SARVIK_E2E_GUI_INSIDE=1
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi

# Leaks inside the font libraries are theirs, not ours (sanitizer builds).
export LSAN_OPTIONS="suppressions=$here/lsan.supp:print_suppressions=0"
scratch=$(mktemp -d)
gui_pid=
# SARVIK_E2E_KEEP=1 keeps the scratch folder for a look at the files.
trap '[ -n "$gui_pid" ] && kill "$gui_pid" 2> /dev/null; [ "${SARVIK_E2E_KEEP:-0}" = 1 ] && echo "kept $scratch" || rm -rf "$scratch"' EXIT

# Where the main window's buttons are (fixed layout) and the run window's Close.
run_button=(730 192)
quit_button=(730 268)
close_button=(335 180)

fail() { echo "FAIL $case_name: $*"; failures=$((failures + 1)); }

wait_for() {  # seconds, command...: polls until the command succeeds
  local limit=$(($1 * 10)); shift
  for ((i = 0; i < limit; i++)); do "$@" && return 0; sleep 0.1; done
  return 1
}

window_of() { timeout 30 xdotool search --sync --onlyvisible --name "$1" 2> /dev/null | head -1; }

click() {  # window x y
  xdotool mousemove --window "$1" "$2" "$3" click 1
}

# A text as the toolkit stores it: bytes beyond ASCII as octal escapes.
prefs_text() {
  local b
  for b in $(printf '%s' "$1" | od -An -tu1 -v); do
    if ((b >= 128)); then printf '\\%03o' "$b"; else printf "\\$(printf %03o "$b")"; fi
  done
}

finished() { grep -q -e '^## Finished successfully. ##$' -e '^# End tandem repeats$' "$1" 2> /dev/null; }

# A file that the loading notice shows at records 1 and 33 and that has
# perfect, imperfect and N-interrupted repeats, some out of the chosen range.
make_input() {
  local i
  for ((i = 1; i <= 40; i++)); do
    echo ">seq$i record number $i"
    case $((i % 5)) in
      0) echo "GATTACAGATTACA$(printf 'AC%.0s' $(seq 1 $((6 + i % 7))))TTGCAGGA" ;;
      1) echo "CCGT$(printf 'AGG%.0s' $(seq 1 $((4 + i % 4))))AGCAGGAGGAGGNNAGGAGGCT" ;;
      2) echo "TTTTTTTTTTATTTTTTTTGCGCATCATCATCTTCATCATCATGC" ;;
      3) echo "ACGTNNNNACGTACGTACGTACGAACGTACGTTGCA"; echo "ggccaattggccaattggccaatt" ;;
      4) echo "ATATATATATATCGCGCGCGCGCGCAAGT" ;;
    esac
  done
}

# The groups of the user's preference file after the file names come on stdin.
# The file names are in.fa and out.txt unless the case names others.
run_case() {  # name, cli options (one string), [input name, output name]
  case_name=$1
  local options=$2 in=${3:-in.fa} out=${4:-out.txt} body dir="$scratch/$1"
  body=$(cat)
  mkdir -p "$dir/cli" "$dir/gui" "$dir/home/.fltk/sarvik"
  make_input > "$dir/cli/$in"
  cp "$dir/cli/$in" "$dir/gui/$in"

  # shellcheck disable=SC2086  # the options are words on purpose
  (cd "$dir/cli" && "$sarvik" $options "$in" "$out" > /dev/null 2> cli.err) || { fail "sarvik failed"; cat "$dir/cli/cli.err"; return; }

  {
    printf '; FLTK preferences file format 1.0\n; vendor: sarvik\n; application: sarvik\n\n[.]\n\n'
    printf '[./Input Output files]\nInput file:%s\nOutput file:%s\n' "$in" "$out"
    printf '%s\n' "$body"
  } > "$dir/home/.fltk/sarvik/sarvik.prefs"

  (cd "$dir/gui" && HOME="$dir/home" exec "$gui" > gui.stdout 2> gui.stderr) &
  gui_pid=$!
  local main
  main=$(window_of "Sarvik, version 3.3.10") || true
  [ -n "$main" ] || { fail "main window did not appear"; return; }
  sleep 0.5
  click "$main" "${run_button[@]}"
  wait_for 120 finished "$dir/gui/$out" || { fail "run did not finish"; return; }
  sleep 1  # the end marker is written just before the button turns into Close

  local progress
  progress=$(window_of "Progress of sarvik analysis") || true
  [ -n "$progress" ] || { fail "run window did not appear"; return; }
  click "$progress" "${close_button[@]}"
  wait_for 10 bash -c "! xdotool search --onlyvisible --name 'Progress of sarvik analysis' > /dev/null 2>&1" ||
    fail "Close did not close the run window"

  # Quit, and confirm with Return in the question box under the pointer,
  # as often as it takes the box to appear (Return means nothing elsewhere).
  click "$main" "${quit_button[@]}"
  confirmed() { xdotool key Return; sleep 0.4; ! kill -0 "$gui_pid" 2> /dev/null; }
  wait_for 20 confirmed || { fail "Quit did not end the program"; return; }
  wait "$gui_pid"
  local status=$?
  gui_pid=
  [ "$status" = 0 ] || fail "sarvik_gui exit status $status"

  [ "$(grep -vc '^#' "$dir/cli/$out")" -gt 2 ] || fail "the case finds too few repeats to tell much"
  cmp -s "$dir/cli/$out" "$dir/gui/$out" || { fail "output differs"; diff "$dir/cli/$out" "$dir/gui/$out" | head -20; }
  if [ -f "$dir/cli/$in.masked" ]; then
    cmp -s "$dir/cli/$in.masked" "$dir/gui/$in.masked" || fail "masked file differs"
  fi
  [ -s "$dir/gui/gui.stderr" ] && { fail "sarvik_gui wrote to stderr"; head -5 "$dir/gui/gui.stderr"; }
  # Quitting saved the window back: the file names are still there.
  grep -qxF "Input file:$(prefs_text "$in")" "$dir/home/.fltk/sarvik/sarvik.prefs" || fail "preferences not saved at Quit"
  [ "$failures" = "$before" ] && echo "ok $case_name"
}

failures=0
before=0
# UTF-8 file names (with a space), masked file included: they pass through
# the preference file, the fields and the run byte for byte.
run_case every-setting \
  "-M imperfect --maskX -m -4 -g -3 -r 4 -R 20 --outputFormat 3 --sequenceInfoAsComment --reportUnit 1
   --printRepeatSeqMode 1 --NPerfectionMode 1 -f 3 --firstSeq 2 --lastSeq 38 -u 1 -U 6 -N 1 -l 10
   --minLength_a 0 --minLength_b 1.5 -s 8 --minScore_a 1 --minScore_b 0.5 --minPerfection 60" \
  "Gewebe_Größe €.fa" "Ergebnis_Größe €.txt" << 'EOF'
[./Search Mode group]
Search mode:1
Distance:5
Mask the sequence:1
[./Imperfect search]
Mismatch score:-4
Gap score:-3
Recursion depth:4
Maximum score reduction in effect:1
Maximum score reduction value:20
[./Output options]
Output Format:5
Report unit mode:1
Print repeat mode:1
N perfection mode:1
Remove hidden:0
Flanking nucleotides:3
[./General options]
From sequence:2
To sequence:38
Minimum unit size:1
Maximum unit size:6
Score first unit:0
Treat Ns as missing:0
Allowed Ns:1
[./Repeat definition]
minLen:10
minLen_a:0
minLen_b:1.5
minScore:8
minScore_a:1
minScore_b:0.5
Minimum perfection:60
Maximum perfection:100
EOF

# The N's-as-missense check forces N perfection "as mismatch" over the stored 2.
before=$failures
run_case extend-exact-table \
  "-M extendExact --NsAsMissense --outputFormat 0 -D --reportUnit 0 --printRepeatSeqMode 2 -U 4" << 'EOF'
[./Search Mode group]
Search mode:2
Distance:5
Mask the sequence:0
[./Imperfect search]
Mismatch score:-5
Gap score:-5
Recursion depth:5
Maximum score reduction in effect:0
Maximum score reduction value:30
[./Output options]
Output Format:0
Report unit mode:0
Print repeat mode:2
N perfection mode:2
Remove hidden:1
Flanking nucleotides:0
[./General options]
From sequence:
To sequence:
Minimum unit size:1
Maximum unit size:4
Score first unit:0
Treat Ns as missing:1
Allowed Ns:2
[./Repeat definition]
minLen:0
minLen_a:0
minLen_b:0
minScore:6
minScore_a:0
minScore_b:1
Minimum perfection:0
Maximum perfection:100
EOF

before=$failures
run_case perfect-gff "-M exact --outputFormat 2 --sequenceInfoAsComment -s 10" << 'EOF'
[./Search Mode group]
Search mode:3
Distance:5
Mask the sequence:0
[./Imperfect search]
Mismatch score:-5
Gap score:-5
Recursion depth:5
Maximum score reduction in effect:0
Maximum score reduction value:30
[./Output options]
Output Format:3
Report unit mode:2
Print repeat mode:2
N perfection mode:0
Remove hidden:0
Flanking nucleotides:0
[./General options]
From sequence:1
To sequence:
Minimum unit size:1
Maximum unit size:10
Score first unit:0
Treat Ns as missing:0
Allowed Ns:2
[./Repeat definition]
minLen:0
minLen_a:0
minLen_b:0
minScore:10
minScore_a:0
minScore_b:1
Minimum perfection:0
Maximum perfection:100
EOF

echo "e2e gui cases: $failures failure(s)"
[ "$failures" = 0 ]
