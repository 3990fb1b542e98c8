#!/usr/bin/env bash
# Real drags on a virtual display, driven with xdotool: a code item and a stored file from the client
# to a plain Qt drop target, and both from one document host to another with a library of its own.
# Usage (inside xvfb-run): real_drag.sh <program folder> <drop recorder>. MRV_DRAG_SHOTS=<folder>
# keeps screenshots, the tree's drop highlight among them.
set -euo pipefail
bin=$1 recorder=$2
export QT_QPA_PLATFORM=xcb  # the test runner may have asked for the offscreen one
work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
shot() { if [[ -n "${MRV_DRAG_SHOTS:-}" ]]; then import -window root "$MRV_DRAG_SHOTS/$1.png"; fi; }

# A home of its own with the sample library; prompts and tips off, so that no box waits for a click.
home() {
    local h=$work/$1
    mkdir -p "$h/config/morvane" "$h/data/morvane/Library" "$h/tmp"
    printf '[Varnholt%%20Software]\nMorvane\\General%%20Properties\\Show%%20Tips%%20at%%20Startup=0\n%s\n' \
        'Morvane\General%20Properties\Use%20Drag%20&%20Drop%20Prompts=0' > "$h/config/morvane/settings.ini"
    cp "$bin/Library/Sample Code Library.mdb" "$h/data/morvane/Library/"
}
library() { echo "$work/$1/data/morvane/Library/Sample Code Library.mdb"; }
start() {  # home, program...
    local h=$work/$1; shift
    HOME=$h XDG_CONFIG_HOME=$h/config XDG_DATA_HOME=$h/data XDG_CACHE_HOME=$h/cache TMPDIR=$h/tmp \
        "$@" >"$h/log" 2>&1 &
    pids+=($!)
    started=$!
}
# The program's main window (its title has the name; the splash window is smaller), placed at x y.
place() {
    local window="" w
    for _ in $(seq 1 60); do
        for w in $(xdotool search --all --onlyvisible --pid "$1" --name "$4" 2>/dev/null); do
            [[ $(xdotool getwindowgeometry "$w") =~ Geometry:\ ([0-9]+)x ]] && ((BASH_REMATCH[1] > 560)) && window=$w
        done
        [[ -n "$window" ]] && break
        sleep 0.5
    done
    [[ -n "$window" ]] || fail "no window '$4' of $1"
    sleep 1
    xdotool windowmove "$window" "$2" "$3"
    sleep 1
}
# Presses at x1 y1, moves in steps to x2 y2 and lets go there.
drag() {
    xdotool mousemove "$1" "$2" mousedown 1
    for i in $(seq 1 12); do
        xdotool mousemove $(($1 + ($3 - $1) * i / 12)) $(($2 + ($4 - $2) * i / 12))
        sleep 0.12
    done
    sleep 0.5
    xdotool mouseup 1
    sleep 2
}
click() { xdotool mousemove "$1" "$2" click 1; sleep 1; }

home a
home b
head -c 70000 /dev/urandom >"$work/payload.bin"
sqlite3 "$(library a)" "INSERT INTO Procedure (CatKey, Name, Type, Desc, File, LastChanged, Owner, LastChangedBy)
    VALUES (9, 'payload.bin', 'File', 'File', readfile('$work/payload.bin'), '2024-01-01', 1, 1)"
sqlite3 "$(library a)" "SELECT writefile('$work/code.txt', Code) FROM Procedure WHERE Name = 'FieldExists'" >/dev/null

# Rows and nodes as the window placed at (20, 200) shows them: the whole library's first item, the
# "Stored Files" and "Notes" nodes, the stored file's row once its category is chosen.
item_row=(270 387) files_node=(120 333) notes_node=(103 297) file_row=(280 333)

# ---- The client to a plain Qt drop target ----
mkdir -p "$work/received"
"$recorder" "$work/record.txt" "$work/received" >"$work/recorder.log" 2>&1 &
pids+=($!)
start a "$bin/mrvc"
place "$started" 20 200 "(Client)"
client=$started
shot client
drag "${item_row[@]}" 1100 230
cmp -s "$work/received/text" "$work/code.txt" || fail "the recorder did not get the item's code"
click "${files_node[@]}"
drag "${file_row[@]}" 1100 230
grep -q '^url: file:///.*/payload.bin$' "$work/record.txt" || fail "no file URL: $(cat "$work/record.txt")"
cmp -s "$work/received/copy-1" "$work/payload.bin" || fail "the file behind the URL is not the stored one"
echo "client to recorder: code and stored file received"

# The drop highlight: a row held over a tree node, then taken back to its own list.
xdotool mousemove "${file_row[@]}" mousedown 1
for x in 260 220 180 140 110 103; do xdotool mousemove "$x" 297; sleep 0.15; done
sleep 0.6
shot tree-drop-highlight
for x in 200 300 400; do xdotool mousemove "$x" 500; sleep 0.15; done
xdotool mouseup 1
sleep 1
kill "$client"

# ---- One document host to another, each with its own library ----
start a "$bin/mrv"
place "$started" 20 200 "MRVDocument"
start b "$bin/mrv"
place "$started" 660 200 "MRVDocument"
click $((660 + ${notes_node[0]} - 20)) "${notes_node[1]}"
drag "${item_row[@]}" 950 500
click "${files_node[@]}"
drag "${file_row[@]}" 950 520
shot documents
got=$(sqlite3 "$(library b)" "SELECT P.Type || '|' || P.Name FROM Procedure P, Category C
    WHERE P.CatKey = C.CatKey AND C.Name = 'Notes' AND P.Name IN ('FieldExists', 'payload.bin') ORDER BY P.Name")
[[ "$got" == $'Text/Code|FieldExists\nFile|payload.bin' ]] || fail "the other library holds: $got"
sqlite3 "$(library b)" "SELECT writefile('$work/got.bin', File) FROM Procedure WHERE Name = 'payload.bin'" >/dev/null
cmp -s "$work/got.bin" "$work/payload.bin" || fail "the stored file arrived changed"
sqlite3 "$(library b)" "SELECT writefile('$work/got.txt', Code) FROM Procedure P, Category C
    WHERE P.CatKey = C.CatKey AND C.Name = 'Notes' AND P.Name = 'FieldExists'" >/dev/null
cmp -s "$work/got.txt" "$work/code.txt" || fail "the code arrived changed"
echo "document to document: code item and stored file filed under Notes of the other library"
