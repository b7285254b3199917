#!/usr/bin/env bash
# Kills each program's batch job and each tool that writes files with SIGKILL at random moments
# of a run that replaces the outputs of an earlier, different run, and checks after every kill:
#  - each output is byte for byte the earlier run's or the killed run's, or absent where one of
#    the two runs has none (never a mixture or a truncation);
#  - an image's sidecars are its own run's or absent, never another run's;
#  - at most one hidden temporary of each output is left (the next run removes older ones);
#  - the files a writer replaces as a set (the 33 tiles and their headers) are all of one run,
#    once the renames a killed run left in the folder's journal are counted as done;
# and at the end that a complete run leaves no temporary at all. Then WRITE_ERRORS runs (20 by
# default) each meet a full disk: ENOSPC at a random sync or rename of an output (through
# strace), or a random file-size limit: the run fails naming the file and the reason, or
# succeeds whole where nothing it needed failed; the outputs pass the checks above; no
# temporary is left.
# Every other kill lands at a random moment of the run, the rest at a random one of the calls
# that put files in place or remove them (rename, unlink, fsync; through strace), so that the
# last milliseconds of a run, its renames and sidecars, are hit as often as its long middle.
#   tests/kill-test.sh BIN_DIR [KILLS_PER_WRITER] [WRITER...]
# Writers: terrafold lumbrel strandel orbisko gshhg2gshhs makecountries importdem maketerrain
# (default: all of them; importdem when it is built). TMPDIR on a tmpfs makes the tile writers
# much faster: they write 1.87 GB a run.
set -u
bin=$(cd "${1:?usage: tests/kill-test.sh BIN_DIR [KILLS] [WRITER...]}" && pwd)
kills=${2:-200}
errors=${WRITE_ERRORS:-20}
shift $(($# >= 2 ? 2 : 1))
writers=("$@")
[ ${#writers[@]} -eq 0 ] &&
    writers=(terrafold lumbrel strandel orbisko gshhg2gshhs makecountries importdem maketerrain)
data=$(cd "$(dirname "$0")/../data" && pwd)
work=$(mktemp -d "${TMPDIR:-/tmp}/varnholt-kill-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=offscreen
failures=0

fail() {
    echo "FAIL $*" >&2
    failures=$((failures + 1))
}

# A file's digest; a PNG's without its time stamp, the one chunk in which two runs differ.
hash_of() {
    [ -e "$1" ] || { echo absent; return; }
    perl -e 'binmode STDOUT; open my $f, "<:raw", $ARGV[0] or exit 1; local $/; my $d = <$f>;
        if (substr($d, 0, 8) eq "\x89PNG\r\n\x1a\n") {
            my ($o, $out) = (8, substr($d, 0, 8));
            while ($o < length $d) {
                my ($n, $type) = unpack "Na4", substr($d, $o, 8) . "\0" x 8;
                my $end = $o + 12 + $n;
                $end = length $d if $end > length $d;
                $out .= substr($d, $o, $end - $o) unless $type eq "tIME";
                $o = $end;
            }
            $d = $out;
        }
        print $d' "$1" | sha256sum | cut -d' ' -f1
}

# Whether a file has a reference run's content, both being absent included. Hard links of the
# earlier run's files need no reading; other files but PNGs are compared byte for byte, which is
# faster than digests of the tile writers' 1.87 GB.
same_as() {
    local file=$1 reference=$2
    [ -e "$file" ] || { [ -e "$reference" ] && return 1 || return 0; }
    [ -e "$reference" ] || return 1
    [ "$file" -ef "$reference" ] && return 0
    if [[ $file == *.png ]]; then
        [ "$(hash_of "$file")" = "$(hash_of "$reference")" ]
    else
        cmp -s "$file" "$reference"
    fi
}

# target=temporary for each rename a killed run's journal in a folder still has to do.
pending_renames() {
    local folder=$1 temporary target
    [ -e "$folder/.pending-renames" ] || return 0
    { IFS= read -r _magic
      while IFS= read -r -d '' temporary && IFS= read -r -d '' target; do
          [[ $temporary == /* ]] || temporary=$folder/$temporary
          [[ $target == /* ]] || target=$folder/$target
          [ -e "$temporary" ] && printf '%s=%s\n' "$target" "$temporary"
      done; } <"$folder/.pending-renames"
}

# A raster importdem reads without GDAL's tools: a strip of the world one tenth of a degree high
# at a latitude, in ESRI's ASCII grid with its coordinate system beside it.
make_strip() {
    local path=$1 south=$2 height=$3
    awk -v south="$south" -v height="$height" 'BEGIN {
        print "ncols 3600"; print "nrows 1"; print "xllcorner -180"; print "yllcorner " south
        print "cellsize 0.1"; print "nodata_value -9999"
        for (i = 0; i < 3600; i++) printf "%d ", height; print "" }' >"$path"
    echo 'GEOGCS["GCS_WGS_1984",DATUM["D_WGS_1984",SPHEROID["WGS_1984",6378137.0,298.257223563]],PRIMEM["Greenwich",0.0],UNIT["Degree",0.0174532925199433]]' \
        >"${path%.asc}.prj"
}

# Two sets of 33 sparse GTOPO30 tiles: all sea level, and one with a raised block.
make_tiles() {
    local folder=$1 raise=$2 name
    [ -d "$folder" ] && return
    mkdir -p "$folder"
    for west in W180 W140 W100 W060 W020 E020 E060 E100 E140; do
        for band in N90 N40 S10; do truncate -s 57600000 "$folder/$west$band.DEM"; done
    done
    for west in W180 W120 W060 W000 E060 E120; do truncate -s 51840000 "$folder/${west}S60.DEM"; done
    if [ "$raise" = 1 ]; then
        for name in W020N40 E020N90; do
            head -c 960000 /dev/zero | tr '\0' '\001' |
                dd of="$folder/$name.DEM" bs=960000 seek=20 conv=notrunc status=none
        done
    fi
}

# The 33 tiles and headers the tools write into tiles/, a set that one run replaces whole.
tile_set() {
    local -n names=$1
    local west band
    names=()
    for west in W180 W140 W100 W060 W020 E020 E060 E100 E140; do
        for band in N90 N40 S10; do names+=("tiles/$west$band.dem" "tiles/$west$band.HDR"); done
    done
    for west in W180 W120 W060 W000 E060 E120; do
        names+=("tiles/${west}S60.dem" "tiles/${west}S60.HDR")
    done
}

# The writer's two runs: the command of the earlier run and of the killed one, the outputs,
# and each image with its sidecars ("image:sidecar,sidecar").
setup_writer() {
    case $1 in
        terrafold)
            make_tiles "$work/tilesA" 0
            make_tiles "$work/tilesB" 1
            old=("$bin/terrafold" --batch --quiet --gtopo30 "$work/tilesA/" --gshhs "$data/gshhs_l.b")
            new=("$bin/terrafold" --batch --quiet --gtopo30 "$work/tilesB/" --gshhs "$data/gshhs_l.b"
                 --no-georef)
            outputs=(topo.png LandSeaMask.png topo.pgw topo.png.aux.xml LandSeaMask.pgw
                     LandSeaMask.png.aux.xml)
            images=(topo.png:topo.pgw,topo.png.aux.xml
                    LandSeaMask.png:LandSeaMask.pgw,LandSeaMask.png.aux.xml) ;;
        lumbrel)
            # Height images of two runs of the builder: one with sidecars, one without and
            # twice as wide, whose combined image is written in bands, in place.
            make_tiles "$work/tilesA" 0
            make_tiles "$work/tilesB" 1
            mkdir -p "$work/heightsA" "$work/heightsB"
            (cd "$work/heightsA" && "$bin/terrafold" --batch --quiet --gtopo30 "$work/tilesA/" \
                --gshhs "$data/gshhs_l.b")
            (cd "$work/heightsB" && "$bin/terrafold" --batch --quiet --gtopo30 "$work/tilesB/" \
                --gshhs "$data/gshhs_l.b" --no-georef --width 10800)
            old=("$bin/lumbrel" --batch --quiet "$work/heightsA/topo.png")
            new=("$bin/lumbrel" --batch --quiet "$work/heightsB/topo.png")
            outputs=(combined.bmp combined.bpw combined.bmp.aux.xml)
            images=(combined.bmp:combined.bpw,combined.bmp.aux.xml) ;;
        strandel)
            old=("$bin/strandel" --batch --quiet --view land --save map.png "$data/gshhs_l.b")
            new=("$bin/strandel" --batch --quiet --view lakes --no-georef --save map.png
                 "$data/gshhs_l.b")
            outputs=(map.png map.pgw map.png.aux.xml)
            images=(map.png:map.pgw,map.png.aux.xml) ;;
        orbisko)
            old=("$bin/orbisko" --batch --quiet --data "$data" --preset world --save map.bmp)
            new=("$bin/orbisko" --batch --quiet --data "$data" --preset uk --save map.bmp)
            outputs=(map.bmp map.bpw map.bmp.aux.xml)
            images=(map.bmp:map.bpw,map.bmp.aux.xml) ;;
        gshhg2gshhs)
            printf '> one\n0 0\n10 0\n10 10\n0 0\n' >"$work/small.txt"
            awk 'BEGIN { for (p = 0; p < 2000; p++) { print "> ring " p;
                 for (i = 0; i < 200; i++) print (p % 300) + i / 400, (p % 150) - 70 + i % 2;
                 print p % 300, (p % 150) - 70 } }' \
                >"$work/large.txt"
            old=("$bin/gshhg2gshhs" -q -o out.b --level 1 "$work/small.txt")
            new=("$bin/gshhg2gshhs" -q -o out.b --level 1 "$work/large.txt")
            outputs=(out.b)
            images=() ;;
        makecountries)
            printf '> border\n5 45\n6 46\n7 45\n' >"$work/borders.txt"
            old=("$bin/makecountries" -q -o Countries.dat --shore "$data/gshhs_l.b")
            new=("$bin/makecountries" -q -o Countries.dat --shore "$data/gshhs_l.b"
                 --borders "$work/borders.txt")
            outputs=(Countries.dat)
            images=() ;;
        importdem)
            # Strips across band edges, so that the runs differ in 27 of the 33 tiles.
            make_strip "$work/south.asc" -10.05 100
            make_strip "$work/north.asc" 39.95 200
            old=("$bin/importdem" -q --resampling nearest --tiles tiles --grid grid.bin
                 "$work/south.asc")
            new=("$bin/importdem" -q --resampling nearest --tiles tiles --grid grid.bin
                 "$work/north.asc")
            tile_set outputs
            outputs+=(grid.bin)
            images=() ;;
        maketerrain)
            old=("$bin/maketerrain" -q --shore "$data/gshhs_l.b" --resolution 1 --threads 2
                 --seed 1 --tiles tiles --grid 1:grid.bin)
            new=("$bin/maketerrain" -q --shore "$data/gshhs_l.b" --resolution 1 --threads 2
                 --seed 2 --tiles tiles --grid 1:grid.bin)
            tile_set outputs
            outputs+=(grid.bin)
            images=() ;;
        *)
            echo "unknown writer $1" >&2
            return 1 ;;
    esac
}

# The state of the folder after a kill against the two reference runs.
check_outputs() {
    local writer=$1 folder=$2 file path image sidecars sidecar run line setRuns=""
    local -A runOf pendingOf
    while IFS= read -r line; do
        pendingOf[${line%%=*}]=${line#*=}
    done < <(pending_renames "$folder/tiles")
    for file in "${outputs[@]}"; do
        path=$folder/$file
        # A rename still to do is done by the next run before anything else.
        [ -n "${pendingOf[$path]:-}" ] && path=${pendingOf[$path]}
        if same_as "$path" "$work/$writer/old/$file"; then
            runOf[$file]=old
        elif same_as "$path" "$work/$writer/new/$file"; then
            runOf[$file]=new
        elif [ ! -e "$path" ] && [[ " ${sidecarsOf[*]} " == *" $file "* ]]; then
            runOf[$file]=none  # withdrawn before the image was replaced
        else
            fail "$writer: $file is neither run's (a mixture or a truncation)"
            if [ -n "${KILLTEST_KEEP:-}" ]; then
                mkdir -p "$KILLTEST_KEEP"
                cp -a "$folder" "$KILLTEST_KEEP/$writer-$k"
            fi
            return
        fi
        [[ $file == tiles/* ]] && [ -z "${alike[$file]:-}" ] && setRuns+=" ${runOf[$file]}"
        local temporaries=0 temporary base
        base=$(basename "$file")
        # ".map.bmp.<digits>.part", not ".map.bmp.aux.xml.<digits>.part".
        for temporary in "$(dirname "$folder/$file")/.$base".*.part; do
            [[ ${temporary##*/.$base.} =~ ^[0-9]+\.part$ ]] && temporaries=$((temporaries + 1))
        done
        [ "$temporaries" -le 1 ] || fail "$writer: $temporaries temporaries of $file"
    done
    if [[ $setRuns == *old* && $setRuns == *new* ]]; then
        fail "$writer: tiles of the earlier run beside tiles of the killed run"
    fi
    for image in "${images[@]}"; do
        run=${runOf[${image%%:*}]}
        IFS=, read -r -a sidecars <<<"${image#*:}"
        for sidecar in "${sidecars[@]}"; do
            [ -e "$folder/$sidecar" ] || continue
            if [ "$run" = old ] && ! same_as "$folder/$sidecar" "$work/$writer/old/$sidecar"; then
                fail "$writer: ${image%%:*} of the earlier run beside the killed run's $sidecar"
            elif [ "$run" = new ] && ! same_as "$folder/$sidecar" "$work/$writer/new/$sidecar"; then
                fail "$writer: ${image%%:*} of the killed run beside the earlier run's $sidecar"
            fi
        done
    done
}

# Size and time of every file of a folder, to see that none was written in place.
signature() { find "$1" -type f -printf '%p %s %T@\n' | sort | md5sum; }

# The calls that put files in place or remove them, as "call ordinal" in the order a whole run
# makes them; the ordinal counts that call in its thread, as strace's injection does.
# With a folder, only the calls on files in it (strace -y names a descriptor's file) and the
# renames of the writers' temporaries (settings files are replaced by renames too).
calls="rename,renameat,renameat2,unlink,unlinkat,fsync,fdatasync"
# Syncs and renames only: strace counts a call in each thread, and the Nth write of one thread
# may be another's message on standard error.
writes="fsync,fdatasync,rename,renameat,renameat2"
trace_calls() {
    local trace=$1 folder=${2:-}
    awk -v folder="$folder" '!/resumed>/ && match($2, /^[a-z0-9_]+\(/) {
        name = substr($2, 1, RLENGTH - 1); n = ++seen[$1 " " name]
        if (folder == "" || index($0, folder "/") || (name ~ /^rename/ && /\.part"/)) print name, n
    }' "$trace"
}
command -v strace >/dev/null || echo "strace is not installed: every kill lands at a random time"

for writer in "${writers[@]}"; do
    [ -x "$bin/${writer}" ] || { echo "skip $writer: not built"; continue; }
    setup_writer "$writer" || exit 2
    sidecarsOf=()
    for image in "${images[@]}"; do sidecarsOf+=(${image#*:}); done
    sidecarsOf=(${sidecarsOf[@]//,/ })
    mkdir -p "$work/$writer/old" "$work/$writer/new" "$work/$writer/run" "$work/$writer/probe"
    (cd "$work/$writer/old" && "${old[@]}" >/dev/null 2>&1) || { fail "$writer: earlier run"; continue; }
    start=$(date +%s%N)
    (cd "$work/$writer/new" && "${new[@]}" >/dev/null 2>&1) || { fail "$writer: killed run"; continue; }
    duration=$((($(date +%s%N) - start) / 1000))  # microseconds
    # Files both runs write alike (the tile headers) tell nothing of which run a set is from.
    declare -A alike=()
    for file in "${outputs[@]}"; do
        [ -e "$work/$writer/old/$file" ] && same_as "$work/$writer/old/$file" "$work/$writer/new/$file" &&
            alike[$file]=1
    done
    oldSignature=$(signature "$work/$writer/old")
    folder=$work/$writer/run
    # The earlier run's files, as hard links: every writer replaces a file by a rename, and the
    # signature check below sees one written in place.
    # A set whose journal still lists renames stays as the kill left it, for the next run to
    # finish: putting the earlier run's files back under it would make a state no run makes.
    restore_old() {
        local into=$1 file keepSet=""
        [ -n "$(pending_renames "$into/tiles")" ] && keepSet=1
        for file in "${outputs[@]}"; do
            [ -n "$keepSet" ] && [[ $file == tiles/* ]] && continue
            rm -f "$into/$file"
            mkdir -p "$(dirname "$into/$file")"
            [ -e "$work/$writer/old/$file" ] &&
                { ln "$work/$writer/old/$file" "$into/$file" 2>/dev/null ||
                  cp -p "$work/$writer/old/$file" "$into/$file"; }
        done
    }
    # The shorter of two runs: a run slowed by a busy machine would send most kills after the
    # end of the next.
    restore_old "$folder"
    start=$(date +%s%N)
    (cd "$folder" && "${new[@]}" >/dev/null 2>&1)
    again=$((($(date +%s%N) - start) / 1000))
    ((again < duration)) && duration=$again
    events=()
    fileWrites=()
    if command -v strace >/dev/null; then
        restore_old "$work/$writer/probe"
        (cd "$work/$writer/probe" && strace -f -qq -o "$work/$writer/trace" -e trace="$calls" \
            "${new[@]}" >/dev/null 2>&1)
        mapfile -t events < <(trace_calls "$work/$writer/trace")
        restore_old "$work/$writer/probe"
        (cd "$work/$writer/probe" && strace -f -qq -y -s 4096 -o "$work/$writer/trace" \
            -e trace="$writes" "${new[@]}" >/dev/null 2>&1)
        mapfile -t fileWrites < <(trace_calls "$work/$writer/trace" "$work/$writer/probe")
        rm -rf "$work/$writer/probe"
    fi
    done_before=0
    atCalls=0
    # Kills that found the run already over do not count: as many as asked land inside it.
    for ((k = 0; k - done_before < kills && k < 3 * kills; k++)); do
        restore_old "$folder"
        if ((k % 2 == 1 && ${#events[@]} > 0)); then
            # At one of the calls that replace files: the renames and sidecars, a few ms of the
            # run, are as likely as the rest.
            read -r call ordinal <<<"${events[$((RANDOM % ${#events[@]}))]}"
            # strace ends with its tracee's signal; the inner shell's report of it is muted.
            status=$({ (cd "$folder" && exec strace -f -qq -o /dev/null -e trace="$call" \
                -e inject="$call":signal=KILL:when="$ordinal" "${new[@]}") >/dev/null 2>&1
                echo $?; } 2>/dev/null)
            if [ "$status" -eq 137 ]; then atCalls=$((atCalls + 1)); else done_before=$((done_before + 1)); fi
        else
            # Anywhere in the run.
            delay=$((RANDOM * 32768 + RANDOM))
            delay=$((delay % (duration * 11 / 10 + 1)))
            (cd "$folder" && exec "${new[@]}") >/dev/null 2>&1 &
            pid=$!
            sleep "$(printf '%d.%06d' $((delay / 1000000)) $((delay % 1000000)))"
            kill -KILL "$pid" 2>/dev/null || done_before=$((done_before + 1))
            wait "$pid" 2>/dev/null
        fi
        check_outputs "$writer" "$folder"
        [ "$(signature "$work/$writer/old")" = "$oldSignature" ] ||
            { fail "$writer: a file of the earlier run was written in place"; break; }
    done
    # A whole run finishes what the last kill left, puts the new files in place and leaves no
    # temporary or journal behind.
    (cd "$folder" && "${new[@]}" >/dev/null 2>&1) || fail "$writer: a run after the kills"
    left=$(find "$folder" -name '.*.part' -o -name .pending-renames | wc -l)
    [ "$left" -eq 0 ] || fail "$writer: $left temporaries or journals left after a whole run"
    for file in "${outputs[@]}"; do
        same_as "$folder/$file" "$work/$writer/new/$file" || fail "$writer: $file after a whole run"
    done

    # Write errors: a full disk at a sync or rename of an output (strace), or a file-size limit
    # anywhere up to the largest output. Standard error goes through a pipe, which no limit
    # reaches.
    largest=$(find "$work/$writer/new" -type f -printf '%s\n' | sort -n | tail -1)
    refused=0
    for ((e = 0; e < errors; e++)); do
        restore_old "$folder"
        if ((e % 2 == 0 && ${#fileWrites[@]} > 0)); then
            read -r call ordinal <<<"${fileWrites[$((RANDOM % ${#fileWrites[@]}))]}"
            what="a full disk at $call $ordinal"
            (cd "$folder" && exec strace -f -qq -o /dev/null -e trace="$call" \
                -e inject="$call":error=ENOSPC:when="$ordinal" "${new[@]}") 2>&1 >/dev/null |
                cat >"$work/stderr"
            status=${PIPESTATUS[0]}
        else
            limit=$(((RANDOM * 32768 + RANDOM) % (largest / 1024 + 1)))
            what="a limit of $limit KB a file"
            (cd "$folder" && trap '' XFSZ && ulimit -f "$limit" && exec "${new[@]}") 2>&1 \
                >/dev/null | cat >"$work/stderr"
            status=${PIPESTATUS[0]}
        fi
        check_outputs "$writer" "$folder"
        if [ "$status" -eq 1 ]; then
            refused=$((refused + 1))
            grep -Eq 'Cannot (write|create) file: .+: (No space left on device|File too large)' \
                "$work/stderr" || fail "$writer: $what reported as: $(head -c 300 "$work/stderr")"
        elif [ "$status" -eq 0 ]; then
            # A sync the writer may do without (its folder's) must leave a whole new run.
            for file in "${outputs[@]}"; do
                same_as "$folder/$file" "$work/$writer/new/$file" ||
                    fail "$writer: success reported after $what"
            done
        else
            fail "$writer: status $status after $what"
        fi
        # A failed run removes its temporaries, but for those a journal still renames.
        pending=$(pending_renames "$folder/tiles")
        while IFS= read -r temporary; do
            [[ $pending == *"=$temporary"* ]] || fail "$writer: $temporary left after $what"
        done < <(find "$folder" -name '.*.part')
    done

    echo "$writer: $((k - done_before)) kills over $((duration / 1000)) ms runs," \
        "$atCalls of them at a rename, unlink or fsync ($done_before more runs ended first);" \
        "$e full disks, $refused of them refused with the file named"
    unset alike
    rm -rf "${work:?}/$writer"
done
[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
