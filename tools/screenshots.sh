#!/usr/bin/env bash
# Runs the desktop program under a virtual X display, drives it with the
# keyboard as a user would (xdotool), and saves PNG screenshots of the whole
# screen:
#   logon.png           the logon window at start-up
#   faulty-message.png  the "Error Data. " box over a faulty run
#   faulty.png          the validation window after a faulty run
#   clean-message.png   the "Success Data. " box after the report table refill
#   clean.png           the validation window after a clean run
#   preview-page-width.png  Print's report preview at page-width zoom
#   preview-50.png      the preview at 50 %
#   preview-search.png  the preview with the found company id framed
#   print-dialog.png    the preview's print dialog, "PDF file" chosen
#   pdf-file-dialog.png the file chooser of the PDF, the path typed
#   after-preview.png   the validation window once Escape closed the preview
#   summary-pdf.png     page 1 of the printed summary.pdf (pdftoppm, 60 dpi)
# and, beside them, summary.pdf and its text summary.txt (pdftotext).
# When Ctrl+P brings no print dialog, print-missing.png shows the preview as
# it stands instead of the three print shots, the preview is still closed,
# and the script ends with status 1.
#
# Usage: tools/screenshots.sh [BUILD_DIR [OUT_DIR]]   (defaults: build, screenshots)
# Needs: xvfb-run (xvfb, xauth), xdotool, ImageMagick's import, poppler's
# pdftotext and pdftoppm, and CUPS' cupsd and lpadmin: the preview offers
# printing only when a printer is installed, so the script runs a private
# spooler with one queue that discards its jobs (the PDF goes to a file, not
# through the spooler). Every wait for a window has a time limit: a window
# that does not come ends the script with a message and a non-zero status.
# Logs on with the user and password of BUILD_DIR/bin/Data/UserLogOn.ini.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build}
OUT_DIR=${2:-screenshots}
BIN="$BUILD_DIR/bin/morvane"
DATA="$BUILD_DIR/bin/Data"

if [ "${MORVANE_SCREENSHOTS_INNER:-}" != 1 ]; then
    for tool in xvfb-run xdotool import pdftotext pdftoppm cupsd lpadmin; do
        command -v "$tool" >/dev/null || {
            echo "screenshots.sh: '$tool' is missing (apt-get install xvfb xauth xdotool imagemagick poppler-utils cups-daemon cups-client)" >&2
            exit 2
        }
    done
    [ -x "$BIN" ] || { echo "screenshots.sh: $BIN not built" >&2; exit 2; }
    mkdir -p "$OUT_DIR"
    export MORVANE_SCREENSHOTS_INNER=1
    exec xvfb-run -a -s "-screen 0 1280x800x24" "$0" "$BUILD_DIR" "$OUT_DIR"
fi

OUT_DIR=$(cd "$OUT_DIR" && pwd)
WORK=$(mktemp -d)
APP_PID=
CUPS_PID=
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
    # cupsd writes its state as it stops: it must be gone before $WORK is.
    [ -n "$CUPS_PID" ] && { kill "$CUPS_PID" 2>/dev/null; wait "$CUPS_PID" 2>/dev/null; } || true
    rm -rf "$WORK"
}
trap cleanup EXIT

# The private spooler: all its files under $WORK, reached through a socket
# there (CUPS_SERVER), so the system's printers, if any, stay out of the
# shots. The queue writes to /dev/null.
CUPS="$WORK/cups"
mkdir -p "$CUPS"/{etc,cache,state,spool,log}
cat > "$CUPS/etc/cupsd.conf" <<CONF
Listen $CUPS/socket
LogLevel warn
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat > "$CUPS/etc/cups-files.conf" <<CONF
ServerRoot $CUPS/etc
CacheDir $CUPS/cache
StateDir $CUPS/state
RequestRoot $CUPS/spool
TempDir $CUPS/spool
ErrorLog $CUPS/log/error_log
AccessLog $CUPS/log/access_log
PageLog $CUPS/log/page_log
FileDevice Yes
CONF
cupsd -f -c "$CUPS/etc/cupsd.conf" -s "$CUPS/etc/cups-files.conf" &
CUPS_PID=$!
export CUPS_SERVER="$CUPS/socket"
for ((i = 0; i < 50; i++)); do [ -S "$CUPS_SERVER" ] && break; sleep 0.2; done
[ -S "$CUPS_SERVER" ] || { echo "screenshots.sh: the private cupsd did not start" >&2; exit 1; }
lpadmin -p Draft -E -v file:///dev/null -m raw 2>/dev/null || {
    echo "screenshots.sh: lpadmin could not add the discarding queue" >&2
    exit 1
}

ini_value() { # key -> value of section Inquiry (first match, any case)
    awk -v key="$1" 'BEGIN{IGNORECASE=1} /^\[/{s=tolower($0)} s=="[inquiry]" && tolower($0) ~ "^"tolower(key)"=" {sub(/^[^=]*=/,""); sub(/\r$/,""); print; exit}' "$DATA/UserLogOn.ini"
}
USER_NAME=$(ini_value User)
PASSWORD=$(ini_value Pass)

# Inputs: the bundled clean sample, and a faulty copy with its third line
# one byte short and a line of an unknown record type appended.
CLEAN="$WORK/Registration.txt"
FAULTY="$WORK/Registration-faulty.txt"
cp "$DATA/Sample.txt" "$CLEAN"
awk 'BEGIN{RS="\r\n"; ORS="\r\n"} NR==3{$0=substr($0,1,150) substr($0,152)} {print} END{print "XYZ"}' \
    "$CLEAN" > "$FAULTY"

