#!/usr/bin/env bash
# Builds the Debian package (build-pkg/velmora_VERSION_ARCH.deb) from a release build and checks it.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
build="$top/build-pkg"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && rm -f ./*.deb && cpack >/dev/null)
deb=$(ls "$build"/velmora_*.deb)
echo "Built $deb"
"$top/tests/package/check_package.sh" "$deb"
