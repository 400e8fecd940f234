#!/usr/bin/env bash
# Compares the production search engine with the reference engine
# (tests/oracle) on the two benchmark genomes, in every search mode and with
# a few other parameter sets (see check_equivalence --fasta). Not part of
# make test: on a Release build it takes some twenty minutes.
#
#   bench/check_equivalence_real.sh [build-folder] [fasta...]
#
# Without FASTA files it checks the two genomes bench/run.sh times, fetched
# the same way. A differing record is written to the current folder as
# equivalence-<file>-<record>.fa, with the sarvik command line that runs it.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
build=${1:-build}
[[ $# -gt 0 ]] && shift
checker=
for b in "$build" "$here/../$build"; do
  [[ -x "$b/tests/check_equivalence" ]] && { checker=$b/tests/check_equivalence; break; }
done
if [[ -z "$checker" ]]; then
  echo "check_equivalence_real.sh: no tests/check_equivalence in '$build' (run make build first)" >&2
  exit 1
fi

inputs=("$@")
if [[ ${#inputs[@]} -eq 0 ]]; then
  # shellcheck source=fetch_inputs.sh
  source "$here/fetch_inputs.sh"
  fetch_inputs "$here/.cache"
  inputs=("$here/.cache/Klebs_HS11286.fna" "$here/.cache/dm3_upstream2000.fa")
fi
exec "$checker" --fasta "${inputs[@]}"
