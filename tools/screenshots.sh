#!/usr/bin/env bash
# Runs the desktop program under a virtual X display, drives it with the
# keyboard as a user would (xdotool), and saves PNG screenshots of the whole
# screen:
#   logon.png           the logon window at start-up
#   faulty-message.png  the "Error Data. " box over a faulty run
#   faulty.png          the validation window after a faulty run
#   clean-message.png   the "Success Data. " box after the report table refill
#   clean.png           the validation window after a clean run
#
# Usage: tools/screenshots.sh [BUILD_DIR [OUT_DIR]]   (defaults: build, screenshots)
# Needs: xvfb-run (xvfb, xauth), xdotool, ImageMagick's import.
# Logs on with the user and password of BUILD_DIR/bin/Data/UserLogOn.ini.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${1:-build}
OUT_DIR=${2:-screenshots}
BIN="$BUILD_DIR/bin/morvane"
DATA="$BUILD_DIR/bin/Data"

if [ "${MORVANE_SCREENSHOTS_INNER:-}" != 1 ]; then
    for tool in xvfb-run xdotool import; do
        command -v "$tool" >/dev/null || {
            echo "screenshots.sh: '$tool' is missing (apt-get install xvfb xauth xdotool imagemagick)" >&2
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
cleanup() {
    [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

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
