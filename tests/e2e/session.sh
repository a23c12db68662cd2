#!/usr/bin/env bash
# shellcheck source-path=SCRIPTDIR
# A person's session with the real program in a real window: an X server of its own (Xvfb), keys and
# clicks from xdotool, what the boxes hold read through the clipboard, and the batch printed through
# CUPS to a fresh cups-pdf queue, where the documents are counted. WORKDIR is emptied first; it keeps
# a screenshot of every step, the program's output and the printed documents. Needs root (CUPS).
set -uo pipefail
[ $# -eq 4 ] || { echo "usage: session.sh VELMORA VELMORA_CLI WORKBOOK WORKDIR" >&2 && exit 2; }
velmora=$1 cli=$2 workbook=$3 work=$4
here=$(cd "$(dirname "$0")" && pwd)
designs="$here/../../resources"
# shellcheck source=../spool/cups.sh
source "$here/../spool/cups.sh"
# shellcheck source=x11.sh
source "$here/x11.sh"

records=20   # payees in the sample workbook
deadline=110 # seconds: every wait ends by then, so that a stuck step is reported before CTest's limit
step="setting up" shot_number=0 xvfb_pid="" app_pid=""

rm -rf "$work"
mkdir -p "$work/xdg/Velmora" "$work/data" "$work/runtime" "$work/printed"
chmod 700 "$work/runtime"

cleanup() {
  local status=$? pid
  for pid in "$app_pid" "$xvfb_pid"; do
    [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  done
  cups_stop
  exit "$status"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

shot() {
  shot_number=$((shot_number + 1))
  [ -n "$xvfb_pid" ] && import -window root "$work/$(printf '%02d-%s.png' "$shot_number" "$1")" 2>/dev/null
}

fail() {
  echo "FAILED at step \"$step\": $*" >&2
  shot failure
  if [ -n "$app_pid" ] && app_ended; then
    wait "$app_pid"
    echo "the program is no longer running: it ended with status $?" >&2
    app_pid=""
  fi
  [ -s "$work/velmora.log" ] && { echo "--- the program's output:" && cat "$work/velmora.log"; } >&2
  echo "--- screenshots and output in $work" >&2
  exit 1
}

begin() { step=$1 && echo "== ${SECONDS}s: $step"; }

# The program has ended (and may not have been waited for yet).
app_ended() {
  local stat
  stat=$(cat "/proc/$app_pid/stat" 2>/dev/null) || return 0
  [ "$(sed -E 's/.*\) ([A-Za-z]).*/\1/' <<<"$stat")" = Z ]
}

# The controls used, as NAME:control of each window design (the boxes lie inside the frame Envelop).
for c in PAYEE:Txt_0 PAYEE_POSTCODE:Txt_4 REMITTER:Txt_1 AMOUNT:Txt_6; do
  control "${c%%:*}" main_window.ui "${c#*:}" Envelop
done
for c in SCROLL:NumScroll NUM0:Num_0 NUM1:Num_1 PRINT_ALL:C1_6 QUIT:C1_1 OPEN_BATCH:C1_4 PRINT_ONE:C1_0 JOURNAL:C1_7 \
  journal_window.ui EXPORT:ExportButton CLOSE_JOURNAL:CloseButton fopen.ui PATH:Text1_0 CONFIRM:Command2_0 \
  batch_window.ui TABLE:Table1 HAND_OVER:Command1_1; do
  case $c in *.ui) design=$c ;; *) control "${c%%:*}" "${design:-main_window.ui}" "${c#*:}" ;; esac
done

clipboard_holds_something() { [ -n "$(xclip -o -selection clipboard 2>/dev/null)" ]; }

# read_box X Y: clicks into the box at that point of the main window, selects all it holds, copies
# it and prints what the clipboard received.
read_box() {
  # An empty clipboard first: a stale copy must never pass for the box's text.
  xclip -selection clipboard -i /dev/null >/dev/null 2>&1
  click "$1" "$2"
  xdotool key --delay 50 ctrl+a ctrl+c
  wait_until 5 clipboard_holds_something || return 1
  xclip -o -selection clipboard
}

# expect_box WHAT X Y TEXT: the box at that point of the main window holds exactly TEXT.
expect_box() {
  local got
  got=$(read_box "$2" "$3") || fail "nothing could be copied from the $1 box"
  [ "$got" = "$4" ] || fail "the $1 box holds \"$got\", not \"$4\""
  echo "   the $1 box holds \"$got\""
}

# pixels LEFT TOP WIDTH HEIGHT: a checksum of that area of the main window as it is on screen.
pixels() {
  import -window root -crop "$3x$4+$((WIN_X + $1))+$((WIN_Y + $2))" -depth 8 rgb:- 2>/dev/null | md5sum
}

# dark_pixels LEFT TOP WIDTH HEIGHT: how many pixels of that area of the window are dark (ink).
dark_pixels() {
  import -window root -crop "$3x$4+$((WIN_X + $1))+$((WIN_Y + $2))" -depth 8 gray:- 2>/dev/null |
    od -An -v -tu1 | awk '{for (i = 1; i <= NF; ++i) if ($i < 128) ++n} END {print n + 0}'
}

# The rows the program should show, as the command-line import reads them (row, payee, address,
# postcode, amount), and the two batches the session imports: the sample as CSV, which prints straight
# through, and its first five rows with record 3's amount written as no number can be read ("3千"),
# which is refused in the one question before anything prints.
begin "reading the workbook with velmora-cli"
mapfile -t rows < <("$cli" import "$workbook" 2>/dev/null | awk -F'\t' '$2 != ""')
[ "${#rows[@]}" = "$records" ] || fail "velmora-cli reads ${#rows[@]} payees from $workbook, not $records"
IFS=$'\t' read -r _ first_name _ first_postcode _ <<<"${rows[0]}"
IFS=$'\t' read -r _ last_name _ _ _ <<<"${rows[$((records - 1))]}"
batch="$work/batch.csv" small="$work/small.csv" small_records=5
# as_csv [REFUSED]: the rows on standard input as CSV, record REFUSED's amount as "3千".
as_csv() { echo "姓名,邮编,地址,金额" && awk -F'\t' -v OFS=, -v r="${1:-0}" '$1 == r {$5 = "3千"} {print $2, $4, $3, $5}'; }
printf '%s\n' "${rows[@]}" | as_csv >"$batch"
printf '%s\n' "${rows[@]:0:small_records}" | as_csv 3 >"$small"
small_sum=$(printf '%s\n' "${rows[@]:0:small_records}" | awk -F'\t' '$1 != 3 {s += $5} END {printf "%.2f", s}')
total=$("$cli" import "$workbook" --summary 2>/dev/null | sed -E 's/.*合计 (￥[0-9,.]+).*/\1/')
[ -n "$total" ] || fail "velmora-cli gives no sum for $workbook"

begin "starting the X server"
start_xvfb "$work/xvfb.log"
[ -n "$xvfb_pid" ] || fail "Xvfb did not start on a free display (see $work/xvfb.log)"
echo "   display $DISPLAY"

begin "starting CUPS with a fresh cups-pdf queue"
cups_start || fail "CUPS did not start"
queue_exists() { lpstat -p "$CUPS_QUEUE" >/dev/null 2>&1; }
wait_until 20 queue_exists || fail "the queue $CUPS_QUEUE was not created"
echo "   queue $CUPS_QUEUE, documents in $CUPS_PDF_DIR"

begin "starting the program"
# The printer calibrated at 10 mm and 10 mm: forms print where the layout puts them.
printf '[Collate]\nX=10\nY=10\n' >"$work/xdg/Velmora/Velmora.conf"
# Under AddressSanitizer: libxkbcommon-x11, below Qt's X11 platform, copies X atom names with strndup
# from buffers that have no closing NUL, which is sound but which strict string checks report as an
# overflow. Those checks stay on for every other test; the later setting of a flag wins.
env QT_QPA_PLATFORM=xcb PRINTER="$CUPS_QUEUE" XDG_CONFIG_HOME="$work/xdg" XDG_DATA_HOME="$work/data" \
  XDG_RUNTIME_DIR="$work/runtime" \
  ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}strict_string_checks=0" \
  "$velmora" >"$work/velmora.log" 2>&1 &
