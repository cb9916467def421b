#!/usr/bin/env bash
# Runs the shipped scripts through the quillmark program's batch mode, as a
# build server would: the C++ header generator over the fixture project of
# the scripts' tests, with the scope and a script option on the command line.
# usage: shipped_scripts_cli.sh <quillmark> <fixtures/scripts folder>
set -u
app=$1
fixtures=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" HOME="$work/home"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
mkdir -p "$XDG_CONFIG_HOME" "$HOME"
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
cp "$fixtures/Shapes.pro" Shapes.pro

# The headers go into the folder, which the run makes; the option switched on
# from the command line keeps its text ("Wrote"), which starts each log line.
"$app" Shapes.pro -batch -script=CodeGen/CppHeaders.vxs "-scope=All Models" -folder="$work/out" \
  -file=x -Verbose=TRUE -exit >"$work/stdout" 2>"$work/stderr"
rc=$?
[ "$rc" -eq 0 ] || { fail "the generator batch exited $rc"; cat "$work/stderr"; }
for name in Shape.h Circle.h OrderItem.h; do
  cmp -s "$work/out/$name" "$fixtures/expected/$name" || fail "$name differs from the expected header"
  grep -qxF "Wrote $work/out/$name"$'\r' "$work/stderr" || fail "the log does not show $name written"
done
grep -qF "C++ headers written: 3" "$work/stderr" || fail "the log does not count three headers"
grep -qF "TRUE" "$work/stderr" && fail "the option's text became TRUE"
[ "$(ls -A "$work/out" | wc -l)" -eq 3 ] || fail "the folder holds more than the headers: $(ls -A "$work/out")"

# Without the option nothing is logged per header; a second run merges.
printf '    int hand_;\n' >"$work/hand"
sed -i "/USER CODE BEGIN Shape/r $work/hand" "$work/out/Shape.h"
"$app" Shapes.pro -batch -script=CodeGen/CppHeaders.vxs "-scope=All Models" -folder="$work/out" \
  -file=x -exit >"$work/stdout" 2>"$work/stderr" || fail "the second batch exited $?"
grep -qF "Wrote" "$work/stderr" && fail "the option is on without being asked for"
grep -qxF "    int hand_;" "$work/out/Shape.h" || fail "the user's line did not survive the merge"

[ "$failures" -eq 0 ] && echo "shipped scripts from the command line: all good"
exit "$failures"
