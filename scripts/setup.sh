#!/usr/bin/env bash
# Set up a fresh Debian 12 machine, build, and then either start the program or run every test.
#   scripts/setup.sh run    install what is missing, build, start rozedoz
#   scripts/setup.sh test   install what is missing, build, run every test (plus a sanitizer build
#                           and a fixed-time fuzz run)
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-run}

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

# Debian packages the build, the tests and the program need.
PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev qt6-serialport-dev libgl-dev
  fonts-noto-cjk xvfb xauth
  hershey-fonts-data
  # TIFF scans; ImageMagick draws the scans of the tests, potrace is the scan benchmark's yardstick.
  qt6-image-formats-plugins imagemagick potrace
  libcups2-dev
  # Test oracles: an HPGL renderer for the cutter test page, socat for TCP jobs and the serial
  # tablet's pseudo-terminals, locales for the decimal-comma check of the job streams, pdftotext
  # for the help text's PDF print.
  hp2xx socat locales poppler-utils
  # DXF files are checked against ezdxf (imported from /usr/bin/python3).
  python3-ezdxf
  # The design tests check outlines against GEOS.
  libgeos-dev
  # 叠板 unites outlines with Clipper; the material tests check the lattice for overlaps with it.
  libpolyclipping-dev
  # The fuzz run of the test command: clang with libFuzzer.
  clang libclang-rt-14-dev
)
# The stroke font brelan.fnt is generated during the build from hershey-fonts-data and the npm
# package hanzi-writer-data (tools/fontgen). Debian's npm clashes with other Node.js builds
# that bring their own npm, so it is installed only when there is none.
command -v npm >/dev/null 2>&1 || PACKAGES+=(nodejs npm)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

# A locale that writes decimal commas, for the locale-independence tests.
locale -a 2>/dev/null | grep -qi '^de_DE.utf8$' || $SUDO localedef -i de_DE -f UTF-8 de_DE.UTF-8 || true

jobs=$(nproc)
# For the test command this tree holds the window's and the CLI's tests and the device tests
# under the thread sanitizer (test_devices_tsan); the libraries' unit tests are built once, in
# the sanitizer tree below.
extra=()
[ "$mode" = test ] && extra+=(-DROZEDOZ_TSAN_DEVICES=ON -DROZEDOZ_UNIT_TESTS=OFF)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${extra[@]}"
cmake --build build -j "$jobs"

case "$mode" in
  run)
    if [ -x build/src/app/rozedoz ]; then
      exec build/src/app/rozedoz "${@:2}"
    fi
    # Until the window exists, show what the command-line tool reads from the sample pattern.
    exec build/tools/cli/rozedoz-cli stats examples/sample.XIE
    ;;
  test)
    # The window's tests need no display.
    export QT_QPA_PLATFORM=offscreen
    (cd build && ctest --output-on-failure -j "$jobs")
    # Every library's unit tests under the address and UB sanitizers (the readers face hostile
    # files), built with clang and libFuzzer's coverage so that the same libraries serve the fuzz
    # targets.
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
      -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1 -DNDEBUG" -DROZEDOZ_FUZZ=ON -DROZEDOZ_APP=OFF -DROZEDOZ_BENCH=OFF
    cmake --build build-asan -j "$jobs"
    (cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -j "$jobs")
    # Every reader and the after-load steps under libFuzzer for a fixed time: a crash, a leak or
    # a slow input fails the run.
    FUZZ_BUILD_DIR=build-asan scripts/fuzz.sh 30
    ;;
  *)
    echo "usage: scripts/setup.sh run|test" >&2
    exit 2
    ;;
esac
