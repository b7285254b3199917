#!/usr/bin/env bash
# Kills each program's batch job and each tool that writes files with SIGKILL at random moments
# of a run that replaces the outputs of an earlier, different run, and checks after every kill:
#  - each output is byte for byte the earlier run's or the killed run's, or absent where one of
#    the two runs has none (never a mixture or a truncation);
#  - an image's sidecars are its own run's or absent, never another run's;
#  - at most one hidden temporary of each output is left (the next run removes older ones);
# and at the end that a complete run leaves no temporary at all.
#   tests/kill-test.sh BIN_DIR [KILLS_PER_WRITER] [WRITER...]
# Writers: terrafold lumbrel strandel orbisko gshhg2gshhs makecountries (default: all of them).
set -u
bin=$(cd "${1:?usage: tests/kill-test.sh BIN_DIR [KILLS] [WRITER...]}" && pwd)
kills=${2:-200}
shift $(($# >= 2 ? 2 : 1))
writers=("$@")
[ ${#writers[@]} -eq 0 ] && writers=(terrafold lumbrel strandel orbisko gshhg2gshhs makecountries)
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
            # Height images of two runs of the builder: one with sidecars, one without.
            make_tiles "$work/tilesA" 0
            make_tiles "$work/tilesB" 1
            mkdir -p "$work/heightsA" "$work/heightsB"
            (cd "$work/heightsA" && "$bin/terrafold" --batch --quiet --gtopo30 "$work/tilesA/" \
                --gshhs "$data/gshhs_l.b")
            (cd "$work/heightsB" && "$bin/terrafold" --batch --quiet --gtopo30 "$work/tilesB/" \
                --gshhs "$data/gshhs_l.b" --no-georef)
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
        *)
            echo "unknown writer $1" >&2
            return 1 ;;
    esac
}

# The state of the folder after a kill against the two reference runs.
check_outputs() {
    local writer=$1 folder=$2 file have image sidecars sidecar run
    declare -A runOf
    for file in "${outputs[@]}"; do
        have=$(hash_of "$folder/$file")
        if [ "$have" = "${oldHash[$file]}" ]; then
            runOf[$file]=old
        elif [ "$have" = "${newHash[$file]}" ]; then
            runOf[$file]=new
        elif [ "$have" = absent ] && [[ " ${sidecarsOf[*]} " == *" $file "* ]]; then
            runOf[$file]=none  # withdrawn before the image was replaced
        else
            fail "$writer: $file is neither run's (a mixture or a truncation)"
            if [ -n "${KILLTEST_KEEP:-}" ]; then
                mkdir -p "$KILLTEST_KEEP"
                cp -a "$folder" "$KILLTEST_KEEP/$writer-$k"
            fi
            return
        fi
        local temporaries
        temporaries=$(find "$folder" -maxdepth 1 -name ".$file.*.part" | wc -l)
        [ "$temporaries" -le 1 ] || fail "$writer: $temporaries temporaries of $file"
    done
    for image in "${images[@]}"; do
        run=${runOf[${image%%:*}]}
        IFS=, read -r -a sidecars <<<"${image#*:}"
        for sidecar in "${sidecars[@]}"; do
            have=$(hash_of "$folder/$sidecar")
            [ "$have" = absent ] && continue
            if [ "$run" = old ] && [ "$have" != "${oldHash[$sidecar]}" ]; then
                fail "$writer: ${image%%:*} of the earlier run beside the killed run's $sidecar"
            elif [ "$run" = new ] && [ "$have" != "${newHash[$sidecar]}" ]; then
                fail "$writer: ${image%%:*} of the killed run beside the earlier run's $sidecar"
            fi
        done
    done
}

for writer in "${writers[@]}"; do
    [ -x "$bin/${writer}" ] || { echo "skip $writer: not built"; continue; }
    setup_writer "$writer" || exit 2
    sidecarsOf=()
    for image in "${images[@]}"; do sidecarsOf+=(${image#*:}); done
    sidecarsOf=(${sidecarsOf[@]//,/ })
    declare -A oldHash newHash
    mkdir -p "$work/$writer/old" "$work/$writer/new" "$work/$writer/run"
    (cd "$work/$writer/old" && "${old[@]}" >/dev/null) || { fail "$writer: earlier run"; continue; }
    start=$(date +%s%N)
    (cd "$work/$writer/new" && "${new[@]}" >/dev/null) || { fail "$writer: killed run"; continue; }
    duration=$((($(date +%s%N) - start) / 1000))  # microseconds
    for file in "${outputs[@]}"; do
        oldHash[$file]=$(hash_of "$work/$writer/old/$file")
        newHash[$file]=$(hash_of "$work/$writer/new/$file")
    done
    folder=$work/$writer/run
    done_before=0
    # Kills that found the run already over do not count: as many as asked land inside it.
    for ((k = 0; k - done_before < kills && k < 3 * kills; k++)); do
        for file in "${outputs[@]}"; do
            rm -f "$folder/$file"
            [ -e "$work/$writer/old/$file" ] && cp -p "$work/$writer/old/$file" "$folder/$file"
        done
        # Anywhere in the run, its last part (the renames and sidecars) included.
        delay=$((RANDOM * 32768 + RANDOM))
        delay=$((delay % (duration * 11 / 10 + 1)))
        (cd "$folder" && exec "${new[@]}") >/dev/null 2>&1 &
        pid=$!
        sleep "$(printf '%d.%06d' $((delay / 1000000)) $((delay % 1000000)))"
        kill -KILL "$pid" 2>/dev/null || done_before=$((done_before + 1))
        wait "$pid" 2>/dev/null
        check_outputs "$writer" "$folder"
    done
    # A whole run puts the new files in place and leaves no temporary behind.
    (cd "$folder" && "${new[@]}" >/dev/null) || fail "$writer: a run after the kills"
    left=$(find "$folder" -maxdepth 1 -name '.*.part' | wc -l)
    [ "$left" -eq 0 ] || fail "$writer: $left temporaries left after a whole run"
    for file in "${outputs[@]}"; do
        [ "$(hash_of "$folder/$file")" = "${newHash[$file]}" ] || fail "$writer: $file after a whole run"
    done
    echo "$writer: $((k - done_before)) kills over $((duration / 1000)) ms runs" \
        "($done_before more runs ended before their kill)"
    unset oldHash newHash
done
[ "$failures" -eq 0 ] || { echo "$failures failures" >&2; exit 1; }
