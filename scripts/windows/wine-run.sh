#!/usr/bin/env bash
# Runs a Windows test program of the build under Wine (CTest's emulator for the Windows build). Qt's
# offscreen platform hangs in the event loop under Wine, so the tests use the windows platform on the
# X display scripts/windows/test.sh provides (DISPLAY, WINEPREFIX and WINEPATH come from there).
# Qt Test on Windows sends its report to the debugger, not to a stdout that is no console: it is
# written to a file and shown from there.
set -euo pipefail
export QT_QPA_PLATFORM=windows
report=$(mktemp)
trap 'rm -f "$report"' EXIT
status=0
wine "$@" -o "$report,txt" || status=$?
cat "$report"
exit "$status"
