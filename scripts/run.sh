#!/usr/bin/env bash
# Installs what the program needs, builds it and starts it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
"$top/scripts/install-deps.sh"
cmake -S "$top" -B "$top/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_TESTS=OFF >/dev/null
cmake --build "$top/build" -j"$(nproc)"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: Velmora is a desktop program and needs one to start." >&2
  echo "Built at $top/build/velmora. Run the tests without a display: scripts/test.sh" >&2
  exit 1
fi
exec "$top/build/velmora" </dev/null
