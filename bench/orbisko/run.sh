#!/usr/bin/env bash
# orbisko --batch --topography: the world map coloured by height, for each of the four grid
# layouts it recognises. There is no other tool that does this, so the figures are absolute;
# the same run without --topography, alternately, shows what the colouring pass adds.
# Targets of its own: the colouring pass under 30 ms for every layout, and the whole run of the
# world map with --topography under 35 ms (stretch 25 ms). Then the window's redraw, timed inside
# the program (orbisko-redraw-timing): the world map with topography, as a wheel zoom or a pan
# redraws it, within one frame (median 16 ms) at the designed 900 x 450; the figure at a
# full-screen map (1904 x 948, a 1920 x 1080 screen less the window's frame) and at the designed
# window on a 2x screen (1800 x 900 device pixels, where the map is drawn) are reported too.
#
#   bench/orbisko/run.sh       (environment: see bench/lib.sh)
#
# The grids are made once by maketerrain and kept in bench/work/orbisko/, one folder a layout,
# each under a name the program searches for.
source "$(dirname "$0")/../lib.sh"
NeedProgram orbisko
NeedProgram maketerrain
NeedProgram orbisko-redraw-timing
NeedDebs time

work=$work_root/orbisko
grid_name() {
    case $1 in
    1) echo etopo5.elev ;;
    2) echo etopo5.dat ;;
    3) echo etopo5 ;;
    4) echo topo_8.2.img ;;
    esac
}
make_grids=()
for layout in 1 2 3 4; do
    folder=$work/layout$layout
    mkdir -p "$folder"
    ln -sf "$root/data/Countries.dat" "$folder/Countries.dat"
    if [ ! -f "$folder/$(grid_name $layout)" ]; then
        make_grids+=(--grid "$layout:$folder/$(grid_name $layout)")
    fi
done
if [ ${#make_grids[@]} -gt 0 ]; then
    echo "Making the grids with maketerrain (once, 193 MB)..." >&2
    "$bin/maketerrain" --quiet --shore "$root/data/gshhs_l.b" "${make_grids[@]}"
fi

Draw() {
    cd "$folder" && "$bin/orbisko" --batch --data "$folder/" --save "$folder/world.bmp"
}
DrawColoured() {
    cd "$folder" && "$bin/orbisko" --batch --data "$folder/" --topography \
        --save "$folder/world-topography.bmp"
}

# Runs are short, so take more of them; the pass is the difference of the CPU-time medians,
# which a busy machine disturbs less than wall-clock time.
runs=$((runs * 3))
echo "orbisko --batch, world map 900 x 450, drawn and coloured by height from each grid layout"
TableHeader
for layout in 1 2 3 4; do
    folder=$work/layout$layout
    WarmCache "$folder/$(grid_name $layout)" "$root/data/Countries.dat"
    Alternate Draw DrawColoured
    Row "layout $layout, map only" "$first_wall_ms" "$first_cpu_ms" Draw "$first_runs"
    Row "layout $layout, --topography ($(grid_name $layout))" "$second_wall_ms" \
        "$second_cpu_ms" DrawColoured "$second_runs"
    CheckGoal "orbisko layout $layout: colouring pass (CPU)" \
        "$((second_cpu_ms - first_cpu_ms))" 30 ms
    CheckGoal "orbisko layout $layout: whole run (wall)" "$second_wall_ms" 35 ms
done

echo "orbisko window: redraw of the world map with topography, median of 41 (inside the program)"
for layout in 1 2 3 4; do
    folder=$work/layout$layout
    timings=$("$bin/orbisko-redraw-timing" "$folder/" 1904x948 1800x900) || exit 1
    echo "$timings" | sed "s/^/  layout $layout, /"
    median=$(echo "$timings" | sed -n 's/^900 x 450: median \([0-9.]*\) ms.*/\1/p')
    CheckGoal "orbisko layout $layout: redraw at 900 x 450" "$median" 16 ms
done
Finish
