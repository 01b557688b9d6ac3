#!/usr/bin/env bash
# The real program under a virtual display: splash, a key press, the main
# window, a search by a mouse click and then Enter, which must leave the
# program running, Esc, status 0; then a folder without "Dictionar.mdb": the error box,
# Enter, a non-zero status and no file made.
# Usage (inside xvfb-run): startup.sh PROGRAM TARVIX-DB
set -u
program="$1"
tool="$2"
work="$(mktemp -d)"
pid=""
cleanup() { [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

. "$(dirname "${BASH_SOURCE[0]}")/driver.sh"

mkdir "$work/store" "$work/empty"
"$tool" sample "$work/store/Dictionar.mdb" >/dev/null || fail "could not make the sample store"

(cd "$work/store" && exec "$program") &
pid=$!
splash="$(window 'Form1')" || fail "no splash window"
press "$splash" a
main="$(window '^Tarvix - ')" || fail "no main window after a key on the splash"
xdotool windowfocus --sync "$main" 2>/dev/null || xdotool windowfocus "$main"
sleep 0.3
xdotool type --delay 30 algoritm
# A click on Cautã (its place in the window: 6180, 120 twips, 15 to a pixel).
eval "$(xdotool getwindowgeometry --shell "$main")"
xdotool mousemove --sync $((X + 412 + 40)) $((Y + 8 + 12)) click 1
sleep 0.5
# The button disabled itself: the focus went back to the keyword box, so Enter does nothing.
press "$main" Return
sleep 1
kill -0 "$pid" 2>/dev/null || fail "Enter after a search by click ended the program"
xdotool search --all --onlyvisible --pid "$pid" --name '^Tarvix - ' >/dev/null 2>&1 \
  || fail "the main window is gone after Enter"
echo "ok: search by click, then Enter, the program still running"
press "$main" Escape
finish
status=$?
[ "$status" -eq 0 ] || fail "status $status after a normal close"
echo "ok: key on the splash, Esc on the main window, status 0"

(cd "$work/empty" && exec "$program") &
pid=$!
box="$(window '^Tarvix$')" || fail "no error box for a missing store"
press "$box" Return
finish
status=$?
[ "$status" -ne 0 ] || fail "status 0 after the error"
[ -e "$work/empty/Dictionar.mdb" ] && fail "a store file was created"
echo "ok: missing store, error box, status $status"
