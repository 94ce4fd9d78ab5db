# Shared by run.sh, test.sh and fuzz.sh: package installation and build settings.
# Sourced, not run.

QB_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Debian packages the build, the program and the tests need.
QB_PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  # the linker of every build; the unwind check's test links with it
  lld
  qt6-base-dev libgl-dev
  libgtest-dev libgmock-dev googletest
  clang libclang-rt-14-dev
  libjpeg62-turbo-dev libjpeg-turbo-progs imagemagick
  python3 python3-dbfread python3-dbf python3-pyftpdlib python3-openpyxl python3-xlwt gdal-bin python3-gdal
  libreoffice-writer-nogui libshp-dev
  # judges of the exported spreadsheets and XML
  libreoffice-calc-nogui libxml2-utils
  libsqlite3-dev libcurl4-openssl-dev libxlsxwriter-dev zlib1g-dev pxlib1
  libzip-dev
  libboost-dev
  unixodbc-dev odbcinst libsqliteodbc tdsodbc
  locales
  fonts-dseg fonts-liberation2 fonts-wine
  # the faces the chart themes name (Verdana, Roboto Thin)
  fonts-dejavu-core fonts-roboto-unhinted
  libuemf-dev emf2svg libwmf-bin poppler-utils librsvg2-bin
  # the peer of the series loading benchmark
  libqcustomplot-dev
  # the judge of the clustering tests and the peer of its benchmark
  python3-scipy
  # judges of the statistics windows and the regression engine, the peer of its benchmark
  python3-numpy r-base-core
  # the judge of the financial indicator tests
  python3-pandas
  # the judges of the splines (GSL's tridiagonal solver) and of the curve fits (numpy), and the
  # peer of the smoothing benchmark
  libgsl-dev
  # the judges of the statistical functions and the peers of their benchmarks
  python3-shapely libgeos-dev
  # wmf2svg finds no font at all without these (a recommendation apt skips here)
  fonts-urw-base35
  # the export dialog mails through xdg-email and asks xdg-mime for the file type's program
  xdg-utils
  # the sound service plays through libpulse-simple; its test records a null sink's monitor
  libpulse-dev pulseaudio pulseaudio-utils
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

# The build sets the compiler cache up itself (CMakeLists.txt); only its size is ours to give.
qb_ccache_env() {
  command -v ccache >/dev/null || return 0
  local limit
  limit=$(ccache -k max_size 2>/dev/null || echo 0)
  case "$limit" in
    *G|*T) [ "${limit%%.*}" -ge 10 ] 2>/dev/null && return 0 ;;
  esac
  ccache -M 20G >/dev/null
}

# Parallel jobs: QB_JOBS when set (a shared machine), else every core.
qb_jobs() {
  if [ -n "${QB_JOBS:-}" ]; then echo "$QB_JOBS"; else nproc 2>/dev/null || echo 2; fi
}

# Seconds since the epoch, for the timings the scripts print.
qb_now() { date +%s; }

# The optimisation the program is built with. scripts/run.sh adds -DNDEBUG; the optimised test
# build keeps the assertions, so the suite runs the code users run with its checks on.
QB_OPT_FLAGS="-O2 -g1"
