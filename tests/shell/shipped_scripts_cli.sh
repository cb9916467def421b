#!/usr/bin/env bash
# Runs the shipped scripts through the quillmark program's batch mode, as a
# build server would: the C++ header generator over the fixture project of
# the scripts' tests, with the scope and script options on the command line,
# the HTML pages with their diagram images, the reverse-engineering script
# and the task.
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
for name in geo/Shape.h geo/Circle.h OrderItem.h; do
  cmp -s "$work/out/$name" "$fixtures/expected/$name" || fail "$name differs from the expected header"
  grep -qxF "Wrote $work/out/$name"$'\r' "$work/stderr" || fail "the log does not show $name written"
done
grep -qF "C++ headers written: 3" "$work/stderr" || fail "the log does not count three headers"
grep -qF "TRUE" "$work/stderr" && fail "the option's text became TRUE"
[ "$(find "$work/out" -type f | wc -l)" -eq 3 ] || fail "the folder holds more than the headers: $(find "$work/out")"

# Without the option nothing is logged per header; a second run merges.
printf '    int hand_;\n' >"$work/hand"
sed -i "/USER CODE BEGIN Shape/r $work/hand" "$work/out/geo/Shape.h"
"$app" Shapes.pro -batch -script=CodeGen/CppHeaders.vxs "-scope=All Models" -folder="$work/out" \
  -file=x -exit >"$work/stdout" 2>"$work/stderr" || fail "the second batch exited $?"
grep -qF "Wrote" "$work/stderr" && fail "the option is on without being asked for"
grep -qxF "    int hand_;" "$work/out/geo/Shape.h" || fail "the user's line did not survive the merge"

# A choice option given a value takes it; a flag given TRUE is on.
"$app" Shapes.pro -batch -script=CodeGen/CppHeaders.vxs "-scope=All Models" -folder="$work/hpp" \
  -file=x -Extension=hpp -NoComments=TRUE -exit >"$work/stdout" 2>"$work/stderr" ||
  fail "the batch with options exited $?"
[ "$(cd "$work/hpp" && find . -type f | sort)" = $'./OrderItem.hpp\n./geo/Circle.hpp\n./geo/Shape.hpp' ] ||
  fail "the headers are not .hpp files: $(ls "$work/hpp")"
grep -qF "Any shape" "$work/hpp/geo/Shape.hpp" && fail "NoComments=TRUE left the comments in"

# The HTML pages with each model's diagram drawn into a PNG file.
"$app" Shapes.pro -batch -script=DocGen/HtmlPages.vxs "-scope=All Models" -folder="$work/doc" \
  -file=x -exit >"$work/stdout" 2>"$work/stderr" || fail "the documentation batch exited $?"
for page in index.html modelClasses.html classGeoShape.html; do
  [ -s "$work/doc/$page" ] || fail "the documentation has no $page"
done
[ "$(head -c 4 "$work/doc/images/Classes.png" | od -An -tx1 | tr -d ' \n')" = 89504e47 ] ||
  { fail "images/Classes.png is not a PNG file"; cat "$work/stderr"; }
grep -qF '<img src="images/Classes.png"' "$work/doc/modelClasses.html" ||
  fail "the page of Classes does not show its diagram"

# With a relative folder, from a working folder other than the project's,
# every image a page shows is a file beside that page.
mkdir -p "$work/elsewhere"
(cd "$work/elsewhere" && "$app" "$work/Shapes.pro" -batch -script=DocGen/HtmlPages.vxs \
  "-scope=All Models" -folder=doc -exit >"$work/stdout" 2>"$work/stderr") ||
  fail "the documentation batch with a relative folder exited $?"
