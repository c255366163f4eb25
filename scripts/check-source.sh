#!/usr/bin/env bash
# Fails when a source file differs from .clang-format, or when the client's modules
# include each other in a cycle (dependencies run one way: Main wires the modules).
set -euo pipefail
cd "$(dirname "$0")/.."

unformatted=$(git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run 2>&1 | grep -o '^[^: ]*\.\(cpp\|h\):' | sort -u || true)
if [ -n "$unformatted" ]; then
  echo "These files differ from .clang-format (run clang-format -i on them):"
  echo "$unformatted" | tr -d ':'
  exit 1
fi

# One edge "includer included" for every include of another client module; tsort fails
# on a cycle and names it.
modules=$(cd client && ls *.h | sed 's/\.h$//')
edges=$(for file in client/*.cpp client/*.h; do
  from=$(basename "${file%.*}")
  grep -o '^#include "[A-Za-z_]*\.h"' "$file" | sed 's/#include "\(.*\)\.h"/\1/' | while read -r to; do
    if [ "$to" != "$from" ] && grep -qx "$to" <<<"$modules"; then echo "$from $to"; fi
  done
done)
if ! tsort <<<"$edges" >/dev/null 2>/tmp/kelmar-tsort.$$; then
  echo "The client's modules include each other in a cycle:"
  cat /tmp/kelmar-tsort.$$
  rm -f /tmp/kelmar-tsort.$$
  exit 1
fi
rm -f /tmp/kelmar-tsort.$$
echo "Sources: formatted, no include cycle among the client's modules"
