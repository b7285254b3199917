#!/usr/bin/env bash
# How time and memory grow with the work: terrafold at every width from 5400 to 43200 on the
# terrafold job's tile set, lumbrel on height images of 2700 x 1350, 5400 x 2700 and
# 10800 x 5400 and on terrafold's of 21600 x 10800 and 43200 x 21600, strandel across the GSHHG
# shoreline resolutions (crude to full) and across map sizes from 5400 to 43200 pixels wide on
# the full resolution. Writes the
# medians of wall-clock time and the peak resident memory to bench/growth.tsv and plots them
# into bench/growth.png (plot_growth.py).
#
#   bench/growth.sh      (environment: see bench/lib.sh; the shoreline files of the strandel
#                         job are reused, the other resolutions converted from GMT once)
source "$(dirname "$0")/lib.sh"
NeedProgram terrafold
NeedProgram maketerrain
NeedProgram lumbrel
NeedProgram strandel
NeedProgram gshhg2gshhs
NeedDebs gmt time python3-matplotlib
NeedDebs gmt-gshhg-high gmt-gshhg-full || echo "Some GMT shoreline resolutions are missing." >&2
GMT_USERDIR=$scratch/gmt
mkdir -p "$GMT_USERDIR"

figures=$scratch/growth.tsv
printf 'program\tsize_label\twork_units\twall_ms\tcpu_ms\tpeak_mb\n' >"$figures"

# Measure PROGRAM LABEL UNITS FUNCTION: one warm-up run, then the medians of $runs (wall clock,
# and CPU time, which other work on the machine disturbs less).
Measure() {
    local walls=() cpus=() i
    "$4" >/dev/null 2>&1
    for ((i = 0; i < runs; i++)); do
        TimeOnce "$4"
        walls+=("$wall_ms")
        cpus+=("$cpu_ms")
    done
    printf '%s\t%s\t%s\t%s\t%s\t%s\n' "$1" "$2" "$3" "$(Median "${walls[@]}")" \
        "$(Median "${cpus[@]}")" "$(PeakMemory "$4")" | tee -a "$figures"
}

work=$work_root/growth
mkdir -p "$work/terrafold" "$work/lumbrel" "$work/strandel"
tiles=$work_root/terrafold/GTOPO30
MakeTileSet "$tiles"
WarmCache "$tiles"/*.dem
for width in 5400 7200 8640 10800 14400 21600 43200; do
    TerrafoldRun() {
        cd "$work/terrafold" &&
            "$bin/terrafold" --batch --width "$width" --gtopo30 "$tiles" --gshhs "$root/data/gshhs_l.b"
    }
    Measure terrafold "$width x $((width / 2))" $((width * width / 2)) TerrafoldRun
    # The largest height images for lumbrel: terrafold's, since generating them takes long.
    if [ "$width" -ge 21600 ]; then cp "$work/terrafold/topo.png" "$work/heights-$width.png"; fi
done

for size in "2700 1350" "5400 2700" "10800 5400" "21600 10800" "43200 21600"; do
    read -r width height <<<"$size"
    image=$work/heights-$width.png
    [ -f "$image" ] || python3 "$bench_dir/lumbrel/make_height_image.py" "$image" "$width" "$height"
    WarmCache "$image"
    LumbrelRun() { cd "$work/lumbrel" && "$bin/lumbrel" --batch "$image"; }
    Measure lumbrel "$width x $height" $((width * height)) LumbrelRun
done
# 2.8 GB at 43200 x 21600.
rm -f "$work"/lumbrel/combined.*

declare -A names=([c]=crude [l]=low [i]=intermediate [h]=high [f]=full)
for resolution in c l i h f; do
    shore=$work_root/strandel/gshhs_$resolution.b
    if [ ! -f "$shore" ]; then
        # The full and high resolutions come in packages of their own, the rest with GMT.
        if [ ! -f "/usr/share/gmt-gshhg/binned_GSHHS_$resolution.nc" ] &&
            [ ! -f "/usr/share/gmt/coast/binned_GSHHS_$resolution.nc" ]; then
            echo "No GMT shorelines of resolution $resolution: skipped." >&2
            continue
        fi
        mkdir -p "$(dirname "$shore")"
        ConvertGmtShorelines "$resolution" "$shore.part"
        mv "$shore.part" "$shore"
    fi
    points=$(python3 - "$shore" <<'PY'
import struct, sys
data = open(sys.argv[1], "rb").read()
at = total = 0
while at + 36 <= len(data):
    count = struct.unpack(">i", data[at + 4:at + 8])[0]
    total += max(count, 0)
    at += 36 + 8 * max(count, 0)
print(total)
PY
)
    WarmCache "$shore"
    StrandelRun() {
        "$bin/strandel" --batch --view both --save "$work/strandel/shorelines.png" "$shore"
    }
    Measure strandel "${names[$resolution]}" "$points" StrandelRun
done

# strandel at growing map sizes on the full-resolution shorelines: the work is the map's pixels.
shore=$work_root/strandel/gshhs_f.b
if [ -f "$shore" ]; then
    WarmCache "$shore"
    for width in 5400 10800 21600 43200; do
        StrandelWidthRun() {
            "$bin/strandel" --batch --width "$width" --view both \
                --save "$work/strandel/shorelines-$width.png" "$shore"
        }
        Measure "strandel (map size)" "$width x $((width / 2))" $((width * width / 2)) \
            StrandelWidthRun
    done
    rm -f "$work"/strandel/shorelines-*.png "$work"/strandel/shorelines-*.png.aux.xml \
        "$work"/strandel/shorelines-*.pgw
else
    echo "No full-resolution shoreline file (bench/strandel/run.sh makes it): map sizes skipped." >&2
fi

cp "$figures" "$bench_dir/growth.tsv"
# Time a pixel from the default width up: the goal is that it does not grow by more than 25 %
# over its figure at 5400 across, and that terrafold's and lumbrel's memory does not grow with
# the image.
echo "A pixel, from 5400 pixels across (wall and CPU ns; growth over the figure at 5400):"
awk -F'\t' 'NR > 1 && ($1 == "terrafold" || $1 == "lumbrel" || $1 == "strandel (map size)") {
        split($2, size, " x ")
        if (size[1] < 5400) next
        wall = $4 * 1e6 / $3; cpu = $5 * 1e6 / $3
        printf "  %-20s %-14s %7.2f %7.2f ns %6d MB\n", $1, $2, wall, cpu, $6
        if (!($1 in wall0)) { wall0[$1] = wall; cpu0[$1] = cpu; mem0[$1] = $6 }
        if (wall / wall0[$1] > wallGrowth[$1]) wallGrowth[$1] = wall / wall0[$1]
        if (cpu / cpu0[$1] > cpuGrowth[$1]) cpuGrowth[$1] = cpu / cpu0[$1]
        if ($6 > memMost[$1]) memMost[$1] = $6
    }
    END {
        for (p in wall0)
            printf "  %-20s at most %+.0f %% wall, %+.0f %% CPU a pixel; memory %d MB at 5400, %d at most\n",
                p, (wallGrowth[p] - 1) * 100, (cpuGrowth[p] - 1) * 100, mem0[p], memMost[p]
    }' "$figures"
/usr/bin/python3 "$bench_dir/plot_growth.py" "$bench_dir/growth.tsv" "$bench_dir/growth.png"
echo "Wrote bench/growth.tsv and bench/growth.png."
