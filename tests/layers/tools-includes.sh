#!/bin/sh
# tarvix-db's folders include only those below them: base, then formats and jet,
# then commands, then cli; none includes a window. Only the Jet reader child
# (JetReaderChild and the rows it reads, JetRows) includes libmdb, and only the PDF text reader Poppler (run in its guarded child).
#   tools-includes.sh SOURCE_DIR
cd "$1/tools" || exit 1
failures=0
allowed()
{
    case "$1" in
        base) echo "tools/base/ store/ platform/" ;;
        formats | jet) echo "tools/$1/ tools/base/ store/ platform/" ;;
        commands) echo "tools/commands/ tools/formats/ tools/jet/ tools/base/ store/ platform/" ;;
        cli) echo "tools/ store/ platform/" ;;
    esac
}
for folder in */; do
    folder=${folder%/}
    prefixes=$(allowed "$folder")
    if [ -z "$prefixes" ]; then
        echo "FAIL: tools/$folder is not a known layer"
        failures=$((failures + 1))
        continue
    fi
    for file in "$folder"/*.h "$folder"/*.cpp; do
        [ -e "$file" ] || continue
        for included in $(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file"); do
            ok=no
            for p in $prefixes; do
                case "$included" in "$p"*) ok=yes ;; esac
            done
            [ "$included" = "platform/Toolkit.h" ] && ok=no
            case "$included" in platform/toolkit/*) ok=no ;; esac
            if [ "$ok" = no ]; then
                echo "FAIL: tools/$file includes $included"
                failures=$((failures + 1))
            fi
        done
        case "$file" in jet/JetReaderChild.cpp | jet/JetRows.h | jet/JetRows.cpp) child=yes ;; *) child=no ;; esac
        if grep -q '^#include <mdbtools.h>' "$file" && [ "$child" = no ]; then
            echo "FAIL: tools/$file includes libmdb"
            failures=$((failures + 1))
        fi
        if grep -q '^#include <poppler' "$file" && [ "$file" != formats/PdfText.cpp ]; then
            echo "FAIL: tools/$file includes Poppler"
            failures=$((failures + 1))
        fi
    done
done
[ "$failures" -eq 0 ] || exit 1
echo "tools: every include goes down"
