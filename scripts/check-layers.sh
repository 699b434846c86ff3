#!/bin/sh
# Fails when a library under src/ includes a header it may not use: one of a layer above it, one
# past the layer below it (except the few named headers), or another library's internal/ header.
# Run by ctest (LayerBoundaries); the table in docs/DEVELOPMENT.md says the same in words.
cd "${1:-$(dirname "$0")/..}" || exit 2

# A folder name allows every public header of that layer; a path allows that header alone.
allowed() {
    case $1 in
    common) echo common ;;
    crypto) echo common crypto ;;
    pcsc) echo common pcsc ;;
    card) echo common crypto pcsc card ;;
    transactions) echo common crypto card pcsc/reader_session.h pcsc/status_words.h transactions ;;
    control) echo common crypto card transactions pcsc/reader_session.h control ;;
    widgets) echo common crypto widgets ;;
    dialogs) echo common crypto widgets control/ui.h dialogs ;;
    agent) echo common crypto control widgets dialogs pcsc/call_log.h agent ;;
    esac
}

status=0
for layer in common crypto pcsc card transactions control widgets dialogs agent; do
    list=" $(allowed "$layer") "
    for hit in $(grep -rHoE '^#include "[a-z_]+/[^"]+"' "src/$layer" | sed 's/#include "//; s/"$//'); do
        file=${hit%%:*}
        header=${hit#*:}
        case "$list" in
        *" ${header%%/*} "* | *" $header "*) ;;
        *) echo "$file: $layer may not include $header" && status=1 ;;
        esac
    done
done

# internal/ headers belong to their own library: its sources include them by bare name through a
# private include directory (as may a test that is given that directory explicitly), and nobody
# reaches them by path.
grep -rnE '^#include "[^"]*internal/' src sim host tests bench fuzz 2>/dev/null && status=1
exit $status