app_pid=$!
wait_until 30 find_window 717 518 || fail "the main window did not appear"
MAIN_X=$WIN_X MAIN_Y=$WIN_Y
sleep 0.5
shot started

begin "typing a form"
click "$PAYEE_X" "$PAYEE_Y"
xdotool type --delay 60 "张三丰"
xdotool key Tab
# Letters in a postcode are refused as they are typed.
xdotool type --delay 60 "1a0b0c0d3e7f"
xdotool key Tab Tab
xdotool type --delay 60 "李秀英"
# A click on the "￥0.00" the amount box shows, and the amount typed over it.
click $((AMOUNT_LEFT + AMOUNT_W - 8)) "$AMOUNT_Y"
xdotool type --delay 60 "12.5"
xdotool key Tab
sleep 0.3
shot typed

begin "checking what the boxes hold"
expect_box "payee name" "$PAYEE_X" "$PAYEE_Y" "张三丰"
expect_box "payee postcode" "$PAYEE_POSTCODE_X" "$PAYEE_POSTCODE_Y" "100037"
expect_box "remitter name" "$REMITTER_X" "$REMITTER_Y" "李秀英"
expect_box "amount" "$AMOUNT_X" "$AMOUNT_Y" "￥12.50"
shot checked

begin "asking for the printer: the dialog speaks Chinese"
click "$PRINT_ONE_X" "$PRINT_ONE_Y"
# other_window: "id x y width height" of a window of the program other than the main one.
other_window() { app_windows | awk -v w=717 -v h=518 '!($4 == w && $5 == h) {print; exit}' | grep .; }
wait_until 10 other_window >/dev/null || fail "the printer dialog did not appear"
sleep 0.5
shot printer-dialog
title=$(xdotool getwindowname "$(other_window | cut -d' ' -f1)")
[ "$title" = "打印" ] || fail "the printer dialog is titled \"$title\", not 打印"
xdotool key Escape
wait_until 10 only_window 717 518 || fail "the printer dialog did not close"
echo "   the printer dialog is titled \"$title\""

