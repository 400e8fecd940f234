#!/usr/bin/env bash
# A short run of every fuzz harness (30 s each by default, FUZZ_SMOKE_SECONDS),
# from the committed seeds only, built beside the sarvik binary in fuzz/.
# Skipped under valgrind, and when clang is not installed.
set -u
sarvik=$1
tests=$2
if [ "${SARVIK_VALGRIND:-0}" = 1 ]; then
  echo "fuzz smoke run skipped under valgrind"
  exit 0
fi
if ! command -v clang++ > /dev/null; then
  echo "fuzz smoke run SKIPPED: clang++ not found (scripts/install-deps.sh installs clang and libclang-rt-14-dev)"
  exit 0
fi
build=$(cd "$(dirname "$sarvik")" && pwd)/fuzz
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$build/crashes"
FUZZ_BUILD=$build FUZZ_CORPUS_DIR=$scratch FUZZ_ARTIFACTS=$build/crashes FUZZ_TIMEOUT=20 \
  bash "$tests/../scripts/fuzz.sh" "${FUZZ_SMOKE_SECONDS:-30}"
