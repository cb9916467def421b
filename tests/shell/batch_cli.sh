#!/usr/bin/env bash
# Runs the quillmark program as a batch user would: the exit codes, the
# messages on standard error, the project a batch run writes, and that a
# batch run leaves the user settings alone.
set -u
app=$1
fixtures=$(cd "$(dirname "$0")/../fixtures" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" HOME="$work/home" XDG_RUNTIME_DIR="$work/run"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
mkdir -p "$XDG_CONFIG_HOME" "$HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
cd "$work"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# expect <exit code> <text on standard error> <arguments...>
expect() {
  local code=$1 text=$2
  shift 2
  "$app" "$@" >"$work/out" 2>"$work/err"
  local rc=$?
  [ "$rc" -eq "$code" ] || fail "$* exited $rc, not $code"
  grep -qF -- "$text" "$work/err" || { fail "$* did not say: $text"; cat "$work/err"; }
}

appdir=$(dirname "$app")
expect 1 $'Command Line Error: Invalid Scope: foo.\nQuillmark will exit!' -scope=foo
expect 1 "Command Line Error: Script name expected: script." -script
expect 1 "Quillmark will exit!" -script
expect 1 "Command Line Error: Project does not exit: ." -batch -exit
expect 1 "file is not a Quillmark project" "$appdir/Notations/UML2.1.not" -batch -exit
expect 1 "Invalid Language: Cobol" -revLang=Cobol

"$app" -batch -exit "-new=<Internal>" -save=out.pro 2>"$work/err"
rc=$?
[ "$rc" -eq 0 ] || { fail "the new project batch exited $rc"; cat "$work/err"; }
head -n 1 out.pro | grep -q '^(Quillmark "8.0" project)$' || fail "out.pro does not start with the project header"
grep -qF '(notation "<Internal>")' out.pro || fail "out.pro does not name <Internal>"
# A new project saves its one default model, also without a window.
[ "$(grep -c '^(customModel ' out.pro)" -eq 1 ] || fail "out.pro does not hold exactly one model"
# An id may hold a quote, written escaped with a ^.
grep -qE '^\(customModel "([^"^]|\^.)*" 0 [0-9]* "Untitled" ' out.pro || fail "out.pro's model is not the default one"
[ -z "$(find "$XDG_CONFIG_HOME" -type f)" ] || fail "the batch run wrote settings: $(find "$XDG_CONFIG_HOME" -type f)"

# -p prints the project's first diagram into a PDF beside it; opening a
# project leaves the user settings (and their recent files) alone too.
cp "$fixtures/shell/shapes.pro" shapes.pro
"$app" shapes.pro -batch -exit -p 2>"$work/err" || { fail "-p exited $?"; cat "$work/err"; }
[ "$(grep -ac '^/Type /Page$' shapes.pdf)" -eq 1 ] || fail "shapes.pdf does not hold one page"
grep -qF "Printed 1 page(s) to shapes.pdf" "$work/err" || { fail "-p did not say where it printed"; cat "$work/err"; }
[ -z "$(find "$XDG_CONFIG_HOME" -type f)" ] || fail "the batch run wrote settings: $(find "$XDG_CONFIG_HOME" -type f)"

expect 1 "Need -add=addFiles.txt" out.pro -batch -exit -revLang=Java

# A save past the file-size limit: the write fails with its message (the
# limit's signal does not end the process unheard), the project stays as it
# was and no temporary file is left beside it.
cp "$fixtures/shell/shapes.pro" limited.pro
(ulimit -f 1 && exec "$app" limited.pro -batch -exit -save) >"$work/out" 2>"$work/err"
rc=$?
[ "$rc" -eq 1 ] || { fail "the save past the file-size limit exited $rc, not 1"; cat "$work/err"; }
grep -qF "Can't write project file: " "$work/err" || { fail "the failed save said nothing"; cat "$work/err"; }
grep -qF "File too large" "$work/err" || { fail "the failed save did not give the reason"; cat "$work/err"; }
cmp -s limited.pro "$fixtures/shell/shapes.pro" || fail "the failed save changed the project"
[ -z "$(find . -name 'limited.pro.*')" ] || fail "the failed save left $(find . -name 'limited.pro.*')"

# Reverse engineering in batch: two C++ headers into the class diagram M; the
# driver's log shows on standard error and the saved project holds the masters.
cp out.pro rev.pro
printf '(customModel "d-rev-model-1" 11 3 "M" "" "" 1 "" "" 1.000000 1.000000 (0 0 1000 800) (0 0 1000 800))\n' >>rev.pro
printf 'class Shape {\npublic:\n  virtual double Area() const = 0;\n};\n' >"$work/shape.h"
printf 'class Circle : public Shape {\n  double radius;\n};\n' >"$work/circle.h"
printf '%s\n;$Verbose=1\n%s\n' "$work/shape.h" "$work/circle.h" >"$work/files.txt"
"$app" rev.pro -batch -revLang=C++ -revModel=M -add="$work/files.txt" -save -exit \
  >"$work/out" 2>"$work/err"
rc=$?
[ "$rc" -eq 0 ] || { fail "the reverse-engineering batch exited $rc"; cat "$work/err"; }
for line in "Reverse engineering..." "$work/shape.h (5 lines)" "$work/circle.h (4 lines)" \
  "Total of 9 lines." "Reverse Engineering Completed."; do
  grep -qF -- "$line" "$work/err" || { fail "the reverse-engineering log lacks: $line"; cat "$work/err"; }
done
for master in '"Shape"' '"Circle"'; do
  # An id may hold a quote, written escaped as ^".
  grep -qE "\(master \"([^\"^]|\^.)*\" [0-9]+ [0-9]+ $master" rev.pro || fail "rev.pro has no master $master"
done
grep -qF '"Area" "double"' rev.pro || fail "rev.pro lacks Shape's method Area"
grep -qF "\"$work/shape.h\" \"$work/circle.h\")" rev.pro ||
  { fail "rev.pro does not list the reverse-engineered files"; grep revFiles rev.pro; }
# A source with a syntax error: the run saves what it read, names the file
# on standard error with how many files had errors, and ends with 1.
cp out.pro bad.pro
printf '(customModel "d-rev-model-1" 11 3 "M" "" "" 1 "" "" 1.000000 1.000000 (0 0 1000 800) (0 0 1000 800))\n' >>bad.pro
printf 'class Broken : {\n};\n' >"$work/broken.h"
printf '%s\n%s\n' "$work/broken.h" "$work/circle.h" >"$work/bad-files.txt"
"$app" bad.pro -batch -revLang=C++ -revModel=M -add="$work/bad-files.txt" -save -exit \
  >"$work/out" 2>"$work/err"
rc=$?
[ "$rc" -eq 1 ] || { fail "the reverse-engineering batch over a bad file exited $rc"; cat "$work/err"; }
grep -qF "*** ERROR in $work/broken.h(1)" "$work/err" || { fail "the bad file is not named"; cat "$work/err"; }
grep -qxF "Reverse engineering: 1 file with errors" "$work/err" ||
  { fail "the count of files with errors is missing"; cat "$work/err"; }
grep -qE '\(master "([^"^]|\^.)*" [0-9]+ [0-9]+ "Circle"' bad.pro || fail "bad.pro was not saved with Circle"

# One set of headers with its add list in two orders gives the same project
# (but for the list of files read, which keeps the order given, and the ids,
# which are new on every run: each is replaced by its rank of first use): a
# header's conditionals see the macros of every file of the run.
mkdir -p "$work/hdr"
printf '#ifndef CONFIG_H\n#define CONFIG_H\n#define HAS_TREE 1\n#ifdef HAS_TREE\n#define HAS_LEAF\n#endif\n#endif\n' \
  >"$work/hdr/config.h"
printf '#ifdef HAS_TREE\nstruct Tree { struct Tree *left; int size; };\n#endif\n' >"$work/hdr/tree.h"
printf '#if defined(HAS_LEAF) && HAS_TREE\nstruct Leaf { int v; };\n#else\nstruct NoLeaf { int v; };\n#endif\n' \
  >"$work/hdr/leaf.h"
printf '%s\n' "$work/hdr/tree.h" "$work/hdr/leaf.h" "$work/hdr/config.h" >"$work/order1.txt"
printf '%s\n' "$work/hdr/config.h" "$work/hdr/leaf.h" "$work/hdr/tree.h" >"$work/order2.txt"
for order in 1 2; do
  cp rev.pro "order$order.pro"
  "$app" "order$order.pro" -batch -revLang=C++ -revModel=M -add="$work/order$order.txt" -save -exit \
    >"$work/out" 2>"$work/err" || { fail "the run in order $order exited $?"; cat "$work/err"; }
  # An id is a 15-character text, any of whose characters may be written
  # escaped with a ^; the ids a run makes end in its host's six. Those of the
  # records' heads name the run's hosts, and every id of those hosts, wherever
  # it stands (a member's, a place's), is replaced. An id written with
  # escapes is longer, which moves where the file's lines break: the breaks
  # and indents are compared as single spaces.
  perl -0pe 's/\(revFiles .*?\)\n//s;
    my %host; $host{substr($1, -7, 6)} = 1 while /\(\w+ ("(?:[^"^\n]|\^.){15}")/g;
    s/("(?:[^"^\n]|\^.){15}")/exists $host{substr($1, -7, 6)} ? ($ids{$1} \/\/= "id" . ++$n) : $1/ge;
    s/\s+/ /g; s/\) \(/)\n(/g' \
    "order$order.pro" >"order$order.cut"
done
cmp -s order1.cut order2.cut || { fail "the add list's order changes the project"; diff order1.cut order2.cut | head; }
for master in '"Tree"' '"Leaf"'; do
  grep -qE "\(master \"([^\"^]|\^.)*\" [0-9]+ [0-9]+ $master" order1.pro || fail "order1.pro has no master $master"
done
grep -qF '"NoLeaf"' order1.pro && fail "order1.pro holds the branch not taken"

# The option name may come with '/' and in capitals.
"$app" out.pro /BATCH /EXIT -save=copy.pro 2>"$work/err" || fail "/BATCH /EXIT exited $?"
cmp -s out.pro copy.pro || fail "the project saved again differs"

# A script beside the program: what it prints shows on standard output, all of it.
# Its name is this run's own, so that two runs of this test never share it.
scripts="$appdir/Scripts/CodeGen"
hello="BatchCliHello$$.vxs"
mkdir -p "$scripts"
trap 'rm -rf "$work"; rm -f "$scripts/$hello"' EXIT
printf ';$Verbose=quiet\n(def KestMain (lam (s n tg e a b) (print (quote started) n $Verbose)))\n' \
  >"$scripts/$hello"
"$app" out.pro -batch -exit -script=CodeGen/$hello "-scope=All Models" \
  -folder="$work/gen" -file=x \
  -Verbose=TRUE >"$work/out" 2>"$work/err" || fail "the script batch exited $?"
grep -qF 'started"out""quiet"' "$work/out" || { fail "the script's output is missing"; cat "$work/out" "$work/err"; }
[ -d "$work/gen" ] || fail "the target folder was not made"
expect 1 "Invalid script option name: nosuch" out.pro -batch -script=CodeGen/$hello -nosuch=1
rm -f "$scripts/$hello"

# The batch examples of the README, run as written (the program's name
# standing for its path), one after the other on a fresh folder with the
# add file they name.
readme="$fixtures/../../README.md"
mkdir -p "$work/readme"
printf 'class Shape {\npublic:\n  virtual double Area() const = 0;\n};\nclass Circle : public Shape {\n  double radius;\n};\n' \
  >"$work/readme/shape.h"
printf 'shape.h\n' >"$work/readme/files.txt"
examples=0
while IFS= read -r example; do
  examples=$((examples + 1))
  (cd "$work/readme" && eval "\"\$app\" ${example#quillmark }") >"$work/out" 2>"$work/err" ||
    { fail "the README's example exited $?: $example"; cat "$work/err"; }
  grep -qF "ERROR" "$work/err" && { fail "the README's example logged an error: $example"; cat "$work/err"; }
done < <(sed -n 's/^      \(quillmark .*\)$/\1/p' "$readme")
[ "$examples" -ge 4 ] || fail "the README shows $examples batch examples"
grep -qF '"Circle"' "$work/readme/project.pro" || fail "the README's reverse engineering made no Circle"
[ -s "$work/readme/out/Circle.h" ] || fail "the README's generation wrote no Circle.h: $(ls -R "$work/readme")"

# A batch run that is done ends at once, yet as a run that takes everything
# apart ends: the journal files of its projects (the reference project's of
# the settings too) are gone, what it saved is whole, what its script printed
# without a line end is out, and the exit code is the run's.
leftover=$(find "$XDG_RUNTIME_DIR" -name '*.jnl')
[ -z "$leftover" ] || fail "batch runs left journal files: $leftover"
mkdir -p "$XDG_CONFIG_HOME/Brindlex"
printf '[Software\\Brindlex\\Quillmark8\\Profile]\nDefaultRefProj=%s\n' "$work/shapes.pro" \
  >"$XDG_CONFIG_HOME/Brindlex/Quillmark8.ini"
printf '(def KestMain (lam (s n tg e a b) (print (quote ended) n)))\n' >"$scripts/BatchCliEnd.vxs"
"$app" out.pro -batch -exit -script=CodeGen/BatchCliEnd.vxs "-scope=All Models" \
  -folder="$work/gen" -file=x -save=with-reference.pro >"$work/out" 2>"$work/err"
rc=$?
[ "$rc" -eq 0 ] || { fail "the run with a reference project exited $rc"; cat "$work/err"; }
[ "$(cat "$work/out")" = 'ended"out"' ] || { fail "the script's output is not all out"; cat "$work/out"; }
[ "$(tail -n 1 with-reference.pro)" = "$(tail -n 1 out.pro)" ] ||
  fail "the run with a reference project did not save the whole project"
leftover=$(find "$XDG_RUNTIME_DIR" -name '*.jnl')
[ -z "$leftover" ] || fail "the run with a reference project left journal files: $leftover"
expect 1 "Invalid script option name: nosuch" out.pro -batch -exit -script=CodeGen/BatchCliEnd.vxs -nosuch=1
rm -f "$scripts/BatchCliEnd.vxs"
leftover=$(find "$XDG_RUNTIME_DIR" -name '*.jnl')
[ -z "$leftover" ] || fail "a failed batch run left journal files: $leftover"

[ "$failures" -eq 0 ] && echo "batch command line: all good"
exit "$failures"
