#!/usr/bin/env bash
# scripts/slurm-render without a cluster: a stand-in sbatch records what would be submitted and
# the test runs the generated task and join scripts itself. Paths full of shell syntax stay data,
# the ranges cover the frames lumenreel-render counts, a composition driven by the sound hears it
# in every task, and the joined movie equals one machine's.
#   SlurmRenderScriptTest.sh LUMENREEL_RENDER SOURCE_DIR
set -euo pipefail
tool=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_DATA_HOME="$work/home/data" XDG_CONFIG_HOME="$work/home/config"
mkdir -p "$work/bin" "$work/submitted" "$work/run" "$HOME"
cat >"$work/bin/sbatch" <<'SBATCH'
#!/usr/bin/env bash
# Records one submission, its arguments one a line, and answers with a job id.
count=$(find "$SBATCH_RECORD" -type f | wc -l)
printf '%s\n' "$@" >"$SBATCH_RECORD/$((count + 1))"
echo "$((1000 + count + 1))"
SBATCH
chmod +x "$work/bin/sbatch"
export PATH="$work/bin:$PATH" SBATCH_RECORD="$work/submitted"

failures=0
check() {
    if ! eval "$1"; then
        echo "FAILED: $2" >&2
        failures=$((failures + 1))
    fi
}
# Any command text of a path that ran would leave a file named PWNED somewhere under $work.
unharmed() { [ -z "$(find "$work" -name 'PWNED*' -print -quit)" ]; }

# A composition and an output folder whose names are shell syntax.
hostile='out $(touch PWNED1) `touch PWNED2`'
mkdir -p "$work/$hostile"
composition="$work/$hostile/Bars \$(touch PWNED3).fs"
cp "$source/resources/compositions/SpectrumBars.fs" "$composition"
sound="$source/resources/sounds/demo-arpeggio.m4a"
output="$work/$hostile/farm"
job=(--size 32x24 --fps 25 --duration 2)

(cd "$work/run" && LUMENREEL_RENDER=$tool "$source/scripts/slurm-render" "$composition" \
    --nodes 3 --output "$output" --audio "$sound" "${job[@]}" >"$work/submit.log")
scripts="$output/.slurm-Bars \$(touch PWNED3)"
check '[ -f "$scripts/task.sh" ] && [ -f "$scripts/join.sh" ]' "the scripts were written"
# 2 s at 25 fps are 51 frames, as lumenreel-render counts them.
expected=$("$tool" "${job[@]}" --frame-count)
check '[ "$expected" = 51 ]' "lumenreel-render counts 51 frames for 2 s at 25 fps ($expected)"
check 'grep -qx "ranges=(0:16 17:33 34:50)" "$scripts/task.sh"' "the ranges cover frames 0 to 50"
grep ranges= "$scripts/task.sh" || true
check 'grep -qx -- "--array=0-2" "$work/submitted/1"' "three tasks were submitted"

# The tasks, then the join, as the cluster would run them.
for task in 0 1 2; do
    (cd "$work/run" && SLURM_ARRAY_TASK_ID=$task bash "$scripts/task.sh" >/dev/null \
        2>"$work/task-$task.log") || { cat "$work/task-$task.log" >&2; failures=$((failures + 1)); }
done
(cd "$work/run" && bash "$scripts/join.sh" >/dev/null 2>"$work/join.log") ||
    { cat "$work/join.log" >&2; failures=$((failures + 1)); }
movie="$output/Bars \$(touch PWNED3).mov"
check '[ -f "$movie" ]' "the join wrote the movie"
check unharmed "no text of a path ran"

mkdir -p "$work/one"
"$tool" "${job[@]}" --audio "$sound" --output "$work/one" "$composition" >/dev/null \
    2>"$work/one.log" || { cat "$work/one.log" >&2; exit 1; }
fingerprint() {
    ffprobe -v error -show_entries stream=codec_type,codec_name,nb_frames -of compact "$1"
    ffmpeg -v error -i "$1" -map 0:v -f framemd5 - | grep -v '^#'
    ffmpeg -v error -i "$1" -map 0:a -f md5 -
}
if ! diff <(fingerprint "$work/one/Bars \$(touch PWNED3).mov") <(fingerprint "$movie") \
    >"$work/diff"; then
    echo "FAILED: the farm's movie differs from one machine's:" >&2
    head -n 10 "$work/diff" >&2
    failures=$((failures + 1))
fi

# A failed task: the failure job names it with commands that can be pasted back.
rm -f "$output/Bars \$(touch PWNED3).frames-17-33.mov"
status=0
(cd "$work/run" && bash "$scripts/join.sh" >/dev/null 2>"$work/failed.log") || status=$?
check '[ $status = 1 ]' "the failure job failed ($status)"
check 'grep -qF "task 1 (frames 17:33) failed: resubmit it with sbatch --array=1 $(printf %q "$scripts/task.sh")" \
    "$work/failed.log"' "the failed task was named with a pasteable command"
cat "$work/failed.log"
check unharmed "no text of a path ran when a task failed"

# A folder name that is not even well-formed shell still gives scripts that run.
broken="$work/o3 \$(x"
(cd "$work/run" && LUMENREEL_RENDER=$tool "$source/scripts/slurm-render" "$composition" \
    --nodes 2 --output "$broken" "${job[@]}" >/dev/null)
for script in task join; do
    check 'bash -n "$broken/.slurm-Bars \$(touch PWNED3)/$script.sh"' "$script.sh of o3 \$(x parses"
done
status=0
(cd "$work/run" && bash "$broken/.slurm-Bars \$(touch PWNED3)/join.sh" 2>"$work/broken.log") ||
    status=$?
check '[ $status = 1 ] && grep -q "task 0 (frames 0:24) failed" "$work/broken.log"' \
    "the join of o3 \$(x names its missing tasks"
check unharmed "no text of a path ran in o3 \$(x"

[ $failures = 0 ] || exit 1
echo "slurm-render's scripts keep paths as data and split the job as lumenreel-render counts it"
