#!/usr/bin/env bash
# Farm rendering end to end: a one-node Slurm cluster from Debian's packages, a job split into 4
# ranges by scripts/slurm-render, and its movie compared with a single-machine render of the same
# job (decoded pictures and sound, track layout). Exits 77 (skipped), saying why, when the
# cluster cannot be started here.
#   SlurmFarmTest.sh LUMENREEL_RENDER SOURCE_DIR
set -euo pipefail
tool=$1
source=$2
work=$(mktemp -d)
cluster="$work/cluster"
cleanup() {
    "$source/scripts/one-node-slurm" stop "$cluster" || true
    rm -rf "$work"
}
trap cleanup EXIT

status=0
environment=$("$source/scripts/one-node-slurm" start "$cluster") || status=$?
if [ "$status" = 77 ]; then
    exit 77
elif [ "$status" != 0 ]; then
    echo "the cluster failed to start ($status)" >&2
    exit 1
fi
eval "$environment"

composition="$source/resources/compositions/FeedbackTrails.fs"
sound="$source/resources/sounds/demo-arpeggio.m4a"
job=(--size 64x48 --fps 30 --duration 2)
LUMENREEL_RENDER=$tool "$source/scripts/slurm-render" "$composition" --nodes 4 \
    --output "$work/farm" --audio "$sound" "${job[@]}"
mkdir -p "$work/one"
"$tool" "${job[@]}" --audio "$sound" --output "$work/one" "$composition" >/dev/null \
    2>"$work/one.log" || { cat "$work/one.log" >&2; exit 1; }

# The join runs last; its movie appears once all of it is done.
deadline=$((SECONDS + 300))
while [ ! -f "$work/farm/FeedbackTrails.mov" ] || squeue --noheader | grep -q .; do
    if [ $SECONDS -ge $deadline ]; then
        echo "the farm job did not finish within 300 s" >&2
        squeue >&2 || true
        tail -n 5 "$work"/farm/.slurm-*/*.log >&2 || true
        exit 1
    fi
    sleep 1
done

fingerprint() {
    ffprobe -v error -show_entries stream=codec_type,codec_name,nb_frames,duration \
        -of compact "$1"
    ffmpeg -v error -i "$1" -map 0:v -f framemd5 - | grep -v '^#'
    ffmpeg -v error -i "$1" -map 0:a -f md5 -
}
if ! diff <(fingerprint "$work/one/FeedbackTrails.mov") \
    <(fingerprint "$work/farm/FeedbackTrails.mov") >"$work/diff"; then
    echo "the farm's movie differs from one machine's:" >&2
    head -n 20 "$work/diff" >&2
    exit 1
fi
echo "4 Slurm tasks and their join gave the movie of one machine"

# A task that fails (its segment's name is taken by a folder) fails the job that names it, and
# no movie is written.
mkdir -p "$work/broken/FeedbackTrails.frames-15-29.mov/taken"
LUMENREEL_RENDER=$tool "$source/scripts/slurm-render" "$composition" --nodes 4 \
    --output "$work/broken" --audio "$sound" "${job[@]}" >/dev/null
deadline=$((SECONDS + 300))
while squeue --noheader | grep -q .; do
    if [ $SECONDS -ge $deadline ]; then
        echo "the failing farm job did not end within 300 s" >&2
        exit 1
    fi
    sleep 1
done
log="$work/broken/.slurm-FeedbackTrails/failed.log"
if ! grep -q "task 1 (frames 15:29) failed" "$log" 2>/dev/null; then
    echo "the failed task was not named:" >&2
    cat "$log" >&2 || true
    exit 1
fi
if [ -e "$work/broken/FeedbackTrails.mov" ]; then
    echo "a movie was written although a task failed" >&2
    exit 1
fi
echo "a failed task was named and no movie was written"
