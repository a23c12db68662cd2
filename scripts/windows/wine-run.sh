#!/usr/bin/env bash
# Runs a Windows program of the build under Wine (CTest's emulator for the Windows build). Qt's
# offscreen platform hangs in the event loop under Wine, so the tests use the windows platform on the
# X display scripts/windows/test.sh provides (DISPLAY, WINEPREFIX and WINEPATH come from there).
set -euo pipefail
export QT_QPA_PLATFORM=windows
exec wine "$@"
