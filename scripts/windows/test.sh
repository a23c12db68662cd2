#!/usr/bin/env bash
# The Windows program, built here and tested under Wine:
#  1. builds the toolchain once (toolchain.sh), then Velmora and its tests for 64-bit Windows;
#  2. runs the workbook, core, command-line and window tests as Windows programs under Wine, on an
#     X display of their own (Xvfb) with Qt's windows platform;
#  3. prints forms to PDF with the Windows velmora-cli and with the Linux one and compares where every
#     glyph landed (pdftotext -bbox, within 0.1 pt);
#  4. stores a calibration through the program's settings store, finds it in the registry at
#     HKEY_CURRENT_USER\Software\Velmora\Velmora\Collate (X, Y) and sees a print use it; finds the
#     print journal in the user's local application-data folder;
#  5. prints three forms through Wine's print system to a CUPS cups-pdf queue and checks where the ink
#     landed against the Linux program's PDF (as the Linux spooler test does);
#  6. makes the installer and the portable .zip (package.sh), installs silently into a fresh Wine
#     prefix, imports and renders the sample workbook with the installed velmora-cli, starts and
#     closes the installed program, uninstalls and checks that nothing it installed is left.
# Everything is built and kept in build-win/ (work/ holds the PDFs and logs of the last run).
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
here="$top/scripts/windows"
build="$top/build-win"
work="$build/work"
started=$(date +%s)
step_started=$started
figures=()
step() {
  local now
  now=$(date +%s)
  [ -n "${current_step:-}" ] && figures+=("$(printf '%-58s %4d s' "$current_step" $((now - step_started)))")
  step_started=$now
  current_step=$1
  echo "== $1"
}
fail() {
  echo "FAILED: $*" >&2
  exit 1
}
# A check that failed while the later steps can still run: reported, and the run fails at its end.
problems=()
problem() {
  echo "FAILED: $*" >&2
  problems+=("$*")
}

