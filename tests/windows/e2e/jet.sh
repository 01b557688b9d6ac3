#!/usr/bin/env bash
# The real program meets an older Access "Dictionar.mdb". Enter on the question
# (Da, its default button): tarvix-db beside the program brings the data over,
# the main window opens on the new store, Esc, status 0, the original kept
# beside it. In a fresh folder Esc on the question (Nu): the error box, Enter,
# a non-zero status, the folder byte for byte as it was.
# Usage (inside xvfb-run): jet.sh PROGRAM TARVIX-DB TARVIX-JET-FIXTURE [SCREENSHOT.png]
set -u
program="$(realpath "$1")"
tool="$(realpath "$2")"
fixture="$(realpath "$3")"
shot="${4:-}"
work="$(mktemp -d)"
pid=""
cleanup() { [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; cat "$work/log" >&2 2>/dev/null; exit 1; }

. "$(dirname "${BASH_SOURCE[0]}")/driver.sh"

listing() { (cd "$1" && find . -mindepth 1 | sort && sha256sum -- *); }

# As installed: the program and tarvix-db in one folder; this one notes each call.
mkdir "$work/bin" "$work/da" "$work/nu"
cp "$program" "$work/bin/tarvix"
cat >"$work/bin/tarvix-db" <<EOF
#!/bin/sh
printf '%s|%s\n' "\$(pwd -P)" "\$*" >>"$work/calls"
exec "$tool" "\$@"
EOF
chmod +x "$work/bin/tarvix-db"
touch "$work/calls"
for folder in da nu; do
  "$fixture" dictionary "$work/$folder/Dictionar.mdb" --version 4 --words "MĂR,PÂINE,ȘTIINȚĂ" \
    --chapters "Întâi,Al doilea" --links "1:1,2:1,3:2" || fail "could not make the Jet dictionary"
done
da="$(cd "$work/da" && pwd -P)"
jet="$(sha256sum <"$da/Dictionar.mdb")"
nu_before="$(listing "$work/nu")"

(cd "$da" && exec "$work/bin/tarvix" 2>>"$work/log") &
pid=$!
question="$(window '^Tarvix$')" || fail "no question box for the Jet file"
if [ -n "$shot" ]; then
  sleep 0.5
  import -window root "$shot" || fail "no screenshot"
fi
press "$question" Return
gone "$question" || fail "the question box stayed after Enter"
# What came over, before the main window.
report="$(window '^Tarvix$' "$question")" || fail "no report box after the conversion; files: $(ls -A "$da")"
press "$report" Return
gone "$report" || fail "the report box stayed after Enter"
main="$(window '^Tarvix - ')" || fail "no main window after the conversion; calls: $(cat "$work/calls"); files: $(ls -A "$da")"
# Asked first for the name the original is kept as, for the question; then the conversion.
[ "$(cat "$work/calls")" = "$da|convert --original-name $da/Dictionar.mdb
$da|convert $da/Dictionar.mdb" ] || fail "tarvix-db beside the program was not called as expected: $(cat "$work/calls")"
[ "$(head -c 15 "$da/Dictionar.mdb")" = "SQLite format 3" ] || fail "Dictionar.mdb is not a Tarvix store now"
counts="$(sqlite3 "$da/Dictionar.mdb" 'SELECT (SELECT count(*) FROM tblDictionar), (SELECT count(*) FROM tblCapitol), (SELECT count(*) FROM tblLegatura)')"
[ "$counts" = "3|2|3" ] || fail "the new store holds $counts, not 3|2|3"
[ "$(sqlite3 "$da/Dictionar.mdb" 'SELECT group_concat(Cuvant, ",") FROM (SELECT Cuvant FROM tblDictionar ORDER BY Cuvant)')" = "MĂR,PÂINE,ȘTIINȚĂ" ] \
  || fail "the words did not come over as they were"
[ "$(sha256sum <"$da/Dictionar.original-jet4.mdb")" = "$jet" ] || fail "the original was not kept byte for byte"
press "$main" Escape
finish
status=$?
[ "$status" -eq 0 ] || fail "status $status after closing the converted store"
[ "$(cd "$da" && ls -A | tr '\n' ' ')" = "Dictionar.mdb Dictionar.original-jet4.mdb " ] || fail "unexpected files: $(ls -A "$da")"
echo "ok: Jet file, Enter (Da), converted by the tarvix-db beside the program, report, main window, Esc, status 0"

(cd "$work/nu" && exec "$work/bin/tarvix" 2>>"$work/log") &
pid=$!
question="$(window '^Tarvix$')" || fail "no question box for the second Jet file"
press "$question" Escape
gone "$question" || fail "the question box stayed after Esc"
box="$(window '^Tarvix$' "$question")" || fail "no error box after Nu"
press "$box" Return
finish
status=$?
[ "$status" -ne 0 ] || fail "status 0 after refusing the conversion"
[ "$(listing "$work/nu")" = "$nu_before" ] || fail "the folder changed after Nu"
[ "$(grep -c -v -e '--original-name' "$work/calls")" -eq 1 ] || fail "tarvix-db converted after Nu"
echo "ok: Jet file, Esc (Nu), error box, Enter, status $status, folder untouched"
