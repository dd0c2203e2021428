#!/usr/bin/env bash
# Prints what detection costs this program and the motion daemon on the same recorded clip: CPU
# seconds per 60 s of running (the smaller of two runs) and private memory, for a 320 x 240 and a
# 768 x 576 MJPEG clip at 20 frames a second (vtest.avi from Debian's opencv-doc, re-timed). Both
# programs run at the same time, so they see the same load; ours has detection armed and the
# simulated chat client attached, motion reads the clip at 20 frames a second.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --bench >/dev/null
scripts/build.sh release >/dev/null
build=build/release
seconds="${VQ_BENCH_SECONDS:-60}"
runs="${VQ_BENCH_RUNS:-2}"
warm_up=5
source_clip=/usr/share/doc/opencv-doc/examples/data/vtest.avi

mkdir -p build/bench
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null; rm -rf "$work"' EXIT
mkdir -m 700 "$work/runtime"
export XDG_RUNTIME_DIR="$work/runtime"

# The source's frames, scaled, encoded as JPEG and stamped 20 frames a second.
make_clip() {
    local width=$1 height=$2 clip=$3
    [ -f "$clip" ] && return
    gst-launch-1.0 -q filesrc location="$source_clip" ! decodebin ! videoconvert ! videoscale ! \
        "video/x-raw,format=I420,width=$width,height=$height" ! fdsink fd=1 |
        gst-launch-1.0 -q fdsrc fd=0 blocksize=$((width * height * 3 / 2)) ! \
            rawvideoparse width="$width" height="$height" format=i420 framerate=20/1 ! \
            jpegenc quality=85 ! avimux ! filesink location="$clip.part"
    mv "$clip.part" "$clip"
}

motion_config() {
    local clip=$1 width=$2 height=$3 folder=$4
    cat <<EOF
daemon off
log_level 1
target_dir $folder
netcam_url file://$(realpath "$clip")
netcam_params capture_rate=20
width $width
height $height
framerate 20
picture_output off
movie_output off
snapshot_interval 0
stream_port 0
webcontrol_port 0
EOF
}

cpu_ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
# Private memory: clean and dirty pages that no other process maps. The clean part (program and
# library code) counts only while no other process runs the same files, so the dirty part (the
# program's own data) is printed on its own as well.
private_kib() { awk '/^Private_(Clean|Dirty):/ {sum += $2} END {print sum}' "/proc/$1/smaps_rollup"; }
dirty_kib() { awk '/^Private_Dirty:/ {print $2}' "/proc/$1/smaps_rollup"; }

# One run of both programs side by side; prints "ours_ticks motion_ticks ours_kib motion_kib
# ours_dirty_kib".
run_both() {
    local clip=$1 width=$2 height=$3 folder
    folder=$(mktemp -d -p "$work")
    mkdir "$folder/ours" "$folder/motion"
    motion_config "$clip" "$width" "$height" "$folder/motion" >"$folder/motion.conf"
    motion -n -c "$folder/motion.conf" >/dev/null 2>&1 &
    local motion_pid=$!
    "$build/src/videoquelm" --headless --camera "$clip" --skype sim --arm \
        --app-folder "$folder/ours" </dev/null >/dev/null 2>&1 &
    local ours_pid=$!
    sleep "$warm_up"
    local ours_before motion_before
    ours_before=$(cpu_ticks "$ours_pid")
    motion_before=$(cpu_ticks "$motion_pid")
    sleep "$seconds"
    echo "$(($(cpu_ticks "$ours_pid") - ours_before)) $(($(cpu_ticks "$motion_pid") - motion_before))" \
        "$(private_kib "$ours_pid") $(private_kib "$motion_pid") $(dirty_kib "$ours_pid")"
    kill -TERM "$ours_pid" "$motion_pid"
    wait "$ours_pid" "$motion_pid" 2>/dev/null || true
}

hz=$(getconf CLK_TCK)
echo "CPU seconds per 60 s (least of $runs runs of ${seconds} s), private memory at the end"
printf "%-9s %8s %8s %7s %10s %13s %12s\n" clip ours motion ratio "ours MiB" "(of it dirty)" \
    "motion MiB"
for size in 320x240 768x576; do
    width=${size%x*}
    height=${size#*x}
    clip=build/bench/vtest_${size}_20fps_mjpeg.avi
    make_clip "$width" "$height" "$clip"
    best=""
    for _ in $(seq "$runs"); do
        result=$(run_both "$clip" "$width" "$height")
        best=$(printf "%s\n%s\n" "$best" "$result" | awk 'NF == 5' | sort -n -k1,1 | head -1)
        best_motion=$(printf "%s\n%s\n" "${best_motion:-}" "$result" | awk 'NF == 5' |
            sort -n -k2,2 | head -1)
    done
    read -r ours _ ours_kib _ ours_dirty <<<"$best"
    read -r _ motion _ motion_kib _ <<<"$best_motion"
    awk -v size="$size" -v o="$ours" -v m="$motion" -v hz="$hz" -v s="$seconds" -v ok="$ours_kib" \
        -v mk="$motion_kib" -v od="$ours_dirty" 'BEGIN {
            ours = o / hz * 60 / s; motion = m / hz * 60 / s
            ratio = motion > 0 ? ours / motion : 0
            printf "%-9s %8.2f %8.2f %7.2f %10.1f %13.1f %12.1f\n", size, ours, motion, ratio,
                ok / 1024, od / 1024, mk / 1024 }'
    best_motion=""
done
