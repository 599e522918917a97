#!/usr/bin/env bash
# Fails unless every named suite (a ctest label) holds at least one test in the
# given build folder: a suite that silently found nothing must never pass.
# Usage: tests/suites_presentes.sh BUILD_DIR SUITE...
set -euo pipefail
build=$1
shift
falhas=0
for suite in "$@"; do
  n=$(ctest --test-dir "$build" -N -L "^${suite}\$" | awk '/Total Tests:/ {print $3}')
  if [ "${n:-0}" -eq 0 ]; then
    echo "suite '$suite' has no tests in $build" >&2
    falhas=1
  else
    echo "suite '$suite': $n tests"
  fi
done
exit "$falhas"
