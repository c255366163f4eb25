#!/usr/bin/env bash
# Measures kelmar beside a bare Qt window, in one run on one X server (Xvfb): the time
# from start to the window on the screen (mapped), the resident memory once it stands, and
# the processor time it takes while idle; kelmar in the quiet configuration (Splash, Skin,
# MainMusic and FxMusic off) and in the default one; and the bare window with one line of
# text, which shows what the toolkit alone costs a window with text. Each figure is a
# median, with the lowest and highest beside it: of `starts` starts for the time to the
# window, of `rounds` rounds for memory and idle time. Builds build-rel (RelWithDebInfo)
# first, and runs in a session of its own with a message bus.
# Usage: scripts/measure-client.sh [rounds] [idle seconds] [starts]
set -euo pipefail
self=$(realpath "$0")
cd "$(dirname "$0")/.."
source scripts/setup.sh
kelmar_install_missing xvfb python3-xlib dbus-daemon
# Inside a session with a message bus, as a desktop has: the toolkit's accessibility
# bridge asks for the session bus once per program, and without one the bus library
# forks the program to try to launch one, a cost no player on a desktop pays.
if [[ -z ${DBUS_SESSION_BUS_ADDRESS:-} ]]; then
  exec dbus-run-session -- "$self" "$@" 2> >(grep -v 'Failed to set fd limit' >&2)
fi
rounds=${1:-5}
idle=${2:-20}
starts=${3:-25}
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

# A program of the comparison by its name: the title its window has, then its command.
program_of() {
  case $1 in
    bare) echo "Bare window|$build/bench/bare_window" ;;
    text) echo "Bare window|$build/bench/bare_window text" ;;
    *) echo "Kelmar 1.5|$work/$1/kelmar -noAtom" ;;
  esac
}

# Starts a program and prints the milliseconds to its window, the process id beside.
start() {
  local title=${1%%|*} command=${1#*|}
  # shellcheck disable=SC2086 # the command's words
  scripts/time-to-window.py "$title" $command
}

# One start timed: the program goes again half a second after its window is mapped.
time_start() {
  local shown pid
  read -r shown pid < <(start "$1")
  sleep 0.5
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo "$shown"
}

# One program's resident KiB and idle % of one core, taken once the banner's first loop
# (10 s) has decoded its frames.
measure_idle() {
  local shown pid
  read -r shown pid < <(start "$1")
  sleep 12
  local rss
  rss=$(awk '/VmRSS/ { print $2 }' "/proc/$pid/status")
  local before
  before=$(cpu_ns_of "$pid")
  sleep "$idle"
  local after
  after=$(cpu_ns_of "$pid")
  kill "$pid"; wait "$pid" 2>/dev/null || true
  echo "$rss $(awk -v t=$((after - before)) -v s="$idle" 'BEGIN { printf "%.2f", 100 * t / 1e9 / s }')"
}

# The median of a column of numbers, with the lowest and the highest.
spread() { sort -n | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
  printf "%s (%s-%s)", m, v[1], v[NR] }'; }
mib() { awk '{ printf "%.1f\n", $1 / 1024 }'; }

programs=(bare text quiet default)
for program in "${programs[@]}"; do : >"$work/$program.start"; : >"$work/$program.idle"; done
# The starts, the programs in turn in quick succession, so that each finds the machine as
# the others do: starts half a minute apart, as the memory rounds are, gave medians that
# moved by a fifth from one run to the next.
for round in $(seq "$starts"); do
  for program in "${programs[@]}"; do time_start "$(program_of "$program")" >>"$work/$program.start"; done
done
for round in $(seq "$rounds"); do
  for program in "${programs[@]}"; do measure_idle "$(program_of "$program")" >>"$work/$program.idle"; done
done
printf '%-8s %22s %22s %20s\n' "" "start (ms)" "memory (MiB)" "idle (% of a core)"
for program in "${programs[@]}"; do
  printf '%-8s %22s %22s %20s\n' "$program" "$(spread <"$work/$program.start")" \
    "$(cut -d' ' -f1 "$work/$program.idle" | mib | spread)" "$(cut -d' ' -f2 "$work/$program.idle" | spread)"
done
