#!/usr/bin/env bash
# Sets Tarvix up on a Debian 12 machine, then runs it or its tests.
#   ./build.sh run    install what is missing, build the programs, make a sample store if none, start the program
#   ./build.sh test   install what is missing, build everything (tests, benchmarks), run every test
# TARVIX_DRY_RUN=1 prints the build commands instead of running them, and starts nothing.
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
build="${TARVIX_BUILD_DIR:-$here/build}"
runDir="$here/run"

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-translations-l10n libgl-dev libsqlite3-dev libbenchmark-dev sqlite3
  fonts-dejavu-core fonts-liberation2
  xvfb xauth xdotool imagemagick desktop-file-utils appstream
  clang-14 libclang-rt-14-dev
  mdbtools mdbtools-dev
  libstemmer-dev libzip-dev
  scdoc man-db lintian libxml2-utils bash-completion
  texlive-latex-base texlive-lang-european lmodern libpoppler-qt6-dev
  libpq-dev postgresql openssl
  openssh-server sshfs
)
# What `run` needs: the two editions and the companion tool, no test program.
programs=(tarvix tarvix-1.00.0005 tarvix-db)
dry="${TARVIX_DRY_RUN:-}"
# Runs a command, or only shows it on a dry run.
do_() {
  if [ -n "$dry" ]; then echo "$*"; else "$@"; fi
}
# Node and npm for the tests' second reader of old Access files; this machine's own stay.
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)

install_missing() {
  [ -n "$dry" ] && return 0
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Se instalează: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# compile [TARGET...]: configures, then builds those targets, or everything when none is named.
compile() {
  local launcher=() targets=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  [ $# -gt 0 ] && targets=(--target "$@")
  do_ cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}"
  do_ cmake --build "$build" -j "$(nproc)" "${targets[@]}"
}

# mdb-reader, pinned, in the build folder: the Jet writer's test reads its files with it.
mdb_reader() {
  command -v node >/dev/null && command -v npm >/dev/null || return 0
  [ -e "$build/npm/node_modules/mdb-reader/package.json" ] && return 0
  npm install --no-audit --no-fund --prefix "$build/npm" mdb-reader@3.2.0 \
    || echo "Nu am putut instala mdb-reader: testul scriitorului Jet îl va sări." >&2
}

sample_store() {
  mkdir -p "$runDir"
  if [ ! -e "$runDir/Dictionar.mdb" ]; then
    "$build/tools/tarvix-db" sample "$runDir/Dictionar.mdb"
    echo "Am făcut un dicționar de probă: $runDir/Dictionar.mdb"
  fi
}

case "${1:-}" in
  run)
    install_missing
    compile "${programs[@]}"
    [ -n "$dry" ] && exit 0
    sample_store
    cd "$runDir"
    exec "$build/startup/tarvix"
    ;;
  test)
    install_missing
    compile
    [ -n "$dry" ] && exit 0
    mdb_reader
    sample_store
    cd "$build"
    ctest --output-on-failure -j "$(nproc)"
    ;;
  *)
    echo "Folosire: $0 run | test" >&2
    exit 2
    ;;
esac
