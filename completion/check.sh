#!/usr/bin/env bash
# Drives the tarvix-db completion as bash would, with and without bash-completion's
# helpers loaded, and checks it offers every command and option the help text names.
#   check.sh COMPLETION TARVIX_DB [BASH_COMPLETION]
completion=$1
tool=$2
helpers=${3:-}
failures=0

# What the completion offers for a command line whose last word is being typed.
offer()
{
    local line=$1
    COMP_LINE=$line
    COMP_POINT=${#line}
    # Split as readline does, "=" being a word of its own.
    read -r -a COMP_WORDS <<<"${line//=/ = }"
    [[ $line == *" " ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _tarvix_db tarvix-db "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]:-}"
    printf '%s\n' "${COMPREPLY[@]}" | LC_ALL=C sort | paste -sd ' ' -
}

expect()
{
    local got
    got=$(offer "$1")
    if [ "$got" != "$2" ]; then
        echo "FAIL [$mode] '$1': got '$got', expected '$2'"
        failures=$((failures + 1))
    fi
}

run_checks()
{
    expect "tarvix-db " "check convert copy create export help import import-mdb index link sample share suggest"
    expect "tarvix-db im" "import import-mdb"
    expect "tarvix-db import-mdb --" "--chapters --codepage --force --help --links --password --words"
    expect "tarvix-db index --" "--force --format --help --linked-only --output"
    expect "tarvix-db index Dictionar.mdb --li" "--linked-only"
    expect "tarvix-db check --" "--help --repair"
    expect "tarvix-db --v" "--version"
    expect "tarvix-db index Dictionar.mdb --format " "html tex text"
    expect "tarvix-db index Dictionar.mdb --format t" "tex text"
    expect "tarvix-db index --format=h" "html"
    expect "tarvix-db import-mdb --codepage 125" "1250 1251 1252 1257"
    expect "tarvix-db import-mdb --words t" "tblDictionar:ID_Cuvant:Cuvant"
    expect "tarvix-db --force sa" "sample"
    # File names after a command and after --output, folders after export's store.
    expect "tarvix-db check " "Dictionar.mdb csv vechi.mdb"
    expect "tarvix-db import-mdb --codepage 1250 v" "vechi.mdb"
    expect "tarvix-db index Dictionar.mdb --output D" "Dictionar.mdb"
    expect "tarvix-db index Dictionar.mdb --format html --output " "Dictionar.mdb csv vechi.mdb"
    expect "tarvix-db export Dictionar.mdb " "csv"
    expect "tarvix-db suggest --" "--apply --apply-from --chapter --force --format --help --min --output"
    expect "tarvix-db suggest Dictionar.mdb --format " "csv text"
    expect "tarvix-db suggest Dictionar.mdb --apply-from v" "vechi.mdb"
    expect "tarvix-db help " ""
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work" || exit 1
touch Dictionar.mdb vechi.mdb
mkdir csv

# Every command and option of the help text is offered somewhere.
help=$("$tool" --help) || { echo "FAIL: $tool --help"; exit 1; }
commands=$(printf '%s\n' "$help" | sed -n '/^Comenzi:/,/^$/p' | sed -n 's/^  \([a-z][a-z-]*\).*/\1/p' | sort -u)
options=$(printf '%s\n' "$help" | grep -o -- '--[a-z][a-z-]*' | sort -u)
[ -n "$commands" ] && [ -n "$options" ] || { echo "FAIL: no commands or options found in the help text"; exit 1; }

for mode in plain helpers; do
    if [ "$mode" = helpers ]; then
        [ -n "$helpers" ] && [ -r "$helpers" ] || { echo "SKIP [helpers]: bash-completion is not installed"; continue; }
        # shellcheck disable=SC1090
        . "$helpers"
    fi
    # shellcheck disable=SC1090
    . "$completion"
    [ "$(complete -p tarvix-db)" = "complete -F _tarvix_db tarvix-db" ] || { echo "FAIL [$mode]: not registered"; failures=$((failures + 1)); }
    run_checks
    offered=" $(offer "tarvix-db ") "
    for c in $commands; do
        [[ $offered == *" $c "* ]] || { echo "FAIL [$mode]: command $c not offered"; failures=$((failures + 1)); }
    done
    all=" $({ offer "tarvix-db --"; for c in $commands; do offer "tarvix-db $c --"; done; } | tr '\n' ' ') "
    for o in $options; do
        [[ $all == *" $o "* ]] || { echo "FAIL [$mode]: option $o not offered"; failures=$((failures + 1)); }
    done
done

[ "$failures" -eq 0 ] || exit 1
echo "completion: all checks passed"
