#!/usr/bin/env bash
# One entry point for setting up, building, testing and trying ZerelTool.
#   ./run.sh test         install what is missing, build, run the whole suite
#   ./run.sh demo         build and show the tool working against the simulated DTU
#   ./run.sh sanitizers   core suites under AddressSanitizer+UBSan, then ThreadSanitizer
#   ./run.sh fuzz [SECS]  libFuzzer targets for SECS seconds each (default 60)
#   ./run.sh bench        build and run the benchmarks
#   ./run.sh build        configure and build only
#   ./run.sh setup        install the Debian packages the project needs
set -euo pipefail
cd "$(dirname "$0")"

PACKAGES=(cmake ninja-build g++ clang libclang-rt-14-dev pkg-config
          libgtest-dev libgmock-dev libbenchmark-dev
          qt6-base-dev libgl1-mesa-dev libxkbcommon-dev
          xvfb xauth fonts-wqy-microhei socat)
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
  configure build "$@"
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

# Starts the simulated DTU in the background with its tty linked at $1;
# it ends when this script does.
start_simulator() {
  local link=$1; shift
  build/bin/dtusim --link "$link" "$@" >/dev/null &
  SIM_PID=$!
  trap 'kill $SIM_PID 2>/dev/null; wait $SIM_PID 2>/dev/null' EXIT
  local i
  for i in $(seq 50); do [ -e "$link" ] && return 0; sleep 0.1; done
  echo "the simulated DTU did not start" >&2
  exit 1
}

demo() {
  build
  local dir
  dir=$(mktemp -d)
  start_simulator "$dir/dtu"
  echo "== simulated DTU on $(readlink "$dir/dtu"); zereltool-cli read:"
  (cd "$dir" && "$OLDPWD/build/bin/zereltool-cli" --settings "$dir/tool_set.ini" -p "$dir/dtu" -b 115200 read)
}

cmd=${1:-help}
[ $# -gt 0 ] && shift
case "$cmd" in
  setup) setup ;;
  build) setup; build "$@" ;;
  test) setup; run_tests ;;
  sanitizers) setup; sanitizers ;;
  fuzz) setup; fuzz "$@" ;;
  bench) setup; bench ;;
  demo) setup; demo "$@" ;;
  *) sed -n '2,10p' "$0"; exit 2 ;;
esac
