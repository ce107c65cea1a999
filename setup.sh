#!/usr/bin/env bash
# Installs what this project needs from Debian's packages (only what is
# missing, so a second run is quick), then configures and builds it in build/.
#
#   ./setup.sh            install, configure, build what a run needs: arena
#                         (its report viewer inside) and the robot programs
#   ./setup.sh --tests    the same, then everything else: tests, benchmarks
#   ./setup.sh --no-build install only
set -euo pipefail
cd "$(dirname "$0")"

packages=(
  g++ cmake pkg-config make            # the toolchain
  libgtest-dev libgmock-dev            # GoogleTest: every C++ test
  libbenchmark-dev                     # Google Benchmark: bench/
  libmujoco-dev                        # MuJoCo: arena's physics
  libtomlplusplus-dev                  # toml++: world.toml manifests
  nlohmann-json3-dev                   # nlohmann/json: recordings and summary.json
  libcli11-dev                         # CLI11: arena's command line
  libtinyxml2-dev                      # TinyXML-2: what a scene's <size> sets
  libcivetweb-dev                      # civetweb: the live view's HTTP and WebSocket server (arena --view)
  tmux                                 # terminal multiplexer: the interactive flight test
  python3                              # Python: controllers in Python (arena_controller), the install test
  nodejs npm                           # Node.js: bundles the run report's viewer (report/)
  chromium                             # headless browser: the run report's browser test
  clang libclang-rt-14-dev             # clang, libFuzzer and the sanitizer runtimes: fuzz/, .ci/run
  clang-format                         # the one formatting dialect: tools/check_format
  slurm-wlm munge                      # Slurm and its authentication: the sweep-on-a-cluster test (tests/slurm/)
)

missing=()
for p in "${packages[@]}"; do
  # A command already on PATH counts too: some Node.js builds carry npm
  # inside their own package, which then conflicts with Debian's npm.
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
    command -v "$p" > /dev/null || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# --- npm: the run report's front-end (three.js, uPlot, esbuild, playwright-core),
# exactly as pinned by report/package-lock.json; again only when the lock changed.
if [ ! -d report/node_modules ] || [ report/package-lock.json -nt report/node_modules ]; then
  echo "setup: npm ci in report/"
  (cd report && npm ci --no-audit --no-fund --ignore-scripts > /dev/null)
  touch report/node_modules
fi
# --- end npm

what="${1:-}"
case "$what" in
  "" | --tests | --no-build) ;;
  *) echo "setup: unknown option $what (--tests builds the tests too, --no-build only installs)" >&2; exit 2 ;;
esac
[ "$what" = "--no-build" ] && exit 0

build="${BUILD_DIR:-build}"   # another folder lets two builds share one checkout
werror=OFF
[ -n "${CI:-}" ] && werror=ON
mkdir -p "$build"
log="$build/build.log"
: > "$log"

# A first build takes minutes: its progress is shown, one line rewritten in
# place on a terminal, one line per step of ten percent otherwise; the whole
# output goes to the log.
show_progress() {
  local line percent shown=-10
  while IFS= read -r line; do
    printf '%s\n' "$line" >> "$log"
    [[ $line =~ ^\[\ *([0-9]+)%\]\ (.*)$ ]] || continue
    percent=${BASH_REMATCH[1]}
    if [ -t 1 ]; then
      printf '\r\033[Ksetup: %s' "${line:0:$((${COLUMNS:-80} - 8))}"
    elif [ "$percent" -ge $((shown + 10)) ]; then
      echo "setup: $line"
      shown=$percent
    fi
  done
  [ -t 1 ] && printf '\r\033[K'
  return 0
}

build_targets() {  # LABEL TARGET...
  local label=$1
  shift
  echo "setup: building $label"
  cmake --build "$build" -j"$(nproc)" "$@" 2>&1 | show_progress
  [ "${PIPESTATUS[0]}" -eq 0 ] || { tail -n 60 "$log"; exit 1; }
}

echo "setup: configuring $build/"
cmake -S . -B "$build" -DWARNINGS_AS_ERRORS="$werror" >> "$log" 2>&1 || { cat "$log"; exit 1; }
# What `arena run` needs: the arena, every controller the worlds name, and
# the shared library that Python controllers load.
build_targets "the arena and the robot programs" --target arena gate_pilot ir_avoider camera_avoider \
  ir_receiver ir_listener pose_stepper ir_beacon controller_shared
[ "$what" = "--tests" ] && build_targets "the tests and benchmarks"
echo "setup: built into $build/ (log: $log)"
