#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test through CTest.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$QB_ROOT"

qb_install_packages
qb_ccache_env

build="${QB_TEST_BUILD_DIR:-$QB_ROOT/build-test}"
cmake -S "$QB_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQB_SANITIZE=ON >/dev/null
cmake --build "$build" -j "$(qb_jobs)"

status=0
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j "$(qb_jobs)" "$@" \
  | tee "$build/ctest.log" || status=$?

total=$(grep -oE 'out of [0-9]+' "$build/ctest.log" | tail -1 | grep -oE '[0-9]+' || echo 0)
failed=$(grep -oE '[0-9]+ tests failed' "$build/ctest.log" | tail -1 | grep -oE '^[0-9]+' || echo "?")
echo "SUMMARY: $total test programs, $failed failed"
exit $status
