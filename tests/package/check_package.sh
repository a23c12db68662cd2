#!/usr/bin/env bash
# Checks a built .deb: its runtime packages resolve, the program, velmora-cli and help.txt stand in
# one folder (where the help button looks), the desktop entry and the icon are in place, and the
# unpacked programs start and print.
#   check_package.sh velmora_VERSION_ARCH.deb
set -euo pipefail
deb=$(realpath "$1")
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT

# The package's dependencies can be installed from Debian's archive.
apt-get install --simulate -q "$deb" >"$root/apt.txt" 2>&1 || { cat "$root/apt.txt"; echo "dependencies do not resolve"; exit 1; }

dpkg-deb -x "$deb" "$root/fs"
program=$(readlink -f "$root/fs/usr/bin/velmora" 2>/dev/null || true)
[ -n "$program" ] || { echo "no /usr/bin/velmora"; exit 1; }
# The links in /usr/bin are relative, so they resolve inside the unpacked tree.
case "$program" in "$root"/fs/*) ;; *) echo "velmora links outside the package: $program"; exit 1 ;; esac
dir=$(dirname "$program")
for f in velmora velmora-cli help.txt; do
  [ -f "$dir/$f" ] || { echo "missing $dir/$f"; exit 1; }
done
[ -x "$root/fs/usr/bin/velmora-cli" ] || { echo "velmora-cli is not on the path"; exit 1; }
[ -f "$root/fs/usr/share/applications/velmora.desktop" ] || { echo "no desktop entry"; exit 1; }
[ -f "$root/fs/usr/share/icons/hicolor/48x48/apps/velmora.png" ] || { echo "no icon"; exit 1; }
[ -f "$root/fs/usr/share/doc/velmora/examples/payees.xlsx" ] || { echo "no sample workbook"; exit 1; }
grep -q '^Exec=velmora$' "$root/fs/usr/share/applications/velmora.desktop" || { echo "bad Exec line"; exit 1; }

export QT_QPA_PLATFORM=offscreen XDG_CONFIG_HOME="$root/config" XDG_RUNTIME_DIR="$root/runtime"
mkdir -p "$XDG_RUNTIME_DIR"; chmod 700 "$XDG_RUNTIME_DIR"

# The unpacked command line prints the sample batch.
"$root/fs/usr/bin/velmora-cli" render --pdf "$root/forms.pdf" --x 10 --y 10 \
  --batch "$root/fs/usr/share/doc/velmora/examples/payees.xlsx"
pages=$(pdfinfo "$root/forms.pdf" | awk '/^Pages:/ {print $2}')
[ "$pages" = 20 ] || { echo "the sample printed $pages pages, not 20"; exit 1; }

# The unpacked program starts and keeps running until it is stopped.
set +e
timeout 3 "$root/fs/usr/bin/velmora" >"$root/run.txt" 2>&1
status=$?
set -e
[ "$status" = 124 ] || { cat "$root/run.txt"; echo "the program ended by itself ($status)"; exit 1; }
echo "package checks passed"
