#!/bin/sh
# at_dpi.sh DPI WINE PROGRAM [ARGUMENT...]: runs a Windows program under WINE with the prefix's
# screen at DPI dots per inch, then puts the prefix's setting back. Wine 10 reads the setting only
# when its server starts, so the server is let go after each change (Wine 8 reads it at once).
set -eu
dpi=$1 wine=$2
shift 2
key='HKCU\Control Panel\Desktop'
old=$("$wine" reg query "$key" /v LogPixels 2>/dev/null | awk '$1 == "LogPixels" {print $3}')

set_logpixels() {
    if [ -n "$1" ]; then
        "$wine" reg add "$key" /v LogPixels /t REG_DWORD /d "$(($1))" /f >/dev/null
    else
        "$wine" reg delete "$key" /v LogPixels /f >/dev/null 2>&1 || true
    fi
    wineserver -w
}

set_logpixels "$dpi"
trap 'set_logpixels "$old"' EXIT
"$wine" "$@"