# import_batch FILE: "导入批量数据", the file's path typed, OK, and "导　入" once the batch window shows
# LAST rows filled.
import_batch() {
  click "$OPEN_BATCH_X" "$OPEN_BATCH_Y"
  wait_until 10 find_window 453 151 || fail "the open-workbook dialog did not appear"
  sleep 0.3
  click "$PATH_X" "$PATH_Y"
  xdotool key ctrl+a
  xdotool type --delay 20 "$1"
  sleep 0.2
  shot workbook-named
  click "$CONFIRM_X" "$CONFIRM_Y"
  wait_until 20 find_window 770 378 || fail "the batch window did not appear"
  # The import runs on the batch window's first paint: the last payee's name shows when it is done.
  last_row_filled() {
    find_window 770 378 &&
      [ "$(dark_pixels $((TABLE_LEFT + 28)) $((TABLE_TOP + 19 + 17 * ($2 - 1) + 2)) 45 13)" -gt 20 ]
  }
  wait_until 20 last_row_filled "$1" "$2" || fail "the batch window does not show record $2"
  shot imported
  click "$HAND_OVER_X" "$HAND_OVER_Y"
  WIN_X=$MAIN_X WIN_Y=$MAIN_Y
  wait_until 10 only_window 717 518 || fail "the batch window or a message is still on screen"
  sleep 0.3
  shot handed-over
}

begin "importing the batch of $records"
import_batch "$batch" "$records"

begin "checking that record 1 of $records is shown"
expect_box "payee name" "$PAYEE_X" "$PAYEE_Y" "$first_name"
expect_box "payee postcode" "$PAYEE_POSTCODE_X" "$PAYEE_POSTCODE_Y" "$first_postcode"
expect_box "remitter name" "$REMITTER_X" "$REMITTER_Y" "李秀英"
# The record number and the count are display-only boxes (disabled: no focus, no copy). Where they
# show the same number, they show the same pixels: not on record 1 of 20, yet on record 20, the
# end of the scroll bar's range.
[ "$(pixels "$NUM0_LEFT" "$NUM0_TOP" "$NUM0_W" "$NUM0_H")" != "$(pixels "$NUM1_LEFT" "$NUM1_TOP" "$NUM1_W" "$NUM1_H")" ] ||
  fail "the record number shows the same as the count on record 1"
