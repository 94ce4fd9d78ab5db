#!/usr/bin/env bash
# Installs what is missing and runs every test twice: built with AddressSanitizer and
# UndefinedBehaviorSanitizer, then built optimised as scripts/run.sh builds the program, with
# assertions on. Arguments go to CTest in both runs.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$QB_ROOT"

qb_install_packages
qb_ccache_env

status=0
passed_total=0
failed_total=0

# run_suite <name> <build folder> <cmake options...> -- <ctest arguments...>
run_suite() {
  local name="$1" build="$2"
  shift 2
  local options=()
  while [ $# -gt 0 ] && [ "$1" != "--" ]; do options+=("$1"); shift; done
  shift
  local started built tested run_status=0
  started=$(qb_now)
  cmake -S "$QB_ROOT" -B "$build" -G Ninja -DQB_WERROR=ON "${options[@]}" >/dev/null
  cmake --build "$build" -j "$(qb_jobs)"
  built=$(qb_now)
  QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure -j "$(qb_jobs)" "$@" \
    | tee "$build/ctest.log" || run_status=$?
  tested=$(qb_now)

  local total failed
  total=$(grep -oE 'out of [0-9]+' "$build/ctest.log" | tail -1 | grep -oE '[0-9]+' || echo 0)
  failed=$(grep -oE '[0-9]+ tests failed' "$build/ctest.log" | tail -1 | grep -oE '^[0-9]+' || echo "$total")
  [ "$run_status" -eq 0 ] || status=$run_status
  passed_total=$((passed_total + total - failed))
  failed_total=$((failed_total + failed))
  SUMMARIES+=("SUMMARY $name: $total tests, $failed failed"
              "TIME $name: build $((built - started)) s, tests $((tested - built)) s, $(qb_jobs) jobs")
  echo "${SUMMARIES[-2]}"
  echo "${SUMMARIES[-1]}"
}
SUMMARIES=()

# Line tables are all the sanitizers' stack traces need, and they compile faster than full
# debug information; a build folder of your own gives a debugger more.
run_suite sanitizer "${QB_TEST_BUILD_DIR:-$QB_ROOT/build-test}" \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG=-g1 -DCMAKE_C_FLAGS_DEBUG=-g1 -DQB_SANITIZE=ON -- "$@"
# The benchmarks are built (and so compiled) by the sanitizer build already.
run_suite optimised "${QB_OPT_BUILD_DIR:-$QB_ROOT/build-opt}" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$QB_OPT_FLAGS" \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="$QB_OPT_FLAGS" -DQB_BENCH=OFF -- "$@"

printf '%s\n' "${SUMMARIES[@]}"
echo "total: $passed_total passed, $failed_total failed"
exit $status
