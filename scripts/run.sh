#!/usr/bin/env bash
# Installs what is missing, builds an optimised Quellbrook and starts it.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"
cd "$QB_ROOT"

qb_install_packages
qb_ccache_env

build="${QB_RUN_BUILD_DIR:-$QB_ROOT/build-run}"
cmake -S "$QB_ROOT" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="$QB_OPT_FLAGS -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="$QB_OPT_FLAGS -DNDEBUG" \
  -DQB_TESTS=OFF -DQB_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(qb_jobs)" --target quellbrook quellbrook-ftpsettings

config_dir="${QUELLBROOK_CONFIG_DIR:-${XDG_CONFIG_HOME:-$HOME/.config}/quellbrook}"
data_home="${XDG_DATA_HOME:-$HOME/.local/share}"
# awk reads the texts from the environment: -v would take their backslashes as escapes.
export QB_ORU_SECTION='[software\oru]'
QB_HIVE_AWK='
  function trim(s) { gsub(/^[ \t\r]+|[ \t\r]+$/, "", s); return s }
  function is_section(s) { return substr(trim(s), 1, 1) == "[" }
  function is_oru(s) { return tolower(trim(s)) == ENVIRON["QB_ORU_SECTION"] }
  function is_common_path(s) { return tolower(trim(substr(s, 1, index(s, "=") - 1))) == "commonpath" }
'

# The CommonPath value stored under \Software\ORU in one hive file; empty when there is none.
stored_common_path() {
  [ -f "$1" ] || return 0
  awk "$QB_HIVE_AWK"'
    is_section($0) { inside = is_oru($0); next }
    inside && index($0, "=") && is_common_path($0) {
      value = trim(substr($0, index($0, "=") + 1)); gsub(/^"|"$/, "", value); print value; exit
    }
  ' "$1"
}

# Sets CommonPath under \Software\ORU in a hive file, keeping everything else in it.
store_common_path() {
  local hive="$1" quoted
  quoted=$(printf '%s' "$2" | sed 's/[\\"]/\\&/g')
  mkdir -p "$(dirname "$hive")"
  touch "$hive"
  QB_COMMON_LINE="CommonPath=\"$quoted\"" awk "$QB_HIVE_AWK"'
    is_section($0) { inside = is_oru($0); print; if (inside) { print ENVIRON["QB_COMMON_LINE"]; done = 1 }; next }
    inside && index($0, "=") && is_common_path($0) { next }
    { print }
    END { if (!done) { print ""; print "[Software\\ORU]"; print ENVIRON["QB_COMMON_LINE"] } }
  ' "$hive" >"$hive.tmp"
  mv "$hive.tmp" "$hive"
}

# A new user gets a common directory with the shipped language files; a directory the user chose
# stays as it is. The program reads the machine hive first, so the value goes there.
current=""
for hive in HKEY_LOCAL_MACHINE HKEY_CURRENT_USER; do
  [ -n "$current" ] || current=$(stored_common_path "$config_dir/$hive.ini")
done
if [ -z "$current" ] || [ ! -d "$current" ]; then
  common="$data_home/CommonFilesORU"
  mkdir -p "$common"
  cp -n "$QB_ROOT"/resources/common/* "$common/"
  store_common_path "$config_dir/HKEY_LOCAL_MACHINE.ini" "$common"
fi

# The example collection is copied once into the user's data folder, where its table can grow;
# the program starts there, so the Open dialog shows it first.
examples="$data_home/Quellbrook/examples"
mkdir -p "$examples"
cp -rn "$QB_ROOT"/examples/. "$examples/"
cd "$examples"

exec "$build/bin/quellbrook" "$@"
