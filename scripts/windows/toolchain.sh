#!/usr/bin/env bash
# Builds, once, what Velmora needs for 64-bit Windows from Debian's packages and source packages and
# nothing else: Qt 6 (Core, Gui, Widgets, PrintSupport, Sql with SQLite, Test; the windows platform,
# the Windows styles, the JPEG and SQLite plugins), SQLite, libzip and libxlsxwriter, with Debian's
# mingw-w64 and its zlib. Everything goes to a cache folder outside the checkout, one folder per set
# of versions, reused while they match.
#
#   toolchain.sh           build what is missing, then say what is there
#   toolchain.sh --where   print the install prefix of the current set of versions (nothing built)
#
# The cache root is $VELMORA_MINGW_CACHE, else /opt/velmora-mingw when writable, else
# ~/.cache/velmora-mingw.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
here="$top/scripts/windows"
# Bump when the build recipe below changes, so that a new folder is built beside the old one.
recipe=1

if [ -n "${VELMORA_MINGW_CACHE:-}" ]; then
  root=$VELMORA_MINGW_CACHE
elif mkdir -p /opt/velmora-mingw 2>/dev/null && [ -w /opt/velmora-mingw ]; then
  root=/opt/velmora-mingw
else
  root=${XDG_CACHE_HOME:-$HOME/.cache}/velmora-mingw
fi

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

# The source packages come from the same archive as the binary ones: add its deb-src entry once.
ensure_sources() {
  local src=/etc/apt/sources.list.d/velmora-deb-src.sources
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ /etc/apt/sources.list 2>/dev/null; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources |
      "${sudo_cmd[@]}" tee "$src" >/dev/null
    "${sudo_cmd[@]}" apt-get update -q </dev/null
  fi
}

ensure_packages() {
  local missing=() p
  mapfile -t wanted < <(grep -v -e '^#' -e '^[[:space:]]*$' "$here/debian-packages.txt")
  for p in "${wanted[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -q </dev/null
    "${sudo_cmd[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}" </dev/null
  fi
}

installed_version() { dpkg-query -W -f='${Version}' "$1"; }
source_version() {
  apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/ {print $2}' | sort -V | tail -1
}

