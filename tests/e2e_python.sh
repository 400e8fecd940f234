#!/usr/bin/env bash
# The Python package: installed the way the README shows (a venv over
# Debian's packages, pip without build isolation) into the build folder, then
# its pytest suite against the sarvik binary beside it.
# Exit 77 (skipped) when Debian's python3, pybind11 or pytest are missing.
set -u
sarvik=$1
tests=$2
python=${SARVIK_PYTHON:-/usr/bin/python3}
root=$(cd "$tests/.." && pwd)
build=$(cd "$(dirname "$sarvik")" && pwd)
if ! "$python" -c 'import pybind11, pytest, venv' 2> /dev/null; then
  echo "python package test SKIPPED: $python lacks pybind11, pytest or venv (scripts/install-deps.sh)"
  exit 77
fi
if [ "${SARVIK_VALGRIND:-0}" = 1 ]; then
  echo "python package test skipped under valgrind"
  exit 0
fi
venv=$build/python-venv
[ -x "$venv/bin/python" ] || "$python" -m venv --system-site-packages "$venv" || exit 1
# A copy of the package folder, so that pip leaves no build files in the source tree.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$root/python" "$root/core" "$root/include" "$work/"
"$venv/bin/python" -m pip install --quiet --no-build-isolation --no-index --no-deps "$work/python" || exit 1
cd "$work" || exit 1
SARVIK_PROGRAM=$sarvik "$venv/bin/python" -m pytest -q -p no:cacheprovider "$root/python/tests"
status=$?
# 5: no test collected, which must not pass as success.
[ $status -eq 5 ] && echo "pytest collected no tests"
exit $status
