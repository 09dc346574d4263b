#!/usr/bin/env bash
# One entry point for setting up, building, testing and trying ZerelTool.
#   ./run.sh test         install what is missing, build, run the whole suite
#   ./run.sh demo         build, start the simulated DTU and open the main window on it
#   ./run.sh screenshot [FILE]  the main window connected to the simulated DTU, as a PNG (Xvfb)
#   ./run.sh sanitizers   core suites under AddressSanitizer+UBSan, then ThreadSanitizer
#   ./run.sh fuzz [SECS]  libFuzzer targets for SECS seconds each (default 60)
#   ./run.sh bench        build and run the benchmarks
#   ./run.sh build        configure and build only
#   ./run.sh package      build build/zereltool_<version>_amd64.deb and check it with lintian
#   ./run.sh setup        install the Debian packages the project needs
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
          libgtest-dev libgmock-dev libbenchmark-dev
          libudev-dev nlohmann-json3-dev libcli11-dev libsqlite3-dev libssl-dev libpq-dev postgresql
          qt6-base-dev qt6-charts-dev libqt6opengl6-dev libgl1-mesa-dev libxkbcommon-dev
          xvfb xauth fonts-wqy-microhei socat ser2net
          dpkg-dev file help2man lintian)
JOBS=${JOBS:-$(nproc)}

setup() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing Debian packages: ${missing[*]}" >&2
    echo "run as root, or: sudo apt-get install ${missing[*]}" >&2
    exit 1
  fi
  echo "installing: ${missing[*]}"
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure DIR [cmake options...]
configure() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
}

build() {
  # The full build, whatever an earlier configure of build/ chose.
  configure build -DZT_WITH_GUI=ON -DZT_WITH_TESTS=ON -DZT_WITH_BENCH=ON -DZT_SANITIZE= "$@"
  cmake --build build -j "$JOBS"
}

run_tests() {
  build
  ctest --test-dir build --output-on-failure -j "$JOBS"
}

sanitizers() {
  local common=(-DZT_WITH_GUI=OFF -DZT_WITH_BENCH=OFF -DCMAKE_BUILD_TYPE=Debug)
  configure build-asan "${common[@]}" "-DZT_SANITIZE=address,undefined"
  cmake --build build-asan -j "$JOBS"
  ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    ctest --test-dir build-asan -L core --output-on-failure -j "$JOBS"
  configure build-tsan "${common[@]}" "-DZT_SANITIZE=thread"
  cmake --build build-tsan -j "$JOBS"
  # ThreadSanitizer needs the address layout it knows; setarch -R keeps the
  # kernel's randomisation out of its way.
  TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
    setarch "$(uname -m)" -R ctest --test-dir build-tsan -L core --output-on-failure -j "$JOBS"
}

fuzz() {
  local seconds=${1:-60}
  configure build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DZT_WITH_FUZZ=ON -DZT_WITH_GUI=OFF \
    -DZT_WITH_TESTS=OFF -DZT_WITH_BENCH=OFF "-DZT_SANITIZE=address,undefined"
  cmake --build build-fuzz -j "$JOBS"
  local target
  for target in build-fuzz/bin/fuzz_*; do
    [ -x "$target" ] || continue
    local corpus="build-fuzz/corpus/$(basename "$target")"
    mkdir -p "$corpus"
    echo "== $(basename "$target"): ${seconds}s"
    "$target" -max_total_time="$seconds" -print_final_stats=1 "$corpus" fuzz/seeds/"$(basename "$target")" 2>&1 | tail -n 5
  done
}

bench() {
  build
  local b
  for b in build/bin/bench_*; do
    [ -x "$b" ] || continue
    echo "== $(basename "$b")"
    "$b"
  done
}

# The Debian package from the normal build: CPack's DEB generator, then
# lintian, which must report no error.
package() {
  build
  rm -f build/zereltool_*.deb
  (cd build && cpack -G DEB >/dev/null)
  local deb
  deb=$(ls build/zereltool_*_amd64.deb)
  lintian --fail-on error --tag-display-limit 0 "$deb"
  echo "package: $deb"
}

# start_dtusim DIR: runs the simulated DTU in the background, its saved
# parameters in DIR; sets DTUSIM_PID and DTUSIM_TTY (the port to open).
start_dtusim() {
  local dir=$1 i
  build/bin/dtusim --state "$dir/dtu_state.ini" >"$dir/dtusim.out" 2>"$dir/dtusim.err" &
  DTUSIM_PID=$!
  for i in $(seq 100); do
    if [ "$(wc -l <"$dir/dtusim.out")" -ge 1 ]; then
      DTUSIM_TTY=$(head -n 1 "$dir/dtusim.out")
      return 0
    fi
    kill -0 "$DTUSIM_PID" 2>/dev/null || break
    sleep 0.1
  done
  echo "dtusim did not start:" >&2
  cat "$dir/dtusim.err" >&2
  return 1
}

stop_dtusim() {
  if [ -n "${DTUSIM_PID:-}" ]; then
    kill "$DTUSIM_PID" 2>/dev/null || true
    wait "$DTUSIM_PID" 2>/dev/null || true
    DTUSIM_PID=
  fi
}

# The window against the simulated DTU: its port is the simulator's
# pseudo-terminal, its settings file and the simulator's saved parameters
# live in build/demo/. Without a display, the command-line front end reads
# the simulated DTU instead.
demo() {
  build
  local dir=build/demo status=0
  mkdir -p "$dir"
  start_dtusim "$dir"
  trap stop_dtusim EXIT
  echo "dtusim (a simulated S3 DTU) answers on $DTUSIM_TTY"
  if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "zereltool: open the port (打开串口), then connect (连接DTU)"
    (cd "$dir" && ../bin/zereltool --port "$DTUSIM_TTY" --settings tool_set.ini "$@") || status=$?
    # File > Exit ends the window with status 112.
    [ "$status" -eq 112 ] && status=0
  else
    echo "no display (DISPLAY is not set): the window cannot open, so here is the"
    echo "command-line front end reading the same simulated DTU; ./run.sh screenshot"
    echo "shows the window under Xvfb"
    (cd "$dir" && ../bin/zereltool-cli --port "$DTUSIM_TTY" --settings tool_set.ini read) || status=$?
  fi
  return "$status"
}

# The main window under Xvfb, connected to the simulated DTU, saved as a PNG.
screenshot() {
  local out=${1:-build/screenshots/main_window.png}
  build
  mkdir -p "$(dirname "$out")"
  out="$(cd "$(dirname "$out")" && pwd)/$(basename "$out")"
  SHOT_DIR=$(mktemp -d)
  trap 'stop_dtusim; rm -rf "$SHOT_DIR"' EXIT
  start_dtusim "$SHOT_DIR"
  local program="$PWD/build/bin/zereltool"
  (cd "$SHOT_DIR" && xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$program" --port "$DTUSIM_TTY" --settings tool_set.ini --screenshot "$out")
  echo "screenshot of the main window after a connect to dtusim: $out"
}

cmd=${1:-help}
[ $# -gt 0 ] && shift
case "$cmd" in
  setup) setup ;;
  build) setup; build "$@" ;;
  package) setup; package ;;
  test) setup; run_tests ;;
  sanitizers) setup; sanitizers ;;
  fuzz) setup; fuzz "$@" ;;
  bench) setup; bench ;;
  demo) setup; demo "$@" ;;
  screenshot) setup; screenshot "$@" ;;
  *) sed -n '2,12p' "$0"; exit 2 ;;
esac
