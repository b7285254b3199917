#!/bin/sh
# Installs a build into a temporary DESTDIR and checks the tree a package would hold: the
# executables, the data, menu entries, icons, metadata, manual pages and completion; then
# runs the installed map viewer from elsewhere to see that it finds its installed data, and
# the installed programs to see that batch runs go without Qt Gui while the window and the
# vector maps find the front-end module.
# Usage: check-install-tree.sh CMAKE BUILD_DIR SOURCE_DIR METAINFO "EXECUTABLES" "PROGRAMS"
#        MODULE (the front-end module's path below the prefix)
set -u
cmake=$1 build=$2 source=$3 metainfo=$4 executables=$5 programs=$6 module=$7
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
need() { [ -e "$root/$1" ] || fail "missing $1"; }

DESTDIR="$work/dest" "$cmake" --install "$build" --prefix /usr >"$work/install.log" 2>&1 ||
    { cat "$work/install.log"; echo "FAIL: cmake --install"; exit 1; }
root=$work/dest/usr
share=$root/share

# run SECONDS PROGRAM ARGS: runs an installed program from an unrelated folder with an empty
# home for at most SECONDS; the loader's list of the files it loaded joins the outputs in
# run.log.
mkdir -p "$work/elsewhere" "$work/home"
run() {
    seconds=$1 program=$2
    shift 2
    (cd "$work/elsewhere" && HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
        LD_DEBUG=files timeout "$seconds" "$root/bin/$program" "$@" >"$work/run.log" 2>&1)
}
loaded() { grep "file=.*$1" "$work/run.log" | grep -q 'generating link map'; }

# Width and height of a PNG, from its header.
png_size() { od -An -tu1 -j16 -N8 "$1" | awk '{ print $3 * 256 + $4 "x" $7 * 256 + $8 }'; }

for name in $executables; do
    [ -x "$root/bin/$name" ] || fail "bin/$name is not an installed executable"
    page=$share/man/man1/$name.1.gz
    if gzip -dc "$page" >"$work/page" 2>/dev/null; then
        for section in NAME SYNOPSIS OPTIONS '"EXIT STATUS"'; do
            grep -q "^\.SH $section" "$work/page" || fail "$name.1 has no $section section"
        done
        grep -qF -- '\-\-help' "$work/page" || fail "$name.1 lists no options"
    else
        fail "missing man page of $name"
    fi
    completion=$share/bash-completion/completions/$name
    if [ -f "$completion" ]; then
        bash -n "$completion" || fail "completion of $name is no bash"
    else
        fail "missing completion of $name"
    fi
done

for program in $programs; do
    desktop=$share/applications/$program.desktop
    need share/applications/$program.desktop
    grep -q "^Exec=$program\b" "$desktop" || fail "$program.desktop does not start $program"
    grep -q "^Icon=$program$" "$desktop" || fail "$program.desktop names another icon"
    need share/icons/hicolor/scalable/apps/$program.svg
    for size in 16 24 32 48 64 128 256; do
        icon=$share/icons/hicolor/${size}x$size/apps/$program.png
        if [ -f "$icon" ]; then
            [ "$(png_size "$icon")" = "${size}x$size" ] || fail "$icon is $(png_size "$icon")"
        else
            fail "missing ${size}x$size icon of $program"
        fi
    done
    grep -q "<launchable type=\"desktop-id\">$program.desktop<" "$share/metainfo/$metainfo" ||
        fail "the metainfo does not launch $program"
done

for file in Countries.dat gshhs_l.b README.md LICENSE-GSHHG-LGPL-3.txt; do
    cmp -s "$source/data/$file" "$share/varnholt/$file" || fail "share/varnholt/$file differs"
done
need share/doc/varnholt/copyright
need share/mime/packages/varnholt.xml
gzip -t "$share/doc/varnholt/changelog.gz" 2>/dev/null || fail "no valid changelog.gz"

# The validators are there where the package is made; the tree is checked without them too.
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$share"/applications/*.desktop || fail "desktop-file-validate"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$share/metainfo/$metainfo" >"$work/as.log" 2>&1 ||
        { cat "$work/as.log"; fail "appstreamcli validate"; }
fi

# Completion offers the options --help lists, and folders after an option that takes one.
case " $executables " in *" orbisko "*)
    completed=$(bash -c '. "$1"; COMP_WORDS=(orbisko --da); COMP_CWORD=1
                         _varnholt_orbisko; echo "${COMPREPLY[*]}"' - \
                         "$share/bash-completion/completions/orbisko")
    [ "$completed" = "--data" ] || fail "completing 'orbisko --da' gave '$completed'"

    # Run from an unrelated folder with an empty home, the viewer finds the installed data;
    # a batch run loads no Qt Gui or Widgets.
    if run 60 orbisko --batch --quiet --save map.bmp; then
        [ -s "$work/elsewhere/map.bmp" ] || fail "the installed orbisko wrote no map"
        ! loaded 'libQt6\(Gui\|Widgets\)' || fail "orbisko --batch loaded Qt Gui or Widgets"
    else
        cat "$work/run.log"
        fail "the installed orbisko did not find its installed data"
    fi
    # The window gets as far as Qt's platform, through the installed module, and stays open.
    run 5 orbisko
    [ $? = 124 ] || { cat "$work/run.log"; fail "the installed orbisko's window did not stay"; }
    loaded "$root/$module" || fail "the installed orbisko's window did not load $module"
    loaded libqoffscreen || fail "the installed orbisko made no window"
esac

# A vector map loads the module in batch mode too.
case " $executables " in *" strandel "*)
    if run 60 strandel --batch --quiet --save map.svg "$share/varnholt/gshhs_l.b"; then
        grep -q '</svg>' "$work/elsewhere/map.svg" || fail "the installed strandel wrote no SVG"
        loaded "$root/$module" || fail "the installed strandel did not load $module"
    else
        cat "$work/run.log"
        fail "the installed strandel could not write an SVG"
    fi
esac

[ "$failures" = 0 ] || { echo "$failures failures"; exit 1; }
echo "install tree complete"
