#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz and runs each for FUZZ_SECONDS
# (20 by default) on a scratch copy of its seed corpus, two at a time. Fails on any
# crash, leak, timeout or sanitizer report; the input that did it is left in
# build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
seconds=${FUZZ_SECONDS:-20}
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELMAR_TESTS=OFF \
  -DKELMAR_FUZZ=ON $(kelmar_cmake_launcher) >/dev/null
# The compiler cache does not read the list of what goes uncounted: it hashes it here.
CCACHE_EXTRAFILES=$PWD/tests/fuzz/coverage-ignore.txt cmake --build "$build" --target fuzzers
mkdir -p "$build/findings"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=suppressions=$PWD/tests/fuzz/lsan.supp

run_one() {
  local target=$1 seconds=$2 build=$3
  local name=${target##*/}
  local scratch
  scratch=$(mktemp -d)
  trap 'rm -rf "$scratch"' RETURN
  # The shipped skin joins the skin seeds when a build has drawn it.
  if [ "$name" = fuzz_skin ]; then
    for skin in build-test/out/Resource/mxskin11.skin build/out/Resource/mxskin11.skin; do
      [ -f "$skin" ] && cp "$skin" "$scratch/shipped-${skin%%/*}.skin"
    done
  fi
  # fuzz_server's inputs stay within 256 bytes, two or three games: enough for a short
  # match won and a seat taken back, and runs with 512 and 1024 bytes reached no edge
  # more while each input took longer with its length (0.25 ms at 196 bytes, 0.8 ms near
  # 1 KiB). Its rare-feature threshold is lower than libFuzzer's 255: with that, the
  # look-ups in the list of rare features took 40 % of each run.
  local options=()
  [ "$name" = fuzz_server ] && options=(-max_len=256 -entropic_feature_frequency_threshold=32)
  if "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2560 -print_final_stats=1 "${options[@]}" \
       -artifact_prefix="$build/findings/$name-" "$scratch" "tests/fuzz/corpus/${name#fuzz_}" \
       >"$build/findings/$name.log" 2>&1; then
    echo "$name: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$build/findings/$name.log" | grep -o '[0-9]*$') runs, no finding"
  else
    echo "$name: FAILED"; tail -40 "$build/findings/$name.log"; return 1
  fi
}
export -f run_one
ls "$build"/fuzz/fuzz_* | xargs -P 2 -I{} bash -c 'run_one "$@"' _ {} "$seconds" "$build"