shot() { sleep 1; import -window root "$OUT_DIR/$1"; echo "saved $OUT_DIR/$1"; }
keys() { xdotool key --delay 60 "$@"; }
typed() { xdotool type --delay 15 "$1"; }

"$BIN" &
APP_PID=$!
WID=$(timeout 20 xdotool search --sync --name '^Version 1\.0\.0$' | head -1)
# There is no window manager on the virtual display: do its work of
# maximizing the frame and giving it the keyboard.
xdotool windowsize "$WID" 100% 100% windowmove "$WID" 0 0
xdotool windowfocus --sync "$WID"
shot logon.png

typed "$USER_NAME"; keys Tab; typed "$PASSWORD"; keys Return
sleep 1
typed "$FAULTY"; keys Tab Tab; typed "$WORK/out-faulty"; keys Tab Tab space
shot faulty-message.png
keys Return
shot faulty.png

keys shift+Tab shift+Tab shift+Tab shift+Tab ctrl+a; typed "$CLEAN"
keys Tab Tab ctrl+a; typed "$WORK"/KVL.RX317.TLNREG.RQ.$(date +%Y%m%d%H%M%S); keys Tab Tab space
shot clean-message.png
keys Return
shot clean.png

# ---- the report: preview, search, print to a PDF file ----
# A window the program opens is waited for by its title, at most $2 seconds;
# with no window manager on the display the script then sizes it (when asked)
# and gives it the keyboard itself.
wait_window() { # title-regex seconds -> window id
    local id
    id=$(timeout "$2" xdotool search --sync --onlyvisible --name "$1" | tail -1) || true
    [ -n "$id" ] || { echo "screenshots.sh: no window '$1' after $2 s" >&2; exit 1; }
    echo "$id"
}
take_keyboard() { xdotool windowfocus --sync "$1"; }
gone_window() { # title-regex seconds: waits until no visible window has the title
    local i
    for ((i = 0; i < $2 * 5; i++)); do
        xdotool search --onlyvisible --name "$1" >/dev/null 2>&1 || return 0
        sleep 0.2
    done
    echo "screenshots.sh: window '$1' still open after $2 s" >&2
    exit 1
}

# Focus is back on Validate after the box; the next control is Print.
keys Tab space
PREVIEW=$(wait_window '^Preview$' 30)
xdotool windowsize "$PREVIEW" 100% 100% windowmove "$PREVIEW" 0 0
take_keyboard "$PREVIEW"
sleep 1
# Space opens the zoom menu; P is the mnemonic of "Page width".
keys space p
shot preview-page-width.png
# The menu lists 200, 150, 100, 75, 50 % from the top: the fifth item.
keys space Down Down Down Down Down Return
shot preview-50.png

# Ctrl+F asks for the text; the first match from page 1 is framed and
# scrolled into view.
keys ctrl+f
FIND=$(wait_window '^Find text$' 10)
take_keyboard "$FIND"
typed COMP0001; keys Return
gone_window '^Find text$' 10
take_keyboard "$PREVIEW"
shot preview-search.png

# Ctrl+P opens the print dialog (the preview's Print button needs an
# installed printer: the private spooler's queue). Alt+N reaches the printer
# list, End picks its last entry, the PDF file; Enter is OK. A preview that
# offers no print dialog is reported, the preview is still closed and shot,
# and the script then fails.
PRINT_FAULT=
PDF="$OUT_DIR/summary.pdf"
rm -f "$PDF" "$OUT_DIR/summary.txt" "$OUT_DIR/summary-pdf.png"
keys ctrl+p
if PRINT=$(timeout 10 xdotool search --sync --onlyvisible --name '^Print$' | tail -1) && [ -n "$PRINT" ]; then
    take_keyboard "$PRINT"
    keys alt+n End
    shot print-dialog.png
    keys Return
    CHOOSER=$(wait_window '^Print to PDF file$' 15)
    take_keyboard "$CHOOSER"
    sleep 0.5
    keys ctrl+a; typed "$PDF"
    shot pdf-file-dialog.png
    keys Return
    gone_window '^Print to PDF file$' 15
    # The file is complete once the print dialog's job has returned.
    for ((i = 0; i < 50; i++)); do
        [ -s "$PDF" ] && ! xdotool search --onlyvisible --name '^Print$' >/dev/null 2>&1 && break
        sleep 0.2
    done
    [ -s "$PDF" ] || { echo "screenshots.sh: no PDF written at $PDF" >&2; exit 1; }
    echo "saved $PDF"
else
    PRINT_FAULT="the preview opened no print dialog on Ctrl+P (is its Print button disabled?)"
    echo "screenshots.sh: $PRINT_FAULT" >&2
    shot print-missing.png
fi
take_keyboard "$PREVIEW"
keys Escape
gone_window '^Preview$' 10
shot after-preview.png

[ -z "$PRINT_FAULT" ] || { echo "screenshots.sh: failed: $PRINT_FAULT" >&2; exit 1; }
pdftotext -layout "$PDF" "$OUT_DIR/summary.txt"
echo "saved $OUT_DIR/summary.txt"
pdftoppm -r 60 -png -f 1 -singlefile "$PDF" "$OUT_DIR/summary-pdf"
echo "saved $OUT_DIR/summary-pdf.png"
