#!/usr/bin/env bash
# Measures kelmar beside a bare Qt window, in one run on one X server (Xvfb): the time
# from start to the window on the screen (mapped), the resident memory once it stands, and
# the processor time it takes while idle; kelmar in the quiet configuration (Splash, Skin,
# MainMusic and FxMusic off) and in the default one; and the bare window with one line of
# text, which shows what the toolkit alone costs a window with text. Each figure is the
# median of the rounds, with the lowest and highest beside it. Builds build-rel
# (RelWithDebInfo) first.
# Usage: scripts/measure-client.sh [rounds] [idle seconds]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/setup.sh
kelmar_install_missing xvfb python3-xlib
rounds=${1:-5}
idle=${2:-20}
build=build-rel
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(kelmar_cmake_launcher) >/dev/null
cmake --build "$build" --target kelmar kelmar_sound bare_window default_config >/dev/null

display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp -noreset >/dev/null 2>&1 &
xvfb=$!
work=$(mktemp -d)
trap 'kill $xvfb 2>/dev/null; rm -rf "$work"' EXIT
sleep 1
export DISPLAY=$display XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=xcb
# Each configuration in a program folder of its own.
for config in quiet default; do
  cp -r "$build/out" "$work/$config"
  cp "$build/packaging/config.ini" "$work/$config/config.ini"
done
sed -i -e 's/^Skin=yes/Skin=no/' -e 's/^FxMusic=yes/FxMusic=no/' "$work/quiet/config.ini"
grep -q '^Skin=no' "$work/quiet/config.ini" && grep -q '^FxMusic=no' "$work/quiet/config.ini"

# Processor time of all of a process's threads in nanoseconds, as the scheduler counts
# it (exact, unlike the tick samples of /proc/PID/stat).
cpu_ns_of() { cat /proc/"$1"/task/*/schedstat | awk '{ t += $1 } END { printf "%.0f", t }'; }

# One start of a program: milliseconds to its window, resident KiB, idle % of one core.
measure() {
  local title=$1; shift
  local shown pid
  read -r shown pid < <(scripts/time-to-window.py "$title" "$@")
  # Memory and idle time once the banner's first loop (10 s) has decoded its frames.
  sleep 12
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

# The median of a column of numbers, with the lowest and the highest.
spread() { sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
  printf "%s (%s-%s)", m, v[1], v[NR] }'; }
mib() { awk '{ printf "%.1f\n", $1 / 1024 }'; }

programs=(bare text quiet default)
for program in "${programs[@]}"; do : >"$work/$program.txt"; done
for round in $(seq "$rounds"); do
  measure "Bare window" "$build/bench/bare_window" >>"$work/bare.txt"
  measure "Bare window" "$build/bench/bare_window" text >>"$work/text.txt"
  for config in quiet default; do
    measure "Kelmar 1.5" "$work/$config/kelmar" -noAtom >>"$work/$config.txt"
  done
done
printf '%-8s %22s %22s %20s\n' "" "start (ms)" "memory (MiB)" "idle (% of a core)"
for program in "${programs[@]}"; do
  printf '%-8s %22s %22s %20s\n' "$program" "$(cut -d' ' -f1 "$work/$program.txt" | spread)" \
    "$(cut -d' ' -f2 "$work/$program.txt" | mib | spread)" "$(cut -d' ' -f3 "$work/$program.txt" | spread)"
done