images=0
for page in "$work"/elsewhere/doc/*.html; do
  while IFS= read -r src; do
    images=$((images + 1))
    file=$(printf '%b' "${src//%/\\x}") # the link's %XX escapes undone
    [ -f "$(dirname "$page")/$file" ] || fail "$(basename "$page") shows $src, which is not there"
  done < <(grep -o '<img src="[^"]*"' "$page" | sed 's/<img src="//; s/"$//')
done
[ "$images" -gt 0 ] || fail "the pages with a relative folder show no image"

# The reverse-engineering script over the files of an add file, saved into
# the project; the task script's lines in the log.
printf '%s\n' "$fixtures/src/vehicles.h" "$fixtures/src/Bike.java" >"$work/files.txt"
"$app" Shapes.pro -batch -script=RevEng/SourceClasses.vxs -add="$work/files.txt" -revModel=Default \
  -save="$work/reversed.pro" -exit >"$work/stdout" 2>"$work/stderr" ||
  { fail "the reverse-engineering batch exited $?"; cat "$work/stderr"; }
grep -qF "Classes found: 4, links made: 3" "$work/stderr" || fail "the reverse run did not report"
for class in Vehicle Wheel Car Bike; do
  grep -qF "\"$class\"" "$work/reversed.pro" || fail "the saved project has no master $class"
done
"$app" Shapes.pro -batch -script=Task/ProjectSummary.vxs -exit >"$work/stdout" 2>"$work/stderr" ||
  fail "the task batch exited $?"
grep -qF "Totals: 9 models" "$work/stderr" || { fail "the task's summary is missing"; cat "$work/stderr"; }

# Without -folder the headers go beside the project (its default target).
mkdir "$work/beside" && cp Shapes.pro "$work/beside/"
"$app" "$work/beside/Shapes.pro" -batch -script=CodeGen/CppHeaders.vxs "-scope=All Models" \
  -exit >"$work/stdout" 2>"$work/stderr" || { fail "the batch without -folder exited $?"; cat "$work/stderr"; }
[ -s "$work/beside/geo/Shape.h" ] || fail "without -folder no header was written beside the project"

# A script that fails at run time, after it has begun writing, ends the
# batch with exit code 1, its error and stack on standard error, and nothing
# saved: the generator, the task and the reverse-engineering entry alike. The
# script is named by its absolute path.
cat >"$work/Broken.vxs" <<'EOF'
(def KestMain (lam (scope project target extra a b)
  (let ((ch (open (strconc target "/partial.txt") "w"))) (princ "begun" ch) (close ch))
  (car 5)))
(def KestTask (lam () (VxWriteLog "task begun^r^n") (car 5)))
(def KestReverse (lam (project files)
  (VxMakeMaster (VxProject) (name "Partial") (tool "Class"))
  (car 5)))
EOF
mkdir -p "$work/broken"
cp "$work/beside/Shapes.pro" "$work/before.pro"
for folder in CodeGen Task RevEng; do
  mkdir -p "$work/scripts/$folder" && cp "$work/Broken.vxs" "$work/scripts/$folder/Broken.vxs"
  "$app" "$work/beside/Shapes.pro" -batch -script="$work/scripts/$folder/Broken.vxs" \
    "-scope=All Models" -folder="$work/broken" -add="$work/files.txt" -save -exit >"$work/stdout" 2>"$work/stderr"
  rc=$?
  [ "$rc" -eq 1 ] || fail "the $folder script failing at run time exited $rc"
  grep -qF "KestScript ERROR: car: list expected: 5" "$work/stderr" ||
    { fail "the $folder script's error is not on standard error"; cat "$work/stderr"; }
  grep -qF "[01] (car 5)" "$work/stderr" || fail "the $folder script's stack is not on standard error"
  cmp -s "$work/before.pro" "$work/beside/Shapes.pro" ||
    fail "the project was saved after the $folder script failed"
done
[ -s "$work/broken/partial.txt" ] || fail "the failing generator did not get to write its file"

# Runs that would do nothing they were asked for end with exit code 1 before
# they start: a model the project does not have, an image format the
# documentation script does not write, a source file that cannot be read;
# so does a script writing into a folder it cannot write.
expect_refused() { # what, the text standard error must hold, the arguments
  local what=$1 text=$2
  shift 2
  "$app" "$work/beside/Shapes.pro" -batch "$@" -save -exit >"$work/stdout" 2>"$work/stderr"
  rc=$?
  [ "$rc" -eq 1 ] || fail "$what exited $rc"
  grep -qF -- "$text" "$work/stderr" || { fail "$what: no \"$text\" on standard error"; cat "$work/stderr"; }
  cmp -s "$work/before.pro" "$work/beside/Shapes.pro" || fail "$what saved the project"
}
printf '%s\n' "$fixtures/src/vehicles.h" "$work/no/such/file.h" >"$work/missing.txt"
expect_refused "a model name the project lacks" "NoSuchModel" -revLang=C++ -revModel=NoSuchModel \
  -add="$work/files.txt"
expect_refused "a reverse script into a missing model" "NoSuchModel" \
  -script=RevEng/SourceClasses.vxs -revModel=NoSuchModel -add="$work/files.txt"
expect_refused "an image format the pages cannot show" "ImageFormat=gif" \
  -script=DocGen/HtmlPages.vxs "-scope=All Models" -folder="$work/gif" -ImageFormat=gif
[ -e "$work/gif" ] && fail "the refused documentation run wrote pages"
expect_refused "an unreadable source file" "$work/no/such/file.h" -revLang=C++ -add="$work/missing.txt"
grep -qF -- "-> OK" "$work/stderr" && fail "a message without a choice shows an answer"
mkdir -p "$work/locked" && chmod 555 "$work/locked"
if [ ! -w "$work/locked" ]; then
  expect_refused "a generator writing into a locked folder" "can't open file" \
    -script=CodeGen/CppHeaders.vxs "-scope=All Models" -folder="$work/locked"
fi
chmod 755 "$work/locked"

# A script named with backslashes, as stored settings hold it, is found; no
# note of Qt's about the runtime folder comes between the run's lines.
(unset XDG_RUNTIME_DIR
 "$app" Shapes.pro -batch -script='CodeGen\CppHeaders.vxs' "-scope=All Models" -folder="$work/back" \
   -exit >"$work/stdout" 2>"$work/stderr") || { fail "the backslash script name exited $?"; cat "$work/stderr"; }
[ -s "$work/back/geo/Shape.h" ] || fail "the script named with backslashes wrote no header"
grep -qF "XDG_RUNTIME_DIR" "$work/stderr" && fail "the batch run printed Qt's runtime folder note"

[ "$failures" -eq 0 ] && echo "shipped scripts from the command line: all good"
exit "$failures"
