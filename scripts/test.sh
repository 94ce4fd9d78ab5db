#!/usr/bin/env bash
# Installs what is missing, builds with AddressSanitizer and UndefinedBehaviorSanitizer,
# and runs every test through CTest.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$QB_ROOT"

qb_install_packages
qb_ccache_env

build="${QB_TEST_BUILD_DIR:-$QB_ROOT/build-test}"
started=$(qb_now)
# Line tables are all the sanitizers' stack traces need, and they compile faster than full
# debug information; a build folder of your own gives a debugger more.
cmake -S "$QB_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1 \
  -DQB_SANITIZE=ON -DQB_WERROR=ON >/dev/null
cmake --build "$build" -j "$(qb_jobs)"
built=$(qb_now)

status=0
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j "$(qb_jobs)" "$@" \
  | tee "$build/ctest.log" || status=$?
tested=$(qb_now)

total=$(grep -oE 'out of [0-9]+' "$build/ctest.log" | tail -1 | grep -oE '[0-9]+' || echo 0)
failed=$(grep -oE '[0-9]+ tests failed' "$build/ctest.log" | tail -1 | grep -oE '^[0-9]+' || echo "?")
echo "SUMMARY: $total tests, $failed failed"
echo "TIME: build $((built - started)) s, tests $((tested - built)) s, $(qb_jobs) jobs"
exit $status
