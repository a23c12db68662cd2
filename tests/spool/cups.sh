# Sourced by the spooler and session tests: a CUPS scheduler with a fresh cups-pdf queue.
# Needs root (cupsd and lpadmin). Sets CUPS_QUEUE and CUPS_PDF_DIR; call cups_stop on exit.

CUPS_STARTED_PID=""
CUPS_QUEUE=""
CUPS_PDF_DIR=""

cups_running() {
  [ "$(lpstat -r 2>/dev/null)" = "scheduler is running" ]
}

cups_start() {
  if [ "$(id -u)" -ne 0 ]; then
    echo "the spooler tests start CUPS and need root" >&2
    return 1
  fi
  if ! cups_running; then
    mkdir -p /run/cups
    /usr/sbin/cupsd -f >/dev/null 2>&1 &
    CUPS_STARTED_PID=$!
    local i
    for i in $(seq 1 100); do
      cups_running && break
      sleep 0.1
    done
    cups_running || { echo "cupsd did not start" >&2; return 1; }
  fi
  CUPS_QUEUE="VelmoraTest$$_$RANDOM"
  lpadmin -p "$CUPS_QUEUE" -v cups-pdf:/ -E -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd 2>/dev/null
  # cups-pdf writes each job to ~/PDF of the job's user.
  CUPS_PDF_DIR="$(getent passwd "$(id -un)" | cut -d: -f6)/PDF"
  mkdir -p "$CUPS_PDF_DIR"
}

cups_stop() {
  if [ -n "$CUPS_QUEUE" ]; then
    lpadmin -x "$CUPS_QUEUE" 2>/dev/null || true
  fi
  if [ -n "$CUPS_STARTED_PID" ]; then
    kill "$CUPS_STARTED_PID" 2>/dev/null || true
    wait "$CUPS_STARTED_PID" 2>/dev/null || true
  fi
}

# cups_wait_jobs MARKER COUNT: waits (at most 120 s) until COUNT PDFs newer than MARKER are complete
# in CUPS_PDF_DIR and the queue is empty; prints their paths in job order.
cups_wait_jobs() {
  local marker=$1 count=$2 i
  for i in $(seq 1 1200); do
    if [ -z "$(lpstat -o "$CUPS_QUEUE" 2>/dev/null)" ] &&
       [ "$(find "$CUPS_PDF_DIR" -name '*.pdf' -newer "$marker" | wc -l)" -ge "$count" ]; then
      break
    fi
    sleep 0.1
  done
  find "$CUPS_PDF_DIR" -name '*.pdf' -newer "$marker" | sed -E 's/^(.*job_([0-9]+).*)$/\2 \1/' | sort -n | cut -d' ' -f2-
}

# cups_reject_after COUNT HELD: once the queue holds COUNT jobs more than HELD (at most 60 s), makes it
# refuse new jobs.
cups_reject_after() {
  local i
  for i in $(seq 1 3000); do
    [ $(($(lpstat -W all -o "$CUPS_QUEUE" | wc -l) - $2)) -ge "$1" ] && break
    sleep 0.02
  done
  cupsreject "$CUPS_QUEUE"
}

# cups_ink_matches INK_CHECK WORK REFERENCE_PDF JOB_PDF...: each job printed where page k of the
# reference puts every field's first glyph and the ticks (windows in millimetres: left, top, width,
# height), within 0.3 mm.
cups_ink_matches() {
  local ink_check=$1 work=$2 reference=$3 n=0 status=0 job
  shift 3
  local windows=(37.5,29,17,9 37.5,49,17,9 37.5,37,17,6 37.5,57,17,6 113,28,12,9 113,48,12,9
                 130,39,72,8 158,11,12,6 150,48,12,6 60.5,12,6,6 134,12.5,6,6)
  for job in "$@"; do
    n=$((n + 1))
    pdftoppm -r 600 -gray -f "$n" -l "$n" -singlefile "$reference" "$work/reference-$n"
    pdfinfo "$job" | grep -q '^Pages: *1$' || { echo "job $n is not one page"; status=1; }
    # cups-pdf rewrites the fonts as Type 3 glyphs, whose bounding boxes poppler complains about.
    pdftoppm -r 600 -gray -singlefile "$job" "$work/printed-$n" 2>/dev/null
    echo "record $n:"
    "$ink_check" "$work/reference-$n.pgm" "$work/printed-$n.pgm" 600 0.3 "${windows[@]}" || status=1
  done
  return "$status"
}
