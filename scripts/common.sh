# Shared by run.sh, test.sh and fuzz.sh: package installation and build settings.
# Sourced, not run.

QB_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Debian packages the build, the program and the tests need.
QB_PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev googletest
  clang libclang-rt-14-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs imagemagick
  python3 python3-dbfread python3-dbf python3-pyftpdlib python3-openpyxl gdal-bin
  libsqlite3-dev libcurl4-openssl-dev libxlsxwriter-dev zlib1g-dev pxlib1
  libboost-dev
  unixodbc-dev odbcinst libsqliteodbc tdsodbc
  locales
  fonts-dseg fonts-liberation2 fonts-wine
)

qb_missing_packages() {
  local pkg
  for pkg in "${QB_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}\n' "$pkg" 2>/dev/null | grep -q '^install ok installed$' || echo "$pkg"
  done
}

qb_install_packages() {
  local missing
  missing=$(qb_missing_packages)
  [ -z "$missing" ] && return 0
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  echo "Installing: $(echo $missing | tr '\n' ' ')"
  $sudo apt-get update -qq
  # shellcheck disable=SC2086
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

qb_ccache_env() {
  export CCACHE_BASEDIR="$QB_ROOT"
  export CCACHE_SLOPPINESS="pch_defines,time_macros,include_file_mtime,include_file_ctime"
  export CCACHE_COMPILERCHECK=content
}

qb_jobs() { nproc 2>/dev/null || echo 2; }
