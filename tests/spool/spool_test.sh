#!/usr/bin/env bash
# Prints a three-record batch through the real print system (CUPS with a cups-pdf queue), one job a
# form, and checks where the ink landed against the same forms rendered straight to PDF. Then checks
# that a queue refusing jobs, from the start, while a job is handed over and during a batch, a stopped
# and a removed queue are reported, naming the record that failed, and that the journal holds as sent
# exactly the forms CUPS took.
#   spool_test.sh VELMORA_CLI INK_CHECK JOB_REFUSAL WORKBOOK WORKDIR
set -euo pipefail
cli=$1 ink_check=$2 job_refusal=$3 workbook=$4 work=$5
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=cups.sh
source "$here/cups.sh"
rm -rf "$work"; mkdir -p "$work"
# The print journal of these runs stays with the test's output.
export XDG_DATA_HOME="$work/data"
trap cups_stop EXIT
cups_start

# Records 18 to 20 of the sample workbook (worksheet rows 19 to 21), with the operator's own fields,
# printed again in every run (the journal holds them as sent after the first).
batch=(--batch "$workbook" --first-row 19 --x 10 --y 10 --reprint
       --text 1=李秀英 --text 3=广州市天河区天河北路233号 --text 5=510610 --text 7=13812345678
       --text 8=生日快乐 --tick 0 --tick 6)

# The reference: the same forms drawn straight to PDF by Qt.
"$cli" render "${batch[@]}" --pdf "$work/reference.pdf"
pages=$(pdfinfo "$work/reference.pdf" | awk '/^Pages:/ {print $2}')
[ "$pages" = 3 ] || { echo "reference has $pages pages, not 3"; exit 1; }

touch "$work/marker"; sleep 1
"$cli" render "${batch[@]}" --printer "$CUPS_QUEUE"
mapfile -t jobs < <(cups_wait_jobs "$work/marker" 3)
[ "${#jobs[@]}" = 3 ] || { echo "expected 3 printed documents, found ${#jobs[@]}"; exit 1; }

cups_ink_matches "$ink_check" "$work" "$work/reference.pdf" "${jobs[@]}" || exit 1

# Without --x and --y the queue's own calibration is used, not the default "Collate" pair: record 18
# printed with the queue's 13 mm and 8 mm lands where the PDF drawn with them puts it.
mkdir -p "$work/config/Velmora"
printf '[Collate]\nX=10\nY=10\n[Collate %s]\nX=13\nY=8\n' "$CUPS_QUEUE" >"$work/config/Velmora/Velmora.conf"
one=(--batch "$workbook" --first-row 19 --text 1=李秀英 --no-journal)
XDG_CONFIG_HOME="$work/config" "$cli" render "${one[@]}" --x 13 --y 8 --pdf "$work/own.pdf"
touch "$work/marker"; sleep 1
XDG_CONFIG_HOME="$work/config" "$cli" render "${one[@]}" --printer "$CUPS_QUEUE"
mapfile -t own < <(cups_wait_jobs "$work/marker" 3)
pdftoppm -r 600 -gray -f 1 -l 1 -singlefile "$work/own.pdf" "$work/own-reference"
pdftoppm -r 600 -gray -singlefile "${own[0]}" "$work/own-printed" 2>/dev/null
echo "record 18 with the queue's own calibration:"
"$ink_check" "$work/own-reference.pgm" "$work/own-printed.pgm" 600 0.3 37.5,29,17,9 113,28,12,9 || exit 1

# A queue refusing jobs from the start: nothing reaches it, the first form fails.
cupsreject "$CUPS_QUEUE"
touch "$work/marker"
! "$cli" render "${batch[@]}" --printer "$CUPS_QUEUE" 2>"$work/rejecting.txt" || { echo "printing to a queue refusing jobs reported success"; exit 1; }
cat "$work/rejecting.txt"
grep -q '第 1 个.*不接受新的打印作业' "$work/rejecting.txt" || { echo "the refusal is not told"; exit 1; }
[ -z "$(find "$CUPS_PDF_DIR" -name '*.pdf' -newer "$work/marker")" ] || { echo "a refused form printed"; exit 1; }
cupsaccept "$CUPS_QUEUE"

# A queue that stops taking jobs after the job began: the spooler's refusal is the surface's failure.
"$job_refusal" "$CUPS_QUEUE" || { echo "a job the queue refused counted as printed"; exit 1; }
cupsaccept "$CUPS_QUEUE"

# A queue that stops taking jobs during a batch of 20, once it holds 3 of its jobs: the run stops at
# the first form it refuses, and the journal holds as sent exactly the forms CUPS took.
journal="$XDG_DATA_HOME/Velmora/journal.sqlite"
last=$(sqlite3 "$journal" 'SELECT ifnull(max(id), 0) FROM prints')
held=$(lpstat -W all -o "$CUPS_QUEUE" | wc -l)
cups_reject_after 3 "$held" &
watcher=$!
! "$cli" render --batch "$workbook" --x 10 --y 10 --printer "$CUPS_QUEUE" 2>"$work/during.txt" || { echo "a batch on a queue refusing jobs midway reported success"; exit 1; }
wait "$watcher"
cat "$work/during.txt"
taken=$(($(lpstat -W all -o "$CUPS_QUEUE" | wc -l) - held))
sent=$(sqlite3 "$journal" "SELECT count(*) FROM prints WHERE id > $last AND outcome = 0")
failed=$(sqlite3 "$journal" "SELECT group_concat(record) FROM prints WHERE id > $last AND outcome = 1")
echo "CUPS took $taken jobs; the journal holds $sent sent and record $failed failed"
[ "$taken" -ge 3 ] && [ "$taken" -lt 20 ] && [ "$sent" = "$taken" ] && [ "$failed" = $((taken + 1)) ] &&
  grep -q "第 $((taken + 1)) 个汇款单未能打印" "$work/during.txt" || exit 1
cupsaccept "$CUPS_QUEUE"

# A stopped queue: the first form fails, and the operator is told which.
cupsdisable "$CUPS_QUEUE"
! "$cli" render "${batch[@]}" --printer "$CUPS_QUEUE" 2>"$work/stopped.txt" || { echo "printing to a stopped queue reported success"; exit 1; }
cat "$work/stopped.txt"
grep -q '第 1 个' "$work/stopped.txt" || { echo "the failure does not name record 1"; exit 1; }
cupsenable "$CUPS_QUEUE"

# A removed queue.
lpadmin -x "$CUPS_QUEUE"
! "$cli" render "${batch[@]}" --printer "$CUPS_QUEUE" 2>"$work/removed.txt" || { echo "printing to a removed queue reported success"; exit 1; }
cat "$work/removed.txt"
CUPS_QUEUE=""
echo "spooler test passed"
