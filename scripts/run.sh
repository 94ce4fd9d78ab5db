#!/usr/bin/env bash
# Installs what is missing, builds an optimised Quellbrook and starts it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$QB_ROOT"

qb_install_packages
qb_ccache_env

build="${QB_RUN_BUILD_DIR:-$QB_ROOT/build-run}"
cmake -S "$QB_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQB_TESTS=OFF -DQB_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(qb_jobs)" --target quellbrook

exec "$build/bin/quellbrook" "$@"
