#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while.
# Usage: scripts/fuzz.sh [seconds per target, default 60] [target ...]
# QB_FUZZ_TIMEOUT: seconds one input may take before it counts as a hang (default 5).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$QB_ROOT"

qb_install_packages
qb_ccache_env

seconds="${1:-60}"
shift || true
build="$QB_ROOT/build-fuzz"
# Optimised, but with the invariants the targets and readers assert switched on (no NDEBUG).
CC=clang CXX=clang++ cmake -S "$QB_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -g" -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -g" \
  -DQB_FUZZ=ON -DQB_TESTS=ON -DQB_BENCH=OFF >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  mapfile -t targets < <(ninja -C "$build" -t targets all | grep -oE '^fuzz_[A-Za-z0-9_]+' | grep -v '_autogen' | sort -u)
fi
cmake --build "$build" -j "$(qb_jobs)" --target "${targets[@]}"

for target in "${targets[@]}"; do
  corpus="$QB_ROOT/.fuzz/$target"
  mkdir -p "$corpus"
  seeds="$QB_ROOT/tests/data/fuzz/$target"
  [ -d "$seeds" ] || seeds=""
  echo "== $target for ${seconds}s"
  "$build/$target" -max_total_time="$seconds" -timeout="${QB_FUZZ_TIMEOUT:-5}" -rss_limit_mb=4096 -print_final_stats=1 "$corpus" $seeds
done
echo "fuzzing finished: no crash"
