#!/usr/bin/env bash
# The smoke run of the real korvan: a virtual display, a session bus with the accessibility bus,
# the program started on a fresh data folder and driven from outside by smoke.py (widgets found in
# the accessibility tree by role and name, clicks and keys sent with xdotool), then the stored rows
# checked with korvan-cli. Exit 0 when every step passed, 77 when a tool is missing (CTest shows
# the test as skipped with the reason), 1 otherwise.
#
#   run_smoke.sh BIN_DIR [WORK_DIR]
# BIN_DIR holds korvan and korvan-cli. WORK_DIR (default: a new temporary folder, removed at the
# end) receives the copy of the program, its Data folder, the report and smoke.log.
set -uo pipefail

BIN=${1:?usage: run_smoke.sh BIN_DIR [WORK_DIR]}
HERE=$(cd "$(dirname "$0")" && pwd)
PY=/usr/bin/python3

missing=()
for tool in Xvfb xdotool dbus-run-session "$PY"; do
    command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
[ -x /usr/libexec/at-spi-bus-launcher ] || missing+=("at-spi-bus-launcher (at-spi2-core)")
if [ -x "$PY" ] && ! "$PY" -c 'import pyatspi' 2>/dev/null; then missing+=("python3-pyatspi"); fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "smoke: skipped, missing ${missing[*]} (bash scripts/setup.sh installs them)"
    exit 77
fi
for f in korvan korvan-cli; do
    if [ ! -x "$BIN/$f" ]; then echo "smoke: $BIN/$f not built"; exit 1; fi
done

if [ $# -ge 2 ]; then
    WORK=$2
    # Only an empty folder or one a previous run left is emptied.
    if [ -d "$WORK" ] && [ -n "$(ls -A "$WORK")" ] && [ ! -f "$WORK/smoke.log" ]; then
        echo "smoke: $WORK holds other files; give an empty or new folder"
        exit 1
    fi
    rm -rf "$WORK" && mkdir -p "$WORK" && : >"$WORK/smoke.log"
    KEEP=1
else
    WORK=$(mktemp -d "${TMPDIR:-/tmp}/korvan-smoke-XXXXXX")
    KEEP=0
fi

XVFB_PID=
cleanup() {
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null; wait "$XVFB_PID" 2>/dev/null; fi
    if [ "$KEEP" = 0 ]; then rm -rf "$WORK"; fi
}
trap cleanup EXIT

# The program runs from a folder of its own, so that its Data folder (beside the executable) is
# created fresh at start-up.
cp "$BIN/korvan" "$WORK/korvan"

# A display of its own: Xvfb picks a free number and writes it to the file. KORVAN_SMOKE_DISPLAY
# (for instance :0) runs on that display instead, to watch the run.
if [ -n "${KORVAN_SMOKE_DISPLAY:-}" ]; then
    DISPLAY_NUM=${KORVAN_SMOKE_DISPLAY#:}
else
    Xvfb -displayfd 5 -screen 0 1366x768x24 -nolisten tcp -noreset 5>"$WORK/display" \
        >"$WORK/xvfb.log" 2>&1 &
    XVFB_PID=$!
    DISPLAY_NUM=
    for _ in $(seq 100); do
        DISPLAY_NUM=$(tr -dc 0-9 <"$WORK/display" 2>/dev/null)
        if [ -n "$DISPLAY_NUM" ]; then break; fi
        sleep 0.1
    done
    if [ -z "$DISPLAY_NUM" ]; then
        echo "smoke: Xvfb did not start"; cat "$WORK/xvfb.log"; exit 1
    fi
fi

export DISPLAY=":$DISPLAY_NUM"
export QT_QPA_PLATFORM=xcb
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
export QT_ACCESSIBILITY=1
export NO_AT_BRIDGE=0
export LANG=C.UTF-8 LC_ALL=C.UTF-8
unset SESSION_MANAGER DBUS_SESSION_BUS_ADDRESS AT_SPI_BUS_ADDRESS

# The whole run is bounded: smoke.py has a timeout on every wait, this is the last resort.
timeout -k 10 240 dbus-run-session -- "$PY" "$HERE/smoke.py" \
    --korvan "$WORK/korvan" --cli "$BIN/korvan-cli" --work "$WORK" \
    ${KORVAN_SMOKE_STEPS:+--steps "$KORVAN_SMOKE_STEPS"}
rc=$?
if [ $rc -eq 124 ] || [ $rc -eq 137 ]; then echo "smoke: the run took longer than 240 s"; rc=1; fi
exit $rc
