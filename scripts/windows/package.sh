#!/usr/bin/env bash
# Gathers the Windows program from a cross build with everything it loads, then makes the installer
# (velmora-<version>-setup.exe, with NSIS) and a portable .zip of the same files.
#
#   package.sh BUILD_DIR QT_PREFIX OUT_DIR
#
# The DLLs shipped are found by following the import tables of the programs and plugins, so that
# nothing they load is missing and nothing else is shipped.
set -euo pipefail
build=$(cd "$1" && pwd)
prefix=$(cd "$2" && pwd)
out=$(mkdir -p "$3" && cd "$3" && pwd)
top=$(cd "$(dirname "$0")/../.." && pwd)
version=$(sed -n 's/^project(Velmora VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
stage="$out/stage/Velmora"
rm -rf "$out/stage" "$out/nsis"
mkdir -p "$stage" "$out/nsis"

cmake --install "$build" --prefix "$out/stage/install" >/dev/null
cp "$out/stage/install/bin/velmora.exe" "$out/stage/install/bin/velmora-cli.exe" \
  "$out/stage/install/bin/help.txt" "$stage/"
x86_64-w64-mingw32-strip "$stage/velmora.exe" "$stage/velmora-cli.exe"
rm -rf "$out/stage/install"
cp "$top/packaging/windows/qt.conf" "$stage/"
mkdir -p "$stage/examples" "$stage/translations"
cp "$top/examples/payees.xlsx" "$stage/examples/"
# Qt's own Chinese texts (printer and file dialogs, message-box buttons): Debian's .qm files are the
# same on every system.
cp /usr/share/qt6/translations/qtbase_zh_CN.qm "$stage/translations/"
for plugin in platforms/qwindows styles/qwindowsvistastyle imageformats/qjpeg sqldrivers/qsqlite; do
  mkdir -p "$stage/$(dirname "$plugin")"
  cp "$prefix/plugins/$plugin.dll" "$stage/$plugin.dll"
done

# Where the DLLs are looked for, in order; system DLLs (found in none) stay out.
search=("$prefix/bin" /usr/lib/gcc/x86_64-w64-mingw32/12-posix /usr/x86_64-w64-mingw32/lib)
declare -A seen=()
queue=()
while IFS= read -r -d '' f; do queue+=("$f"); done < <(find "$stage" -name '*.exe' -print0 -o -name '*.dll' -print0)
while [ ${#queue[@]} -gt 0 ]; do
  file=${queue[0]}
  queue=("${queue[@]:1}")
  while read -r dll; do
    key=${dll,,}
    [ -n "${seen[$key]:-}" ] && continue
    seen[$key]=1
    for dir in "${search[@]}"; do
      if [ -f "$dir/$dll" ]; then
        cp "$dir/$dll" "$stage/"
        queue+=("$stage/$dll")
        break
      fi
    done
  done < <(x86_64-w64-mingw32-objdump -p "$file" | sed -n 's/^\s*DLL Name: //p')
done
find "$stage" -name '*.dll' ! -name 'lib*-[0-9].dll' -exec x86_64-w64-mingw32-strip --strip-unneeded {} +

# The portable .zip: the same folder.
zip_file="$out/velmora-$version-windows-x64.zip"
rm -f "$zip_file"
(cd "$out/stage" && zip -q -r -9 "$zip_file" Velmora)

# The installer's file lists: folders created in order, files removed before their folders.
{
  (cd "$stage" && find . -type d | sort) | while read -r d; do
    d=${d#./}
    [ "$d" = . ] && continue
    echo "CreateDirectory \"\$INSTDIR\\${d//\//\\}\""
  done
  (cd "$stage" && find . -type f | sort) | while read -r f; do
    f=${f#./}
    echo "File \"/oname=${f//\//\\}\" \"$stage/$f\""
  done
} >"$out/nsis/files.nsh"
{
  (cd "$stage" && find . -type f | sort) | while read -r f; do
    f=${f#./}
    echo "Delete \"\$INSTDIR\\${f//\//\\}\""
  done
  (cd "$stage" && find . -mindepth 1 -type d | sort -r) | while read -r d; do
    d=${d#./}
    echo "RMDir \"\$INSTDIR\\${d//\//\\}\""
  done
} >"$out/nsis/unfiles.nsh"

setup="$out/velmora-$version-setup.exe"
cp "$top/packaging/windows/velmora.nsi" "$top/packaging/windows/velmora.ico" "$out/nsis/"
makensis -V2 -DVERSION="$version" -DOUTFILE="$setup" -DFILES="$out/nsis/files.nsh" \
  -DUNFILES="$out/nsis/unfiles.nsh" "$out/nsis/velmora.nsi"
echo "Installer: $setup ($(du -k "$setup" | cut -f1) KiB); portable: $zip_file ($(du -k "$zip_file" | cut -f1) KiB);" \
  "$(find "$stage" -type f | wc -l) files"