xvfb_pid=""
cleanup() {
  local status=$?
  if declare -F cups_stop >/dev/null; then
    cups_stop
  fi
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k 2>/dev/null || true
  fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null || true
    wait "$xvfb_pid" 2>/dev/null || true
  fi
  exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

step "Windows toolchain"
"$top/scripts/install-deps.sh"
"$here/toolchain.sh"
prefix=$("$here/toolchain.sh" --where)

step "Building Velmora for Windows"
mkdir -p "$build"
cmake -S "$top" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$top/cmake/mingw-w64.cmake" \
  -DVELMORA_MINGW_PREFIX="$prefix" -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake -DCMAKE_BUILD_TYPE=Release \
  -DVELMORA_TESTS=ON -DCMAKE_PROJECT_INCLUDE="$here/probe.cmake" >"$build/configure.log"
if ! nice -n 10 cmake --build "$build" -j"$(nproc)" >"$build/build.log" 2>&1; then
  grep -E 'error|Error' "$build/build.log" | head -20
  fail "the Windows build failed (build-win/build.log)"
fi
warnings=$(grep -c 'warning:' "$build/build.log" || true)
[ "$warnings" -eq 0 ] || echo "warning: the Windows build printed $warnings compiler warnings (build-win/build.log)"

step "Building the Linux velmora-cli to compare with"
cmake -S "$top" -B "$build/linux" -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF >/dev/null
nice -n 10 cmake --build "$build/linux" -j"$(nproc)" --target velmora-cli >/dev/null
linux_cli="$build/linux/tools/velmora-cli"
# The stand-ins that let Windows test programs run Linux's pdftotext and pdffonts under Wine.
mkdir -p "$build/unix-tools"
x86_64-w64-mingw32-gcc-posix -O2 -Wall -Wextra "$here/unix_tool.c" -o "$build/unix-tools/pdftotext.exe" -lshell32
cp "$build/unix-tools/pdftotext.exe" "$build/unix-tools/pdffonts.exe"

step "A fresh Wine prefix on an X display of its own"
winpath() { local p=${1//\//\\}; echo "Z:$p"; }
new_prefix() {
  export WINEPREFIX=$1
  rm -rf "$WINEPREFIX"
  wineboot --init >/dev/null 2>&1
  wineserver -w
  # Wine 8 says Windows 7 unless told otherwise; Qt 6 and the installer want 10 or 11.
  wine reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d win10 /f >/dev/null
  # Wine has no SimSun: the Song face the Linux build uses stands in for it.
  for face in SimSun 宋体; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /t REG_SZ /d 'AR PL UMing CN' /f >/dev/null
  done
}
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=C.UTF-8 LC_ALL=C.UTF-8
display=90
while [ -e "/tmp/.X$display-lock" ] || [ -e "/tmp/.X11-unix/X$display" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 50); do
  if xdotool getdisplaygeometry >/dev/null 2>&1; then break; fi
  sleep 0.1
done
new_prefix "$build/wine"
WINEPATH="$(winpath "$build/unix-tools");$(winpath "$prefix/bin");$(winpath /usr/lib/gcc/x86_64-w64-mingw32/12-posix);$(winpath /usr/x86_64-w64-mingw32/lib)"
export WINEPATH

step "Workbook, core, command-line and window tests under Wine"
# Qt's Chinese texts where the Windows Qt looks for them (the installer puts them beside the program).
mkdir -p "$prefix/translations"
cp -u /usr/share/qt6/translations/qtbase_zh_CN.qm "$prefix/translations/"
# One at a time: the window tests share the one X display, and under Wine without a window manager
# one test's window can take the focus another waits for.
ctest --test-dir "$build" --output-on-failure --timeout 600 </dev/null ||
  fail "a Windows test failed under Wine"

rm -rf "$work"
mkdir -p "$work"
cd "$work"
win_cli() { wine "$build/tools/velmora-cli.exe" "$@"; }
# The words of a PDF with their boxes, a page marker before each page: "x0 y0 x1 y1 text".
words() {
  pdftotext -bbox "$1" - | sed -n -e 's/.*<page .*/page/p' \
    -e 's/.*<word xMin="\([-0-9.]*\)" yMin="\([-0-9.]*\)" xMax="\([-0-9.]*\)" yMax="\([-0-9.]*\)">\(.*\)<\/word>.*/\1 \2 \3 \4 \5/p'
}
# Compares two PDFs word by word: the same texts, every box within 0.1 pt. Prints the largest gap.
same_glyphs() {
  words "$1" >"$1.words"
  words "$2" >"$2.words"
  awk -v a="$1" -v b="$2" '
    NR == FNR { line[FNR] = $0; n = FNR; next }
    {
      if (FNR > n) { print "more words in " b; bad = 1; exit }
      split(line[FNR], w, " ")
      if ($5 != w[5] || ($1 == "page") != (w[1] == "page")) { print "word " FNR ": " line[FNR] " | " $0; bad = 1; exit }
      if ($1 != "page") {
        words++
        for (i = 1; i <= 4; i++) { d = $i - w[i]; if (d < 0) d = -d; if (d > worst) worst = d }
      }
    }
    END {
      if (!bad && FNR != n) { print "fewer words in " b; bad = 1 }
      if (!bad && words == 0) { print "no words"; bad = 1 }
      printf "%d words, largest difference %.3f pt\n", words, worst
      exit bad || worst > 0.1
    }' "$1.words" "$2.words"
}

step "The same forms printed to PDF on Windows and Linux"
form=(--text "1=邮政储蓄代发" --text "3=南京市鼓楼区中山路18号" --text "5=210008" --text "7=13800138000"
  --text "8=工资" --tick 3 --batch "$top/examples/payees.xlsx")
QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$work/xdg" XDG_DATA_HOME="$work/xdg-data" \
  "$linux_cli" render --pdf "$work/linux.pdf" --x 10 --y 10 --no-journal "${form[@]}" >/dev/null
win_cli render --pdf "$work/windows.pdf" --x 10 --y 10 --no-journal "${form[@]}" >/dev/null
if compared=$(same_glyphs "$work/linux.pdf" "$work/windows.pdf"); then
  echo "the sample batch, 20 forms: $compared"
else
  problem "the Windows PDF differs from the Linux one: $compared"
fi

step "The calibration in the registry, the journal in AppData"
registry_key='HKCU\Software\Velmora\Velmora\Collate'
read_back=$(wine "$build/velmora-calibration-probe.exe" 12.5 4 | tr -d '\r')
[ "$read_back" = "12.5 4" ] || fail "the calibration read back is \"$read_back\", not \"12.5 4\""
stored=$(wine reg query "$registry_key" | tr -d '\r')
echo "$stored" | grep -Eq '^\s+X\s+REG_SZ\s+12\.5$' || fail "no X = 12.5 at $registry_key: $stored"
echo "$stored" | grep -Eq '^\s+Y\s+REG_SZ\s+4$' || fail "no Y = 4 at $registry_key: $stored"
echo "stored at $registry_key:$(echo "$stored" | grep REG_ | tr -s ' ')"
# A print to a file without --x/--y uses the stored pair: the same program given it draws the same.
win_cli render --pdf "$work/windows-calibrated.pdf" "${form[@]}" >/dev/null
win_cli render --pdf "$work/windows-given.pdf" --x 12.5 --y 4 --no-journal "${form[@]}" >/dev/null
same_glyphs "$work/windows-given.pdf" "$work/windows-calibrated.pdf" >/dev/null ||
  fail "the Windows program did not print with the calibration stored in the registry"
! same_glyphs "$work/windows.pdf" "$work/windows-calibrated.pdf" >/dev/null ||
  fail "the stored calibration moved nothing"
echo "a print to a file uses it"
user=$(wine cmd /c 'echo %USERNAME%' | tr -d '\r')
journal="$WINEPREFIX/drive_c/users/$user/AppData/Local/Velmora/journal.sqlite"
[ -s "$journal" ] || fail "no print journal at $journal"
recorded=$(sqlite3 "$journal" 'select count(*) from sqlite_master' 2>/dev/null || echo 0)
[ "$recorded" -gt 0 ] || fail "the journal at $journal holds no tables"
printf 'the journal: C:\\users\\%s\\AppData\\Local\\Velmora\\journal.sqlite\n' "$user"

step "Forms printed through CUPS by the Windows program"
# Under Wine the CUPS server's queues are Windows printers: three forms go to a cups-pdf queue through
# Windows' print system, and their ink lands where the Linux program's PDF puts it.
# shellcheck source=../../tests/spool/cups.sh
source "$top/tests/spool/cups.sh"
cups_start
g++ -O2 -fPIC "$top/tests/spool/ink_check.cpp" $(pkg-config --cflags --libs Qt6Gui) -o "$build/ink_check"
batch=(--batch "$top/examples/payees.xlsx" --first-row 19 --x 10 --y 10 --no-journal
  --text 1=李秀英 --text 3=广州市天河区天河北路233号 --text 5=510610 --text 7=13812345678
  --text 8=生日快乐 --tick 0 --tick 6)
QT_QPA_PLATFORM=offscreen "$linux_cli" render "${batch[@]}" --pdf "$work/spool-reference.pdf" >/dev/null
touch "$work/marker"
sleep 1
win_cli render "${batch[@]}" --printer "$CUPS_QUEUE" || fail "the Windows program did not print to $CUPS_QUEUE"
mapfile -t jobs < <(cups_wait_jobs "$work/marker" 3)
[ "${#jobs[@]}" = 3 ] || fail "CUPS holds ${#jobs[@]} documents of the Windows program, not 3"
cups_ink_matches "$build/ink_check" "$work" "$work/spool-reference.pdf" "${jobs[@]}" ||
  fail "the Windows program's ink landed elsewhere than the Linux program's"
cups_stop

step "The installer and the portable .zip"
"$here/package.sh" "$build" "$prefix" "$build/dist"
version=$(sed -n 's/^project(Velmora VERSION \([0-9.]*\).*/\1/p' "$top/CMakeLists.txt")
setup="$build/dist/velmora-$version-setup.exe"

step "Installing, using and uninstalling under Wine"
wineserver -k 2>/dev/null || true
new_prefix "$build/wine-install"
unset WINEPATH
wine "$setup" /S
wineserver -w
installed="$WINEPREFIX/drive_c/Program Files/Velmora"
[ -x "$installed/velmora.exe" ] || [ -f "$installed/velmora.exe" ] || fail "nothing installed in $installed"
(cd "$build/dist/stage/Velmora" && find . -type f | sort) >"$work/staged.txt"
(cd "$installed" && find . -type f ! -name uninstall.exe | sort) >"$work/installed.txt"
diff -u "$work/staged.txt" "$work/installed.txt" || fail "the installed files differ from the staged ones"
start_menu="$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Velmora"
[ -f "$start_menu/Velmora 汇款单打印.lnk" ] || fail "no Start-menu entry in $start_menu"
echo "installed $(wc -l <"$work/installed.txt") files and the Start-menu entry"
cd "$installed"
summary=$(wine ./velmora-cli.exe import examples/payees.xlsx --summary | tr -d '\r')
expected=$(QT_QPA_PLATFORM=offscreen "$linux_cli" import "$top/examples/payees.xlsx" --summary)
[ "$summary" = "$expected" ] || fail "the installed velmora-cli read \"$summary\", not \"$expected\""
wine ./velmora-cli.exe render --pdf "$work/installed.pdf" "${form[@]:0:12}" --batch examples/payees.xlsx \
  --x 10 --y 10 --no-journal >/dev/null
same_glyphs "$work/windows.pdf" "$work/installed.pdf" >/dev/null || fail "the installed velmora-cli drew otherwise"
echo "the installed velmora-cli: $summary; the rendered batch matches the built one"
# The installed program starts, shows its window and leaves when it is closed.
wine ./velmora.exe >"$work/velmora.log" 2>&1 &
app=$!
window=""
for _ in $(seq 300); do
  window=$(xdotool search --onlyvisible --name 'Velmora|汇款' 2>/dev/null | head -1) && [ -n "$window" ] && break
  kill -0 "$app" 2>/dev/null || fail "the installed velmora.exe ended before showing its window"
  sleep 0.2
done
[ -n "$window" ] || fail "the installed velmora.exe showed no window in 60 s"
echo "the installed velmora.exe shows \"$(xdotool getwindowname "$window")\""
import -window root "$work/installed-velmora.png" 2>/dev/null || true
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key --window "$window" alt+F4
for _ in $(seq 150); do kill -0 "$app" 2>/dev/null || break; sleep 0.2; done
kill -0 "$app" 2>/dev/null && fail "the installed velmora.exe did not leave when its window was closed"
wait "$app" || fail "the installed velmora.exe left with status $?"
echo "and leaves when its window is closed"
cd "$work"
wine "$installed/uninstall.exe" /S
wineserver -w
if [ -d "$installed" ] && [ -n "$(find "$installed" -mindepth 1 -print -quit)" ]; then
  fail "the uninstaller left: $(cd "$installed" && find . -mindepth 1 | head)"
fi
[ ! -e "$start_menu" ] || fail "the uninstaller left the Start-menu folder"
echo "the uninstaller removed every file and the Start-menu entry"

step "done"
[ ${#problems[@]} -eq 0 ] || fail "${#problems[@]} check(s) failed: ${problems[*]}"
echo "== Windows figures"
printf '%s\n' "${figures[@]}"
echo "total: $(($(date +%s) - started)) s; installer $(du -k "$setup" | cut -f1) KiB"
