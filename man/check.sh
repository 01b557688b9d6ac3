#!/bin/sh
# A manual page as man shows it: no warning from man or groff, a whatis entry
# lexgrog can read, and (given tarvix-db) every command and option of the help text.
#   check.sh PAGE [TARVIX_DB]
page=$1
tool=$2
export LC_ALL=C.UTF-8 MANWIDTH=80
warnings=$(man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
    printf 'FAIL: man --warnings on %s:\n%s\n' "$page" "$warnings"
    exit 1
fi
if command -v lexgrog >/dev/null && ! lexgrog "$page" >/dev/null; then
    echo "FAIL: lexgrog finds no whatis entry in $page"
    exit 1
fi
[ -n "$tool" ] || exit 0
text=$(man -E UTF-8 -l "$page" 2>/dev/null)
help=$("$tool" --help) || { echo "FAIL: $tool --help"; exit 1; }
missing=""
for word in $(printf '%s\n' "$help" | sed -n '/^Comenzi:/,/^$/s/^  \([a-z][a-z-]*\).*/\1/p') \
            $(printf '%s\n' "$help" | grep -o -- '--[a-z][a-z-]*' | sort -u); do
    printf '%s\n' "$text" | grep -q -- "$word" || missing="$missing $word"
done
if [ -n "$missing" ]; then
    echo "FAIL: $page does not describe:$missing"
    exit 1
fi
echo "$page: clean"