scroll_right_x=$((SCROLL_LEFT + SCROLL_W - SCROLL_H / 2))
scroll_left_x=$((SCROLL_LEFT + SCROLL_H / 2))
for ((k = 1; k < records + 2; ++k)); do
  click "$scroll_right_x" "$SCROLL_Y"
done
shot last-record
expect_box "payee name" "$PAYEE_X" "$PAYEE_Y" "$last_name"
[ "$(pixels "$NUM0_LEFT" "$NUM0_TOP" "$NUM0_W" "$NUM0_H")" = "$(pixels "$NUM1_LEFT" "$NUM1_TOP" "$NUM1_W" "$NUM1_H")" ] ||
  fail "on the last record the record number does not show the count"

completed_jobs() { lpstat -W completed -o "$CUPS_QUEUE" 2>/dev/null | awk '{print $1}' | sed 's/.*-//'; }
all_completed() { [ "$(completed_jobs | wc -l)" -ge "$1" ]; }
printing_over() { only_window 717 518; }

begin "printing all $records records: straight through, no question"
[ -z "$(completed_jobs)$(lpstat -o "$CUPS_QUEUE" 2>/dev/null)" ] || fail "the queue holds jobs before printing"
touch "$work/marker"
sleep 1
click "$PRINT_ALL_X" "$PRINT_ALL_Y"
wait_until 90 all_completed "$records" || fail "$(completed_jobs | wc -l) of $records print jobs completed in the queue"
wait_until 10 printing_over || fail "a question, the progress window or a message is still on screen after printing"
shot printed-all
mapfile -t documents < <(cups_wait_jobs "$work/marker" "$records")

begin "counting the printed documents"
jobs=$(completed_jobs | wc -l)
[ "$jobs" = "$records" ] || fail "the queue has $jobs completed jobs, not $records"
# Only this queue's documents: the jobs' numbers name them.
mine=()
for document in "${documents[@]}"; do
  completed_jobs | grep -qx "$(sed -nE 's/.*job_([0-9]+).*/\1/p' <<<"$(basename "$document")")" && mine+=("$document")
done
[ "${#mine[@]}" = "$records" ] || fail "${#mine[@]} documents from this queue in $CUPS_PDF_DIR, not $records"
for document in "${mine[@]}"; do
  # Kept with the session's other output, not left to pile up in the spool user's folder.
  mv "$document" "$work/printed/" || fail "cannot move $document"
  document="$work/printed/$(basename "$document")"
  pages=$(pdfinfo "$document" 2>/dev/null | awk '/^Pages:/ {print $2}')
  [ "$pages" = 1 ] || fail "$document has ${pages:-no} pages, not 1"
  # cups-pdf rewrites the fonts as Type 3 glyphs, whose bounding boxes poppler complains about.
  pdftoppm -r 30 -gray -singlefile "$document" "$work/page" 2>/dev/null || fail "cannot rasterise $document"
  md5sum <"$work/page.pgm" >>"$work/page-sums"
done
rm -f "$work/page.pgm"
distinct=$(sort -u "$work/page-sums" | wc -l)
[ "$distinct" = "$records" ] || fail "the $records documents hold only $distinct different forms"
# Each job carries its record's number in its title ("汇款单 3/20 …"), which cups-pdf puts in the
# file's name.
for ((n = 1; n <= records; ++n)); do
  find "$work/printed" -name "*${n}_${records}*" | grep -q . || fail "no printed document is titled with record $n of $records"
done
echo "   $records documents of one page each, $distinct different forms"

begin "a batch with record 3 refused: exactly one question, the other records printed"
import_batch "$small" "$small_records"
click "$PRINT_ALL_X" "$PRINT_ALL_Y"
wait_until 10 other_window >/dev/null || fail "\"全部打印\" asked nothing about record 3"
sleep 0.5
shot question
[ "$(completed_jobs | wc -l)" = "$records" ] || fail "forms printed before the question was answered"
# The question's safe button, "不打印", has the focus; the one before it prints the others.
xdotool key --delay 100 shift+Tab space
wait_until 60 all_completed $((records + small_records - 1)) ||
  fail "$(completed_jobs | wc -l) of $((records + small_records - 1)) print jobs completed in the queue"
