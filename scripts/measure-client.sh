#!/usr/bin/env bash
# Measures kelmar beside a bare Qt window, in one run on one X server (Xvfb): the time
# from start to the window on the screen, the resident memory once it stands, and the
# processor time it takes while idle. Builds build-rel (RelWithDebInfo) first.
# Usage: scripts/measure-client.sh [rounds] [idle seconds]      (needs xvfb and xdotool)
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
rounds=${1:-5}
idle=${2:-20}
build=build-rel
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(kelmar_cmake_launcher) >/dev/null
cmake --build "$build" --target kelmar bare_window >/dev/null

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
sleep 1
export DISPLAY=$display XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=xcb
cp -r "$build/out" "$work/kelmar"   # its own folder: the default config.ini is written there

# Processor time of all of a process's threads in nanoseconds, as the scheduler counts
# it (exact, unlike the tick samples of /proc/PID/stat).
cpu_ns_of() { cat /proc/"$1"/task/*/schedstat | awk '{ t += $1 } END { printf "%.0f", t }'; }

# One start of a program: milliseconds to its window, resident KiB, idle % of one core.
measure() {
  local title=$1; shift
  local start pid
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1 &
  pid=$!
  until xdotool search --onlyvisible --name "$title" >/dev/null 2>&1; do sleep 0.005; done
  local shown=$(( ($(date +%s%N) - start) / 1000000 ))
  sleep 3
  local rss
  rss=$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")
  local before
  before=$(cpu_ns_of "$pid")
  sleep "$idle"
  local after
  after=$(cpu_ns_of "$pid")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo "$shown $rss $(awk -v t=$((after - before)) -v s="$idle" 'BEGIN { printf "%.2f", 100 * t / 1e9 / s }')"
}

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for program in bare kelmar; do : >"$work/$program.txt"; done
for round in $(seq "$rounds"); do
  measure "Bare window" "$build/bench/bare_window" >>"$work/bare.txt"
  measure "Kelmar 1.5" "$work/kelmar/kelmar" -noAtom >>"$work/kelmar.txt"
done
printf '%-8s %12s %14s %10s\n' "" "start (ms)" "memory (MiB)" "idle (%)"
for program in bare kelmar; do
  start=$(cut -d' ' -f1 "$work/$program.txt" | median)
  memory=$(cut -d' ' -f2 "$work/$program.txt" | median)
  cpu=$(cut -d' ' -f3 "$work/$program.txt" | median)
  printf '%-8s %12s %14.1f %10s\n' "$program" "$start" "$(awk -v k="$memory" 'BEGIN { print k / 1024 }')" "$cpu"
done
