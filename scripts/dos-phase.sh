#!/bin/bash
# "Restart in MS-DOS mode" on the test bench: runs in DOSBox what a started
# Patch.pif asks DOS to run, once the patch run has ended. The stand-in for
# Wine's DOS launcher (tests/support/dos_launcher_main.cpp) calls it with a
# description of the launch as Windows saw it:
#   folder=<DOS path>|<Unix folder>   every folder DOS must reach, named by
#                                     the short (8.3) path Windows reported
#   startup=<DOS path>                the short form of the PIF's startup
#                                     folder, or nothing when it has none
#   program=<text>                    the PIF's program, as it holds it
#   parameters=<text>                 the parameters, as it holds them
#   dos-phase.sh DESCRIPTION REPORT
# Windows 95 keeps short names on disk, so both sides see the same ones;
# Wine and DOSBox each make up their own. So DOS gets, as drive C: (and any
# other drive named), a view made of real folders named by Windows' short
# names, each folder DOS must reach a symbolic link to the real one. There DOS
# changes to the startup folder and runs the program with its parameters;
# what the shell prints goes to a file on a drive of the bench's own (Y:).
# REPORT receives: startup=, run=, dosbox=<status>, seconds=, screen=<line>
# for each line shown, and engine log=<DOS path> and engine=<line> for the
# sample engine's ENGINE.LOG wherever DOS left it. Exits 1, with one line,
# when DOSBox is missing or the view cannot be made.
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
[ $# -eq 2 ] || { echo "usage: dos-phase.sh DESCRIPTION REPORT" >&2; exit 2; }
description=$1 report=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
view=$work/view
mkdir -p "$view" "$work/bench"

fail() { echo "dos-phase: $*" >&2; printf 'failed=%s\n' "$*" >"$report"; exit 1; }
command -v dosbox >/dev/null || fail "DOSBox is missing (Debian's dosbox, see scripts/install-deps.sh)"

startup= program= parameters=
drives=()
while IFS= read -r line || [ -n "$line" ]; do
    line=${line%$'\r'}
    case $line in
    folder=*)
        entry=${line#folder=}
        dos=${entry%%|*} unix=${entry#*|}
        [[ $dos =~ ^([A-Za-z]):\\(.+)$ ]] || fail "cannot map $dos: DOS folders below a drive's root only"
        drive=${BASH_REMATCH[1]^^} rest=${BASH_REMATCH[2]^^}
        target=$view/$drive/${rest//\\//}
        parent=${target%/*}
        # A folder inside another one mapped would hide the rest of that one.
        probe=$view/$drive
        for part in ${rest//\\/ }; do
            [ -L "$probe" ] && fail "cannot map $dos: it lies inside another mapped folder"
            probe=$probe/$part
        done
        [ -e "$target" ] && { [ -L "$target" ] || fail "cannot map $dos: another mapped folder lies inside it"; continue; }
        mkdir -p "$parent" && ln -s "$(realpath -m "$unix")" "$target" || fail "cannot map $dos"
        [[ " ${drives[*]-} " == *" $drive "* ]] || drives+=("$drive")
        ;;
    startup=*) startup=${line#startup=} ;;
    program=*) program=${line#program=} ;;
    parameters=*) parameters=${line#parameters=} ;;
    esac
done <"$description"
[ -n "$program" ] || fail "no program to run"
mkdir -p "$view/C"
[[ " ${drives[*]-} " == *" C "* ]] || drives+=(C)

# DOS starts on drive C:, or the startup folder's drive, and in that folder.
{
    for drive in "${drives[@]}"; do
        mkdir -p "$view/$drive"
        echo "mount ${drive,,} \"$view/$drive\""
    done
    echo "mount y \"$work/bench\""
    if [[ $startup =~ ^([A-Za-z]):(.*)$ ]]; then
        echo "${BASH_REMATCH[1]}:"
        echo "cd ${BASH_REMATCH[2]:-\\}"
    else
        echo "c:"
    fi
    echo "$program $parameters > Y:\\SCREEN.TXT"
} >"$work/autoexec"

started=$EPOCHREALTIME
"$root/scripts/dosbox.sh" "$work/autoexec"
status=$?
{
    echo "startup=${startup:-none}"
    echo "run=$program $parameters"
    echo "dosbox=$status"
    awk -v from="$started" -v to="$EPOCHREALTIME" 'BEGIN { printf "seconds=%.1f\n", to - from }'
    [ -f "$work/bench/SCREEN.TXT" ] && tr -d '\r' <"$work/bench/SCREEN.TXT" | sed 's/^/screen=/'
    # The engine writes its log in its current folder: a mapped folder, or a
    # folder of the view (the startup folder could not be reached).
    logs=()
    while IFS= read -r -d '' found; do logs+=("$found"); done < <(find "$view" -iname ENGINE.LOG -print0)
    while IFS= read -r -d '' link; do
        for found in "$link"/[Ee][Nn][Gg][Ii][Nn][Ee].[Ll][Oo][Gg]; do [ -f "$found" ] && logs+=("$found"); done
    done < <(find "$view" -type l -print0)
    for found in "${logs[@]}"; do
        relative=${found#"$view"/}
        echo "engine log=${relative%%/*}:\\$(tr / '\\' <<<"${relative#*/}")"
        tr -d '\r' <"$found" | sed 's/^/engine=/'
    done
} >"$report"