wait_until 10 printing_over || fail "a second question, the progress window or a message is on screen"
shot printed-small
jobs=$(completed_jobs | wc -l)
[ "$jobs" = $((records + small_records - 1)) ] || fail "the queue has $jobs completed jobs, not $((records + small_records - 1))"

begin "the print journal: the batch's forms and their sum"
click "$JOURNAL_X" "$JOURNAL_Y"
wait_until 10 other_window >/dev/null || fail "the print journal did not open"
read -r _ WIN_X WIN_Y _ <<<"$(other_window)"
sleep 0.5
shot journal
# Its export, through the file dialog, holds what the window shows.
click "$EXPORT_X" "$EXPORT_Y"
sleep 1
xdotool type --delay 20 "$work/journal.csv"
xdotool key Return
wait_until 10 test -s "$work/journal.csv" || fail "the journal's export was not written"
sent=$(grep -c ',已发送' "$work/journal.csv")
[ "$sent" = $((records + small_records - 1)) ] || fail "the journal lists $sent forms sent, not $((records + small_records - 1))"
sum=$(awk -F, 'NR > 1 && /已发送/ {gsub(/[￥"]/, "", $7); s += $7} END {printf "%.2f", s}' "$work/journal.csv")
expected=$(awk -v a="$(tr -d '￥,' <<<"$total")" -v b="$small_sum" 'BEGIN {printf "%.2f", a + b}')
[ "$expected" = "$sum" ] || fail "the journal's forms add up to $sum, not $expected"
echo "   $sent forms sent, ￥$sum"
click "$CLOSE_JOURNAL_X" "$CLOSE_JOURNAL_Y"
WIN_X=$MAIN_X WIN_Y=$MAIN_Y
wait_until 10 only_window 717 518 || fail "the print journal did not close"

begin "the batch again, the queue refusing jobs midway: the run stops at the record refused"
journal_db="$work/data/Velmora/journal.sqlite"
last=$(sqlite3 "$journal_db" 'SELECT ifnull(max(id), 0) FROM prints') || fail "cannot read the journal"
held=$(lpstat -W all -o "$CUPS_QUEUE" | wc -l)
import_batch "$batch" "$records"
click "$PRINT_ALL_X" "$PRINT_ALL_Y"
wait_until 10 other_window >/dev/null || fail "\"全部打印\" did not ask about the records printed before"
sleep 0.5
shot question-printed-before
cups_reject_after 3 "$held" &
watcher=$!
# The button before the safe one prints them again.
xdotool key --delay 100 shift+Tab space
wait "$watcher"
refused_told() { [ "$(sqlite3 "$journal_db" "SELECT count(*) FROM prints WHERE id > $last AND outcome = 1")" = 1 ] && other_window >/dev/null; }
wait_until 60 refused_told || fail "the refused form was not journaled and told"
sleep 0.5
shot refused-midway
xdotool key Return
wait_until 10 printing_over || fail "the message did not close"
cupsaccept "$CUPS_QUEUE"
taken=$(($(lpstat -W all -o "$CUPS_QUEUE" | wc -l) - held))
sent=$(sqlite3 "$journal_db" "SELECT count(*) FROM prints WHERE id > $last AND outcome = 0")
failed=$(sqlite3 "$journal_db" "SELECT record FROM prints WHERE id > $last AND outcome = 1")
echo "   CUPS took $taken jobs; the journal holds $sent sent and record $failed not printed"
[ "$taken" -ge 3 ] && [ "$taken" -lt "$records" ] && [ "$sent" = "$taken" ] && [ "$failed" = $((taken + 1)) ] ||
  fail "CUPS took $taken jobs, the journal holds $sent sent and record \"$failed\" not printed"

begin "leaving the program"
click "$QUIT_X" "$QUIT_Y"
wait_until 15 app_ended || fail "the program still runs after \"退  出\""
wait "$app_pid"
status=$?
app_pid=""
[ "$status" = 0 ] || fail "the program ended with status $status"
shot ended
echo "session passed"
