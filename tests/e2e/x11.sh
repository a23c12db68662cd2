# Sourced by the end-to-end session and the start-up benchmark: an X server of the script's own
# (Xvfb), the program's windows found by size, controls placed from the window designs, clicks.
# The caller sets `designs` (the folder of the .ui files), `deadline` (seconds since the script
# started by which every wait ends) and `app_pid` (the program's process), and has `fail`.

# wait_until SECONDS COMMAND...: runs COMMAND every 0.1 s until it succeeds; fails after SECONDS, or
# at the session's deadline.
wait_until() {
  local end=$((SECONDS + $1))
  shift
  [ "$end" -le "$deadline" ] || end=$deadline
  until "$@"; do
    [ "$SECONDS" -lt "$end" ] || return 1
    sleep 0.1
  done
}

# design_rect FILE NAME: the position and size (x y width height) of a control in its window design.
design_rect() {
  tr -d '\n' <"$designs/$1" |
    grep -oE "name=\"$2\">[[:space:]]*<property name=\"geometry\"><rect><x>[0-9]+</x><y>[0-9]+</y><width>[0-9]+</width><height>[0-9]+</height>" |
    sed -E 's/.*<x>([0-9]+)<\/x><y>([0-9]+)<\/y><width>([0-9]+)<\/width><height>([0-9]+)<\/height>/\1 \2 \3 \4/'
}

# control NAME FILE NAME [CONTAINER]: sets NAME_X, NAME_Y (the middle, from the window's corner) and
# NAME_W, NAME_H of a control, whose position CONTAINER's corner offsets when it lies inside one.
control() {
  local var=$1 file=$2 name=$3 container=${4:-}
  local x y w h cx=0 cy=0 rest
  read -r x y w h <<<"$(design_rect "$file" "$name")"
  [ -n "$h" ] || fail "no control $name in $file"
  [ -z "$container" ] || read -r cx cy rest <<<"$(design_rect "$file" "$container")"
  read -r "${var}_X" "${var}_Y" "${var}_LEFT" "${var}_TOP" "${var}_W" "${var}_H" \
    <<<"$((cx + x + w / 2)) $((cy + y + h / 2)) $((cx + x)) $((cy + y)) $w $h"
}

# The windows of the program that are on screen, one "id x y width height" line each.
app_windows() {
  local id
  for id in $(xdotool search --onlyvisible --pid "$app_pid" 2>/dev/null); do
    eval "$(xdotool getwindowgeometry --shell "$id")"
    # shellcheck disable=SC2153  # set by the eval
    echo "$id $X $Y $WIDTH $HEIGHT"
  done
}

# find_window WIDTH HEIGHT: sets WIN_X and WIN_Y to the corner of the program's window of that size.
find_window() {
  local line
  line=$(app_windows | awk -v w="$1" -v h="$2" '$4 == w && $5 == h {print; exit}')
  [ -n "$line" ] || return 1
  read -r _ WIN_X WIN_Y _ _ <<<"$line"
}

# only_window WIDTH HEIGHT: true when the program shows that one window and no other (no message box).
only_window() {
  local lines
  lines=$(app_windows)
  [ "$(wc -l <<<"$lines")" = 1 ] && [ "$(awk '{print $4 "x" $5}' <<<"$lines")" = "$1x$2" ]
}

# click X Y: a left click at a point of the window whose corner find_window found.
click() {
  # (No --sync: it waits for a movement, and a pointer already in place never moves.)
  xdotool mousemove $((WIN_X + $1)) $((WIN_Y + $2)) click 1
  sleep 0.2
}

# start_xvfb LOG: an X server on a display number of its own, far from the usual ones; another server
# taking the same number at the same moment makes ours fail on the lock, and the next number is tried.
# Sets xvfb_pid and DISPLAY.
start_xvfb() {
  local n tries
  xvfb_is_ours() {
    [ "$({ tr -d ' \n' <"/tmp/.X$1-lock"; } 2>/dev/null)" = "$xvfb_pid" ] &&
      DISPLAY=":$1" xdotool getdisplaygeometry >/dev/null 2>&1
  }
  xvfb_exited() { ! kill -0 "$xvfb_pid" 2>/dev/null; }
  xvfb_settled() { xvfb_is_ours "$n" || xvfb_exited; }
  for ((n = 100 + $$ % 500, tries = 0; tries < 20; ++n, ++tries)); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$1" 2>&1 &
    xvfb_pid=$!
    wait_until 20 xvfb_settled
    if xvfb_is_ours "$n"; then
      export DISPLAY=":$n"
      return 0
    fi
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
    xvfb_pid=""
  done
  return 1
}
