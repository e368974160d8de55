#!/usr/bin/env bash
# Starts `lumenreel FILE` in a fresh home under Xvfb and watches the window, without pressing
# Render: passes once two grabs a second apart differ in more than 1000 pixels of the preview, in
# more than 100 colours (a composition playing, not a picture appearing once); fails when that
# does not happen before the deadline.
#   PreviewUnderXvfbTest.sh LUMENREEL COMPOSITION [DEADLINE_SECONDS]
set -euo pipefail
lumenreel=$1
composition=$2
deadline=${3:-180}

for tool in Xvfb xwininfo import compare convert; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing"; exit 77; }
done

home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/run"
chmod 700 "$home/run"

export HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data
export XDG_RUNTIME_DIR=$home/run QT_QPA_PLATFORM=xcb
# A server of our own on a display number it picks itself (-displayfd): tests that start
# servers side by side never race for one number.
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$home/display" 2>/dev/null &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -rf "$home"' EXIT
for _ in $(seq 300); do
    [ -s "$home/display" ] && break
    kill -0 $server 2>/dev/null || { echo "FAIL: Xvfb did not start"; exit 1; }
    sleep 0.1
done
[ -s "$home/display" ] || { echo "FAIL: Xvfb gave no display in 30 s"; exit 1; }
export DISPLAY=:$(head -1 "$home/display")

timeout $((deadline + 60)) bash -c '
    lumenreel=$1 composition=$2 deadline=$3 grabs=$4
    "$lumenreel" "$composition" 2>"$grabs/stderr.txt" & app=$!
    trap "kill -TERM $app 2>/dev/null; wait $app 2>/dev/null" EXIT
    id=
    # The Lumenreel window that is on screen (Qt also names windows that are never shown).
    for _ in $(seq $((deadline * 10))); do
        for candidate in $(xwininfo -root -tree | awk "/\"Lumenreel/ { print \$1 }"); do
            if xwininfo -id "$candidate" | grep -q "Map State: IsViewable"; then
                id=$candidate
            fi
        done
        [ -n "$id" ] && break
        sleep 0.1
    done
    if [ -z "$id" ]; then
        echo "FAIL: no Lumenreel window appeared"
        tail -20 "$grabs/stderr.txt"
        exit 1
    fi
    sleep 2
    # The left column above the transport row: the menu bar and the preview.
    grab() { import -window "$id" -crop 340x295+10+0 +repage "$1"; }
    grab "$grabs/0.png"
    for second in $(seq 1 "$deadline"); do
        sleep 1
        grab "$grabs/$second.png"
        before=$grabs/$((second - 1)).png after=$grabs/$second.png
        pixels=$(compare -metric AE "$before" "$after" null: 2>&1 || true)
        pixels=${pixels%% *}
        pixels=${pixels%.*}
        colours=$(convert "$before" "$after" -compose difference -composite -format %k info: \
                  2>/dev/null || true)
        # A grab that failed is no change.
        [[ "$pixels" =~ ^[0-9]+$ ]] || pixels=0
        [[ "$colours" =~ ^[0-9]+$ ]] || colours=0
        echo "after ${second} s: ${pixels} pixels changed, ${colours} colours in the change"
        if [ "$pixels" -gt 1000 ] && [ "$colours" -gt 100 ]; then
            echo "PASS: the preview plays"
            touch "$grabs/passed"
            exit 0
        fi
        rm -f "$before"
    done
    echo "FAIL: the preview did not change in ${deadline} s"
    grep -v "^20..-" "$grabs/stderr.txt" | tail -5 || true
    kill -0 $app 2>/dev/null || echo "lumenreel is no longer running"
    exit 1
' _ "$lumenreel" "$composition" "$deadline" "$home" || true
[ -e "$home/passed" ]
