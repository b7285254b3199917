#!/bin/sh
# Writes the bash completion of a program from the options its --help lists, so that the two
# never disagree. An option whose placeholder names a folder completes folders, one naming a
# file completes files, one listing words (a|b|c) completes those; other values are left to
# the user. Words that are no option complete as files.
# Usage: make-completion.sh EXECUTABLE NAME OUTPUT
set -eu
executable=$1 name=$2 output=$3
function=_varnholt_$(printf '%s' "$name" | tr -c 'A-Za-z0-9\n' '_')

"$executable" --help | awk -v name="$name" -v fn="$function" '
    # An option line: indented, then options ("-o," "--output" or "--output=FILE"), then the
    # placeholder, then two spaces before the help text.
    /^ +-/ {
        line = $0
        sub(/^ +/, "", line)
        sub(/  .*/, "", line)
        gsub(/,/, " ", line)
        count = split(line, words, " ")
        names = ""; value = ""
        for (i = 1; i <= count; ++i) {
            word = words[i]
            if (word ~ /^--?[A-Za-z0-9]/) {
                if (split(word, parts, "=") > 1) { word = parts[1]; value = parts[2] }
                names = names (names == "" ? "" : "|") word
                all = all " " word
            } else if (names != "" && value == "") {
                value = word
            }
        }
        if (names == "" || value == "") next
        gsub(/[<>\[\]]/, "", value)
        if (value ~ /\|/) { gsub(/\|/, " ", value); action = "compgen -W \"" value "\" -- \"$cur\"" }
        else if (value ~ /DIR|FOLDER/) action = "compgen -d -- \"$cur\""
        else if (value ~ /FILE|OUTPUT|INPUT/ && value !~ /:/) action = "compgen -f -- \"$cur\""
        else action = ""
        cases = cases "        " names ")\n"
        cases = cases (action == "" ? "            COMPREPLY=()\n" \
                                    : "            mapfile -t COMPREPLY < <(" action ")\n")
        cases = cases "            return ;;\n"
    }
    END {
        print "# bash completion for " name ", made by the build from its --help."
        print fn "() {"
        print "    local cur=${COMP_WORDS[COMP_CWORD]} prev="
        print "    ((COMP_CWORD > 0)) && prev=${COMP_WORDS[COMP_CWORD - 1]}"
        print "    case $prev in"
        printf "%s", cases
        print "    esac"
        print "    if [[ $cur == -* ]]; then"
        print "        mapfile -t COMPREPLY < <(compgen -W \"" substr(all, 2) "\" -- \"$cur\")"
        print "    else"
        print "        mapfile -t COMPREPLY < <(compgen -f -- \"$cur\")"
        print "    fi"
        print "}"
        print "complete -o filenames -F " fn " " name
    }' > "$output.tmp"
mv "$output.tmp" "$output"