ensure_packages
ensure_sources
# Qt's cross build runs the build machine's moc, rcc and uic: the source must be their version.
qt_v=$(installed_version qt6-base-dev-tools)
zip_v=$(source_version libzip)
sqlite_v=$(source_version sqlite3)
xlsx_v=$(source_version libxlsxwriter)
gcc_v=$(installed_version g++-mingw-w64-x86-64-posix)
zlib_v=$(installed_version libz-mingw-w64-dev)
key="qt${qt_v}_zip${zip_v}_sqlite${sqlite_v}_xlsxwriter${xlsx_v}_gcc${gcc_v}_zlib${zlib_v}_r${recipe}"
key=${key//[:~]/-}
dir="$root/$key"
prefix="$dir/prefix"
stamp="$prefix/velmora-toolchain.txt"

if [ "${1:-}" = "--where" ]; then
  echo "$prefix"
  exit 0
fi
if [ -f "$stamp" ]; then
  echo "== Windows toolchain: reusing $prefix"
  cat "$stamp"
  exit 0
fi

echo "== Windows toolchain: building into $dir"
# An interrupted build goes on where it stopped: the build trees stay until everything is installed.
mkdir -p "$dir/src" "$dir/build" "$prefix"
rm -f "$dir/build/times.txt"
jobs=$(nproc)
toolchain_file="$top/cmake/mingw-w64.cmake"
build=(nice -n 10)
started=$(date +%s)
step_started=$started
log() {
  local now
  now=$(date +%s)
  printf '%-60s %4d s\n' "$1" $((now - step_started)) | tee -a "$dir/build/times.txt"
  step_started=$now
}

# The unpacked source of a package at the version named: fetched and unpacked (patches applied) once.
source_of() {
  local found
  found=$(find "$dir/src" -maxdepth 1 -type d -name "$1-*" | head -1)
  if [ -z "$found" ]; then
    (cd "$dir/src" && apt-get source -q "$1=$2" >/dev/null)
    found=$(find "$dir/src" -maxdepth 1 -type d -name "$1-*" | head -1)
  fi
  [ -n "$found" ] || { echo "no source of $1 $2" >&2; exit 1; }
  echo "$found"
}
qt_src=$(source_of qt6-base "$qt_v")
zip_src=$(source_of libzip "$zip_v")
sqlite_src=$(source_of sqlite3 "$sqlite_v")
xlsx_src=$(source_of libxlsxwriter "$xlsx_v")
log "Debian source packages"

# zlib is linked in statically everywhere, so that no zlib1.dll ships.
zlib_a=/usr/x86_64-w64-mingw32/lib/libz.a
cross=(-G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain_file" -DVELMORA_MINGW_PREFIX="$prefix"
  -DCMAKE_INSTALL_PREFIX="$prefix" -DCMAKE_BUILD_TYPE=Release)

# SQLite: the source package holds the parts; its own build joins them into the one file sqlite3.c.
mkdir -p "$dir/build/sqlite-host" "$prefix/include" "$prefix/lib"
if [ ! -f "$dir/build/sqlite-host/sqlite3.c" ]; then
  (cd "$dir/build/sqlite-host" && "$sqlite_src/configure" >/dev/null && "${build[@]}" make -s sqlite3.c >/dev/null)
fi
[ -f "$dir/build/sqlite3.o" ] || "${build[@]}" x86_64-w64-mingw32-gcc-posix -O2 -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_COLUMN_METADATA \
  -DSQLITE_OMIT_LOAD_EXTENSION -c "$dir/build/sqlite-host/sqlite3.c" -o "$dir/build/sqlite3.o"
x86_64-w64-mingw32-ar rcs "$prefix/lib/libsqlite3.a" "$dir/build/sqlite3.o"
cp "$dir/build/sqlite-host/sqlite3.h" "$dir/build/sqlite-host/sqlite3ext.h" "$prefix/include/"
log "SQLite $sqlite_v (static)"

# libzip: a DLL with zlib inside; the Windows crypto API for its (unused) encryption.
cmake -S "$zip_src" -B "$dir/build/libzip" "${cross[@]}" -DBUILD_SHARED_LIBS=ON \
  -DZLIB_LIBRARY="$zlib_a" -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include \
  -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_GNUTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_MBEDTLS=OFF \
  -DENABLE_COMMONCRYPTO=OFF -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF \
  -DBUILD_DOC=OFF >/dev/null
"${build[@]}" cmake --build "$dir/build/libzip" -j"$jobs" >/dev/null
cmake --install "$dir/build/libzip" >/dev/null
log "libzip $zip_v (DLL)"

# libxlsxwriter: a DLL with its bundled minizip and zlib inside.
cmake -S "$xlsx_src" -B "$dir/build/libxlsxwriter" "${cross[@]}" -DBUILD_SHARED_LIBS=ON \
  -DZLIB_LIBRARY="$zlib_a" -DZLIB_INCLUDE_DIR=/usr/x86_64-w64-mingw32/include \
  -DUSE_SYSTEM_MINIZIP=OFF -DBUILD_TESTS=OFF -DBUILD_EXAMPLES=OFF >/dev/null
"${build[@]}" cmake --build "$dir/build/libxlsxwriter" -j"$jobs" >/dev/null
cmake --install "$dir/build/libxlsxwriter" >/dev/null
log "libxlsxwriter $xlsx_v (DLL)"

# Qt: only the modules and plugins the program and its tests use. Debian's source drops the bundled
# wintab.h, so tablet events are off; the windows platform plugin needs OpenGL (loaded at run time),
# and the print engine needs the DirectWrite font engine, which Qt builds only with Direct2D on.
cmake -S "$qt_src" -B "$dir/build/qt" "${cross[@]}" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF \
  -DFEATURE_dbus=OFF -DFEATURE_tabletevent=OFF -DFEATURE_network=OFF -DFEATURE_xml=OFF \
  -DFEATURE_concurrent=OFF -DFEATURE_vulkan=OFF -DFEATURE_direct2d=ON -DFEATURE_icu=OFF \
  -DFEATURE_system_zlib=OFF -DFEATURE_system_jpeg=OFF -DFEATURE_system_png=OFF \
  -DFEATURE_system_pcre2=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_freetype=OFF \
  -DFEATURE_sql_sqlite=ON -DINPUT_sqlite=system -DFEATURE_system_sqlite=ON \
  -DSQLite3_INCLUDE_DIR="$prefix/include" -DSQLite3_LIBRARY="$prefix/lib/libsqlite3.a" \
  -DFEATURE_sql_odbc=OFF -DFEATURE_sql_psql=OFF -DFEATURE_sql_mysql=OFF -DFEATURE_sql_ibase=OFF \
  -DFEATURE_sql_oci=OFF -DFEATURE_sql_db2=OFF >"$dir/build/qt-configure.log"
"${build[@]}" cmake --build "$dir/build/qt" -j"$jobs" >"$dir/build/qt-build.log"
cmake --install "$dir/build/qt" >/dev/null
log "Qt $qt_v (Core Gui Widgets PrintSupport Sql Test OpenGL)"

for p in platforms/qwindows styles/qwindowsvistastyle imageformats/qjpeg sqldrivers/qsqlite; do
  [ -f "$prefix/plugins/$p.dll" ] || { echo "missing plugin $p.dll" >&2; exit 1; }
done
total=$(($(date +%s) - started))
{
  echo "Built $(date -u +%Y-%m-%dT%H:%MZ) on $(nproc) cores in $((total / 60)) min $((total % 60)) s:"
  cat "$dir/build/times.txt"
  echo "Qt plugins: $(cd "$prefix/plugins" && find . -name '*.dll' | sed 's|^\./||' | sort | tr '\n' ' ')"
} >"$stamp.tmp"
mv "$stamp.tmp" "$stamp"
cat "$stamp"
# The build trees are large and not needed once installed.
rm -rf "$dir/build"
