#!/bin/sh
# Start-up of the program to its first painted main window, and its resident
# memory then, with a design opened (default: the three-way example):
#   bench/startup.sh BUILD_DIR [DESIGN.bkt] [RUNS]
# Under Xvfb when no display is set (on Qt's offscreen platform when there is
# no Xvfb either). The program reports both through PELMO_STARTUP_PROBE; the
# wall time of the whole process is printed beside them.
set -eu
if [ -z "${DISPLAY:-}" ] && [ -z "${PELMO_UNDER_XVFB:-}" ] && command -v xvfb-run >/dev/null; then
    PELMO_UNDER_XVFB=1 exec xvfb-run -a "$0" "$@"
fi
[ -n "${DISPLAY:-}" ] || export QT_QPA_PLATFORM=offscreen
build=${1:?build folder}
design=${2:-$(dirname "$0")/../examples/ThreeWay.bkt}
runs=${3:-5}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
cp "$design" "$home/"
# Not a first start: the options dialog of a first start would wait for an
# answer (for ever on the offscreen platform).
mkdir -p "$home/data"
printf '[FirstTime]\r\nFirstTime=0\r\n' > "$home/data/Pelmo.ini"
copy="$home/$(basename "$design")"
i=0
while [ "$i" -lt "$runs" ]; do
    t0=$(date +%s%N)
    out=$(PELMO_HOME="$home/data" PELMO_STARTUP_PROBE=1 "$build/src/gui/pelmo" "$copy" 2>/dev/null)
    t1=$(date +%s%N)
    echo "$out, whole process $(((t1 - t0) / 1000000)) ms"
    i=$((i + 1))
done
