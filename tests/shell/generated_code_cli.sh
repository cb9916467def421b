#!/usr/bin/env bash
# What the shipped generators write is checked by the compilers that will
# read it: the C++ headers of the fixture projects with g++ -fsyntax-only
# (the output folder on the include path), the Java files with javac, both
# again after a second run over files the user has edited by hand. Also the
# HTML pages written into a relative -folder from another working folder:
# every image a page shows is found relative to the page. Where GoogleTest,
# cereal and a JDK's sources are installed, classes reverse-engineered out of them
# are generated again and compiled.
# usage: generated_code_cli.sh <quillmark> <fixtures/scripts folder>
set -u
app=$1
fixtures=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME="$work/config" HOME="$work/home"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
mkdir -p "$XDG_CONFIG_HOME" "$HOME"
cd "$work"
export work
export tab=$'\t'
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# The fixture scripts are named through the scripts folder up to the root.
up=$(printf '../%.0s' $(seq 1 40))

# run <what> <arguments...>: a batch run that must succeed.
run() {
  local what=$1
  shift
  "$app" "$@" -batch -exit >"$work/stdout" 2>"$work/stderr" ||
    { fail "$what exited $?"; cat "$work/stderr"; }
  grep -qF "ERROR" "$work/stderr" && { fail "$what logged an error"; cat "$work/stderr"; }
}

# The project of a language's classes, made by the fixture's maker script.
make_library() {
  mkdir -p "$work/made"
  run "making the $1 classes" -new="<Internal>" -script="$up${fixtures#/}/MakeLibrary.vxs" \
    -folder="$work/made" -file="$1" -save="$work/$1.pro"
}

# new_project <file> <model>: an empty project with one class diagram.
new_project() {
  run "a new project" "-new=<Internal>" -save="$1"
  printf '(customModel "d-rev-model-1" 11 3 "%s" "" "" 1 "" "" 1.000000 1.000000 (0 0 1000 800) (0 0 1000 800))\n' \
    "$2" >>"$1"
}

# compile_each <folder>: every header under the folder compiled on its own
# (the folder on the include path), as many at once as there are cores.
# Writes the headers in order to $work/compiled.txt, each followed by
# " ok" or " failed"; g++'s messages of header number n go to
# $work/gcc/n.txt.
compile_each() {
  rm -rf "$work/gcc"
  mkdir -p "$work/gcc"
  (cd "$1" && find . -name '*.h' | sed 's|^\./||' | sort) | nl -ba -w1 -s"$tab" >"$work/headers.txt"
  # shellcheck disable=SC2016
  folder=$1 xargs -P "$(nproc)" -d '\n' -n 1 sh -c '
    n=${1%%"$tab"*} h=${1#*"$tab"}
    printf "#include \"%s\"\n" "$h" >"$work/gcc/$n.cpp"
    if g++ -std=c++17 -fsyntax-only -I"$folder" "$work/gcc/$n.cpp" >"$work/gcc/$n.txt" 2>&1; then
      echo ok >"$work/gcc/$n.status"
    else
      echo failed >"$work/gcc/$n.status"
    fi' sh <"$work/headers.txt"
  : >"$work/compiled.txt"
  local number header
  while IFS="$tab" read -r number header; do
    printf '%s %s\n' "$header" "$(cat "$work/gcc/$number.status" 2>/dev/null || echo failed)" >>"$work/compiled.txt"
  done <"$work/headers.txt"
}

# Every header under a folder compiles on its own.
compile_headers() {
  local folder=$1 line header status number=0
  compile_each "$folder"
  while read -r line; do
    header=${line% *} status=${line##* }
    number=$((number + 1))
    [ "$status" = ok ] || { fail "$header does not compile"; head -20 "$work/gcc/$number.txt"; }
  done <"$work/compiled.txt"
}

if command -v g++ >/dev/null; then
  # The classes of Shapes.pro use two types from outside the project, which
  # the user declares in the includes region of Shape.h.
  run "the headers of Shapes.pro" "$fixtures/Shapes.pro" -script=CodeGen/CppHeaders.vxs \
    "-scope=All Models" -folder=shapes
  printf 'struct Point {};\nclass Canvas;\n' >"$work/declared"
  sed -i "/USER CODE BEGIN includes/r $work/declared" shapes/geo/Shape.h
  run "the headers of Shapes.pro again" "$fixtures/Shapes.pro" -script=CodeGen/CppHeaders.vxs \
    "-scope=All Models" -folder=shapes
  grep -qxF "struct Point {};" shapes/geo/Shape.h || fail "the declarations written by hand are gone"
  compile_headers "$work/shapes"

  # Member forms written back as they were read: a header of one class per
  # row's form, reverse-engineered into a new project and generated again;
  # each form must come back as written, and the headers compile.
  forms=$'static const char* name;\nstatic const char* const kTitle;\nconst char* label;\nchar* const fixed;\nconst int limit;\nSystemInfo const& sys_info;\nconst SystemInfo& info;\nconst std::vector<const Item*> items;\nint count = 3;\ndouble ratio{0.5};\nMode mode = Mode::On;\nexplicit Widget(const SystemInfo& s);\nvirtual ~Widget();\nvirtual void Draw() const = 0;\nvirtual int Size() const;\nconst char* Name() const;\nconst std::int32_t* Data();'
  derived=$'explicit Button(const SystemInfo& s);\nvoid Draw() const override;\nint Size() const override final;'
  mkdir -p "$work/forms"
  {
    printf '#include <cstdint>\n#include <vector>\nnamespace app {\nstruct SystemInfo { int cores; };\nstruct Item {};\n'
    printf 'enum class Mode : std::uint8_t { Off, On };\nenum Plain : int { A, B };\n'
    printf 'class Widget {\npublic:\n%s\n};\n' "$(sed 's/^/    /' <<<"$forms")"
    printf 'class Button : public Widget {\npublic:\n%s\n};\n}\n' "$(sed 's/^/    /' <<<"$derived")"
  } >"$work/forms/forms.h"
  printf '%s\n' "$work/forms/forms.h" >"$work/forms/files.txt"
  run "a new project for the member forms" -new=UML2.1.not -save="$work/forms/forms.pro"
  run "reading the member forms" "$work/forms/forms.pro" -revLang=C++ -add="$work/forms/files.txt" -save
  run "writing the member forms back" "$work/forms/forms.pro" -script=CodeGen/CppHeaders.vxs \
    "-scope=All Models" -folder="$work/forms/out"
  while IFS= read -r form; do
    grep -qxF "    $form" "$work/forms/out/app/Widget.h" ||
      fail "the member form '$form' came back as: $(grep -F "$(sed 's/[^A-Za-z_].*//' <<<"${form##* }")" "$work/forms/out/app/Widget.h" | head -3)"
  done <<<"$forms"
  while IFS= read -r form; do
    grep -qxF "    $form" "$work/forms/out/app/Button.h" || fail "the member form '$form' did not come back"
  done <<<"$derived"
  for form in "    enum class Mode : std::uint8_t { Off, On };" "    enum Plain : int { A, B };"; do
    grep -qxF "$form" "$work/forms/out/app.h" || fail "the enumeration '$form' did not come back: $(grep enum "$work/forms/out/app.h")"
  done
  compile_headers "$work/forms/out"

  # Headers as files: a class holding only nested classes (one by value in
  # the other) is one header, not a folder; a class named in letters beyond
  # ASCII keeps its name in its file's; two specialisations whose names make
  # one file name each get a file, and one whose name is longer than a
  # folder takes one of a shorter name; the count logged is that of the files.
  # A namespace header declares a class template whose default names the
  # namespace's enumeration after the enumeration, and the type naming the
  # template after both.
  mkdir -p "$work/files"
  cat >"$work/files/files.h" <<'CPP'
namespace ns {
enum Kind { X, Y };
template <Kind K = X> class Box { public: int v; };
typedef Box<>* BoxPtr;
class Outer {
public:
    class A { public: int x; int get() const; };
    class B { public: A a; void put(int v); };
};
struct Größe { int wert; int get() const; };
template <typename T> class Cell { public: T v; };
template <typename T> class Cell<T*> { public: T* p; };
template <typename T> class Cell<T&> { public: T* r; };
}
CPP
  long=$(printf 'Long%.0s' $(seq 1 70))
  printf 'namespace ns { struct %s { int v; int get() const; }; }\n' "$long" >>"$work/files/files.h"
  printf '%s\n' "$work/files/files.h" >"$work/files/files.txt"
  new_project "$work/files/files.pro" Classes
  run "reading the classes of files.h" "$work/files/files.pro" -revLang=C++ -revModel=Classes \
    -add="$work/files/files.txt" -save
  run "writing the headers of files.h" "$work/files/files.pro" -script=CodeGen/CppHeaders.vxs \
    "-scope=All Models" -folder="$work/files/out"
  [ "$(cd "$work/files/out" && find . -type f | sort | tr '\n' ' ')" = \
    "./ns.h ./ns/Box.h ./ns/Cell.h ./ns/Cell_T__.h ./ns/Cell_T___2.h ./ns/Größe.h ./ns/${long:0:96}.h ./ns/Outer.h " ] ||
    fail "the headers of files.h are: $(cd "$work/files/out" && find . -type f | sort)"
  grep -qF "C++ headers written: 8" "$work/stderr" || fail "the count is not 8: $(grep written "$work/stderr")"
  [ "$(cat "$work/files/out/ns/Cell_T__.h" "$work/files/out/ns/Cell_T___2.h" | grep -c '^class Cell<T[*&]> {$')" = 2 ] ||
    fail "a specialisation overwrote the other"
  grep -qxF "class Größe {" "$work/files/out/ns/Größe.h" || fail "Größe lost its name"
  grep -qxF "    class A {" "$work/files/out/ns/Outer.h" || fail "Outer does not hold A"
  at() { grep -nE "^    $1" "$work/files/out/ns.h" | cut -d: -f1 | head -1; }
  enum_at=$(at 'enum Kind') box_at=$(at 'template <Kind K = X> class Box;') alias_at=$(at 'typedef Box<>\* +BoxPtr;')
  [ -n "$enum_at" ] && [ -n "$box_at" ] && [ -n "$alias_at" ] && [ "$enum_at" -lt "$box_at" ] &&
    [ "$box_at" -lt "$alias_at" ] || fail "ns.h is not in order: $(grep -v '^ *//' "$work/files/out/ns.h")"
  compile_headers "$work/files/out"

  # A base whose argument is a conditional names the classes on both sides
  # of its ":", and its header includes both; a typedef naming a member of
  # a class through it (in a decltype with "&") includes that class.
  mkdir -p "$work/cond"
  cat >"$work/cond/cond.h" <<'CPP'
#include <type_traits>
namespace tr {
template <class T> struct has_a { static const bool value = true; };
template <class T> struct has_b { static const bool value = false; };
template <class T> struct pick : std::integral_constant<bool, has_a<T>::value ? has_a<T>::value : has_b<T>::value> {};
class access {
public:
  template <class T> static auto member_save(T const& t) -> decltype(t.save()) { return t.save(); }
};
template <class T> struct saved { typedef decltype(tr::access::member_save(std::declval<T const&>())) type; };
}
CPP
  printf '%s\n' "$work/cond/cond.h" >"$work/cond/files.txt"
  new_project "$work/cond/cond.pro" Classes
  run "reading cond.h" "$work/cond/cond.pro" -revLang=C++ -revModel=Classes -add="$work/cond/files.txt" -save
  run "writing the headers of cond.h" "$work/cond/cond.pro" -script=CodeGen/CppHeaders.vxs \
    "-scope=All Models" -folder="$work/cond/out"
  for include in has_a has_b; do
    grep -qxF "#include \"tr/$include.h\"" "$work/cond/out/tr/pick.h" || fail "pick.h does not include $include.h"
  done
  grep -qxF '#include "tr/access.h"' "$work/cond/out/tr/saved.h" || fail "saved.h does not include access.h"
  compile_headers "$work/cond/out"

  make_library cpp
  run "the library's headers" "$work/cpp.pro" -script=CodeGen/CppHeaders.vxs "-scope=All Models" \
    -folder=cpp
  # Two classes named Item in two namespaces, each in its namespace's folder;
  # the class template Pair although its tool writes no code; no header for
  # the namespace lib::core and none for lib but that of its type Millis;
  # the specialisation Node<int, int> in a header of its own, the class
  # nested in Tree inside Tree's.
  [ "$(cd cpp && find . -type f | sort | tr '\n' ' ')" = \
    "./Registry.h ./lib.h ./lib/core/Item.h ./lib/core/Node.h ./lib/core/Node_int_int_.h ./lib/core/Tree.h ./lib/core/Visitor.h ./lib/util/Columns.h ./lib/util/Elem.h ./lib/util/Elem_Tuple_Ts___.h ./lib/util/Item.h ./lib/util/Pair.h ./lib/util/Probe.h ./lib/util/Table.h ./lib/util/Tuple.h " ] ||
    fail "the headers are: $(cd cpp && find . -type f | sort)"
  for line in "    class Cursor {" "    template <typename F> void Walk(F&& f);" "    void(*onChange)(int);"; do
    grep -qxF "$line" cpp/lib/core/Tree.h || fail "Tree.h lacks: $line"
  done
  grep -qxF "class Node<int, int> {" cpp/lib/core/Node_int_int_.h || fail "the specialisation is not one"
  grep -qxF "    class Edge : public Link {" cpp/lib/core/Node.h ||
    fail "a nested class does not derive from its sibling by its name"
  grep -qxF "    typedef std::int64_t Millis;" cpp/lib.h || fail "the namespace's type is missing"
  grep -qxF "    template <typename T, std::size_t N = 2> using Span = std::array<T, N>;" cpp/lib.h &&
    grep -qxF "#include <array>" cpp/lib.h || fail "the namespace's alias template is not one"
  # The namespace's functions after its types: a template defined with its
  # code, an overload, inline and static functions with code; none that
  # names a class nested in another, which lib.h cannot declare. Registry's
  # default value calls one: its header includes lib.h.
  for line in "    template <typename T, typename U = T> T Clamp(const T& value, U limit = U()) {" \
    "        return value < limit ? value : T(limit);" "    int Clamp(int value);" \
    "    inline int Twice(int x) { return 2 * x; }" \
    "    static inline std::string Describe(const core::Tree& tree, const char marks[]) {"; do
    grep -qxF "$line" cpp/lib.h || fail "lib.h lacks: $line"
  done
  grep -qF "Walker" cpp/lib.h && fail "lib.h declares a function of a nested class's type"
  grep -qxF '#include "lib.h"' cpp/Registry.h || fail "Registry.h does not include lib.h for lib::Twice"
  for line in "    typedef void(*Hook)(int);" "    typedef lib::util::Item Maker(const std::string&);"; do
    grep -qxF "$line" cpp/Registry.h || fail "Registry.h lacks: $line"
  done
  grep -qF "class Tree : public Node<std::string, int> {" cpp/lib/core/Tree.h ||
    fail "the template base lost its arguments"
  # Template parameters as their kinds declare them: a template template
  # parameter, a value with its default, packs, a pack expanded in a base.
  # The defaults are given once, by whichever declaration comes first
  # (Registry.h declares Table ahead of its header and uses it without them).
  grep -qxF "template <typename Row, template <typename> class Store, std::size_t N = 4, typename... Cols> class Table;" \
    cpp/lib/util/Table.h || fail "Table's parameters lost their kinds"
  grep -qxF "template <typename Row, template <typename> class Store, std::size_t N, typename... Cols>" \
    cpp/lib/util/Table.h || fail "Table's definition repeats its defaults"
  grep -qxF "#ifndef DECLARED_lib_util_Table" cpp/Registry.h || fail "Registry.h does not declare Table with its defaults"
  grep -qxF "class Columns : public Tuple<Ts...> {" cpp/lib/util/Columns.h ||
    fail "the pack is not expanded in the base"
  # A primary template only declared stays a declaration, in its header and
  # in its class; bases inside an instance of a template and expanded from
  # a pack keep what the link records; a decltype type keeps its name out.
  grep -qxF "template <typename, typename... Rest> class Elem;" cpp/lib/util/Elem.h &&
    ! grep -qF "Members of Elem " cpp/lib/util/Elem.h || fail "the declared primary is defined"
  grep -qxF "class Elem<Tuple<Ts...>> : public Tuple<Ts...>::type, public Columns<Ts>... {" \
    cpp/lib/util/Elem_Tuple_Ts___.h || fail "the specialisation's bases lost their text"
  [ "$(grep -c "class Slot" cpp/Registry.h)" = 2 ] && grep -qxF "    template <typename T> class Slot;" cpp/Registry.h ||
    fail "the member class template is not declared once before its specialisation"
  grep -qxF "    typedef decltype(std::declval<void(*)(Ts...)>()) First;" cpp/lib/util/Tuple.h ||
    fail "a decltype type took the name inside"
  grep -qxF "    static const double scale;" cpp/lib/core/Node.h ||
    fail "a static double constant keeps its value in the class"
  grep -qxF "    static const unsigned int limit = 8;" cpp/lib/core/Node.h ||
    fail "a static integral constant lost its value"
  grep -qxF "    static constexpr auto unit = 1.5;" cpp/lib/core/Node.h ||
    fail "a static member of a deduced type lost its value"
  # Members written after what their declarations name; a union as the
  # reader keeps it.
  for line in "    typedef union{T value_;long bits_;} Raw;" "    template <typename M, bool B = Probe::Fits<M>()>"; do
    grep -qxF "$line" cpp/lib/util/Probe.h || fail "Probe.h lacks: $line"
  done
  # A base declared elsewhere (no header of its own) by its standard header.
  grep -qxF "#include <type_traits>" cpp/Registry.h && grep -qF "class Registry : public ::std::false_type {" cpp/Registry.h ||
    fail "Registry.h does not derive from std::false_type by its header"
  printf '    int hand_ = 0;\n' >"$work/hand"
  sed -i "/USER CODE BEGIN Tree/r $work/hand" cpp/lib/core/Tree.h
  run "the library's headers again" "$work/cpp.pro" -script=CodeGen/CppHeaders.vxs \
    "-scope=All Models" -folder=cpp
  grep -qxF "    int hand_ = 0;" cpp/lib/core/Tree.h || fail "the user's member is gone"
  compile_headers "$work/cpp"
else
  echo "g++ is not installed: the generated headers are not compiled"
fi

if command -v javac >/dev/null; then
  make_library java
  run "the library's Java files" "$work/java.pro" -script=CodeGen/JavaClasses.vxs \
    "-scope=All Models" -folder=java
  # One file per top-level class in its package's folder; the nested class
  # inside its outer class; no file for the package util, nor for the
  # stand-in of Counter, which would hide the real class in lib.util.
  [ "$(cd java && find . -type f | sort)" = \
    $'./lib/core/Base.java\n./lib/core/Counter.java\n./lib/core/Shape.java\n./lib/core/Tree.java\n./lib/core/Unit.java\n./lib/util/Item.java' ] ||
    fail "the Java files are: $(cd java && find . -type f | sort)"
  sed -i 's|^        return 0;$|        return children.size();|' java/lib/core/Tree.java
  sed -i 's|^        step = START;$|        step = START + 1;|' java/lib/core/Counter.java
  run "the library's Java files again" "$work/java.pro" -script=CodeGen/JavaClasses.vxs \
    "-scope=All Models" -folder=java
  grep -qxF "        return children.size();" java/lib/core/Tree.java || fail "the user's method body is gone"
  grep -qxF "        step = START + 1;" java/lib/core/Counter.java ||
    fail "the user's initializer block is gone"
  # The imports the class's source named are kept, each once.
  [ "$(grep -c '^import java.util.Objects;$' java/lib/util/Item.java)" = 1 ] ||
    fail "Item.java does not import java.util.Objects once"
  # Names used only in a method body are imported: the standard library's
  # and the project's class of another package, over the stand-in of its
  # name in the file's own package, and static members named without their
  # class.
  for import in java.util.Objects lib.core.Counter "static lib.core.Shape.LIMIT" \
    "static lib.core.Unit.DAYS" java.util.Map.Entry "static java.util.Map.entry" \
    java.util.concurrent.Callable; do
    grep -qxF "import $import;" java/lib/util/Item.java || fail "Item.java does not import $import"
  done
  for method in "double area();" "default double twice() {" "static double unit() {"; do
    grep -qxF "    $method" java/lib/core/Shape.java || fail "Shape.java has no method $method"
  done
  grep -qxF "class Tree extends Base<Long> implements Shape {" java/lib/core/Tree.java ||
    fail "Tree.java does not derive from Base<Long>"
  grep -qxF "public abstract class Base<S extends Number> {" java/lib/core/Base.java ||
    fail "Base.java lost its type parameter's bound"
  # An enumeration with its constants first; fields drawn as links.
  grep -qxF "public enum Unit {" java/lib/core/Unit.java || fail "Unit.java holds no enum"
  grep -qxF "    FOREVER(-1){public boolean endless(){return true;}};" java/lib/core/Unit.java ||
    fail "Unit.java lost a constant's class body"
  # A far end of many ("n", "0..*", "1..2") is an array, one of at most one
  # a single reference whatever the near end counts.
  for field in "private Counter counter;" "public Shape[] shapes;" "public Unit[] units;" \
    "public Unit[] pair;" "public Counter spare;"; do
    grep -qxF "    $field" java/lib/core/Tree.java || fail "Tree.java has no field $field"
  done
  # The initializer blocks come after the fields they assign (javac checks
  # that the final fields are assigned).
  for line in "    static {" "            START = s;" "    {"; do
    grep -qxF "$line" java/lib/core/Counter.java || fail "Counter.java lacks: $line"
  done
  javac -d "$work/classes" -sourcepath java $(find java -name '*.java') >"$work/javac.txt" 2>&1 ||
    { fail "the Java files do not compile"; head -30 "$work/javac.txt"; }
else
  echo "javac is not installed: the generated Java files are not compiled"
fi

# Classes reverse-engineered out of the installed GoogleTest headers and
# generated again as headers. Not every header compiles yet: the count that
# does must not fall below what the reader and the generator reach today.
# At least gtest_floor headers compile and at most gtest_ceiling do not.
# Classes the run never declared (bases named only, a platform's branch not
# taken) get no header, so the total falls as the reader mends: the count
# of failures is the measure that only falls.
gtest_floor=185
gtest_ceiling=0
if command -v g++ >/dev/null && [ -d /usr/include/gtest ]; then
  new_project "$work/gtest.pro" Classes
  find /usr/include/gtest -name '*.h' | sort >"$work/gtest-files.txt"
  run "reverse-engineering GoogleTest" "$work/gtest.pro" -revLang=C++ -revModel=Classes \
    -add="$work/gtest-files.txt" -save
  run "the GoogleTest headers" "$work/gtest.pro" -script=CodeGen/CppHeaders.vxs \
    "-scope=All Models" -folder=gtest
  compile_each "$work/gtest"
  total=$(wc -l <"$work/compiled.txt") compiled=$(grep -c ' ok$' "$work/compiled.txt")
  echo "GoogleTest: $compiled of $total generated headers compile"
  [ "$compiled" -ge "$gtest_floor" ] ||
    fail "only $compiled of $total GoogleTest headers compile (at least $gtest_floor did)"
  [ $((total - compiled)) -le "$gtest_ceiling" ] ||
    fail "$((total - compiled)) GoogleTest headers do not compile (at most $gtest_ceiling did not)"
fi

# Classes reverse-engineered out of the installed headers of a template
# library no other check is written on (cereal: archives, traits, type
# adapters) and generated again as headers: at least cereal_floor percent
# of them compile, the figure the reader and the generator reach today
# (the rest name macros and classes the library makes with macros, which
# the model does not hold). Only the library's headers that g++ compiles on
# their own are read, with the library's headers they include: those of a
# library not installed (boost) or that g++ rejects by themselves cannot
# come back compiling. Each failing header's first error is shown.
cereal_floor=97
if command -v g++ >/dev/null && [ -d /usr/include/cereal ]; then
  new_project "$work/cereal.pro" Classes
  # shellcheck disable=SC2016
  find /usr/include/cereal -name '*.hpp' -o -name '*.h' | sort | xargs -P "$(nproc)" -d '\n' -n 1 sh -c '
    one=$(mktemp "$work/oneXXXXXX.cpp")
    printf "#include \"%s\"\n" "$1" >"$one"
    g++ -std=c++17 -fsyntax-only "$one" >/dev/null 2>&1 &&
      g++ -std=c++17 -M "$one" 2>/dev/null | tr " \\\\" "\n\n" | grep "^/usr/include/cereal/"
    rm -f "$one"' sh | sort -u >"$work/cereal-files.txt"
  # The reader reports the declarations it cannot read yet (and exits 1);
  # the rest of the library is in the project all the same.
  "$app" "$work/cereal.pro" -revLang=C++ -revModel=Classes -add="$work/cereal-files.txt" -save \
    -batch -exit >"$work/stdout" 2>"$work/stderr"
  grep -F "*** ERROR" "$work/stderr" | sort -u | sed 's/^/cereal: the reader: /'
  run "the cereal headers" "$work/cereal.pro" -script=CodeGen/CppHeaders.vxs \
    "-scope=All Models" -folder=cereal
  written=$(sed -n 's/.*C++ headers written: \([0-9]*\).*/\1/p' "$work/stderr" "$work/stdout" | head -1)
  compile_each "$work/cereal"
  total=0 compiled=0
  while read -r line; do
    header=${line% *} status=${line##* }
    total=$((total + 1))
    if [ "$status" = ok ]; then
      compiled=$((compiled + 1))
    else
      echo "cereal: $header: $(grep -m1 'error' "$work/gcc/$total.txt")"
    fi
  done <"$work/compiled.txt"
  echo "cereal: $compiled of $total generated headers compile"
  [ "$total" -gt 0 ] && [ $((compiled * 100)) -ge $((cereal_floor * total)) ] ||
    fail "only $compiled of $total cereal headers compile (at least $cereal_floor% must)"
  [ -z "$written" ] || [ "$written" = "$total" ] ||
    fail "the run reports $written cereal headers written for $total files"
fi

# Recent Java declarations reverse-engineered and generated again: a sealed
# interface with its permits clause and a record nested in it, a non-sealed
# class, a generic record, a base named through its outer class declared in
# a file read later, and a library's nested interface. Also an inner class
# (not static: it reads its outer instance's field and type parameter) and
# a class that holds nothing but nested classes, which is a class, not a
# package. javac compiles the generated files; no file is written for a
# type the sources only name.
if command -v javac >/dev/null; then
  mkdir -p "$work/modern/p"
  cat >"$work/modern/p/Shape.java" <<'JAVA'
package p;
public sealed interface Shape permits Shape.Circle, Box {
    double area();
    record Circle(double r) implements Shape {
        public double area() { return r * r * 3; }
    }
}
JAVA
  cat >"$work/modern/p/Box.java" <<'JAVA'
package p;
import java.nio.file.WatchEvent;
import java.util.Spliterator;
public non-sealed class Box implements Shape, Cloneable, Comparable<Box> {
    public double w;
    public int compareTo(Box o) { return 0; }
    public Spliterator<Box> parts;
    public double area() { return w * w; }
    static final class Kind<T> implements WatchEvent.Kind<T> {
        public String name() { return "k"; }
        public Class<T> type() { return null; }
    }
}
JAVA
  cat >"$work/modern/p/Pair.java" <<'JAVA'
package p;
public record Pair<A, B>(A first, B second) implements Comparable<Pair<A, B>> {
    static final int LIMIT = 3;
    public int compareTo(Pair<A, B> o) { return 0; }
}
JAVA
  cat >"$work/modern/p/Op.java" <<'JAVA'
package p;
public class Op extends Sink.Chained implements java.io.Serializable { public int step; }
JAVA
  cat >"$work/modern/p/Sink.java" <<'JAVA'
package p;
public class Sink {
    public int size() { return 0; }
    public static class Chained { public int depth; }
}
JAVA
  cat >"$work/modern/p/Outer.java" <<'JAVA'
package p;
public class Outer<E> {
    int count;
    E first;
    class Cursor implements java.util.Iterator<E> {
        public boolean hasNext() { return count > 0; }
        public E next() { return first; }
    }
    interface Visitor { class Default { public int depth; } }
}
JAVA
  cat >"$work/modern/p/Holders.java" <<'JAVA'
package p;
final class Holders {
    static class A { public int a; }
    static final class B extends A { }
}
JAVA
  new_project "$work/modern.pro" Classes
  printf '%s\n' "$work"/modern/p/{Shape,Box,Pair,Op,Sink,Outer,Holders}.java >"$work/modern-files.txt"
  run "reverse-engineering recent Java" "$work/modern.pro" -revLang=Java -revModel=Classes \
    -add="$work/modern-files.txt" -save
  run "the recent Java files" "$work/modern.pro" -script=CodeGen/JavaClasses.vxs \
    "-scope=All Models" -folder=modern-out
  [ "$(cd modern-out && find . -type f | sort)" = \
    $'./p/Box.java\n./p/Holders.java\n./p/Op.java\n./p/Outer.java\n./p/Pair.java\n./p/Shape.java\n./p/Sink.java' ] ||
    fail "the recent Java files are: $(cd modern-out && find . -type f | sort)"
  for line in "public sealed interface Shape permits p.Shape.Circle, Box {" \
    "    static record Circle(double r) implements Shape {"; do
    grep -qxF "$line" modern-out/p/Shape.java || fail "Shape.java lacks: $line"
  done
  grep -qxF "public non-sealed class Box implements Shape, Cloneable, Comparable<Box> {" \
    modern-out/p/Box.java || fail "Box.java is not non-sealed with its interfaces in order"
  grep -qxF "    static final class Kind<T> implements WatchEvent.Kind<T> {" modern-out/p/Box.java ||
    fail "Kind does not implement WatchEvent.Kind"
  grep -qxF "public record Pair<A, B>(A first, B second) implements Comparable<Pair<A,B>> {" \
    modern-out/p/Pair.java || fail "Pair.java holds no record"
  grep -qxF "public class Op extends p.Sink.Chained implements java.io.Serializable {" \
    modern-out/p/Op.java || fail "Op does not extend Sink.Chained and implement java.io.Serializable"
  grep -qE '^    class Cursor ' modern-out/p/Outer.java || fail "Cursor is not an inner class of Outer"
  grep -qE '^        static class Default ' modern-out/p/Outer.java || fail "Default is not nested in Visitor"
  javac -d "$work/modern-classes" $(find modern-out -name '*.java') >"$work/javac-modern.txt" 2>&1 ||
    { fail "the recent Java files do not compile"; head -30 "$work/javac-modern.txt"; }
fi

# Packages of the installed JDK's sources, reverse-engineered and generated
# again: java.time (with its subpackages), java.util.stream (nested
# interfaces named through their outer ones, inner classes, a class holding
# only nested classes), java.lang.constant (sealed interfaces and a
# non-sealed class) and jdk.net (a record). javac finds no syntax error in
# any file, every class name resolves, and the files compile without an
# error: the count of javac's errors may not rise above the ceiling, what
# the reader and the generator reach today (none with this machine's javac).
jdk_ceiling=0
jdk_classes_ceiling=0
jdk_src=
command -v javac >/dev/null &&
  jdk_src="$(dirname "$(dirname "$(readlink -f "$(command -v javac)")")")/lib/src.zip"
if [ -n "$jdk_src" ] && [ -f "$jdk_src" ] && command -v unzip >/dev/null; then
  # name, module, folder in the module
  for package in "java.time java.base java/time" "java.util.stream java.base java/util/stream" \
    "java.lang.constant java.base java/lang/constant" "jdk.net jdk.net jdk/net"; do
    read -r name module folder <<<"$package"
    mkdir -p "$work/jdk-$name"
    unzip -q "$jdk_src" "$module/$folder/*" -d "$work/jdk-$name"
    new_project "$work/$name.pro" Classes
    find "$work/jdk-$name" -name '*.java' | sort >"$work/$name-files.txt"
    run "reverse-engineering $name" "$work/$name.pro" -revLang=Java -revModel=Classes \
      -add="$work/$name-files.txt" -save
    run "the $name files" "$work/$name.pro" -script=CodeGen/JavaClasses.vxs \
      "-scope=All Models" -folder="out-$name"
    [ -n "$(find "out-$name" -name '*.java')" ] || fail "no Java file was written for $name"
    javac -Xmaxerrs 100000 --patch-module "$module=out-$name" -d "$work/classes-$name" \
      $(find "out-$name" -name '*.java') >"$work/javac-$name.txt" 2>&1
    grep -E 'error: (illegal start|.* expected$|unclosed|not a statement|reached end of file|malformed|illegal character|orphaned|illegal underscore)' \
      "$work/javac-$name.txt" >"$work/syntax.txt" &&
      { fail "the $name files have syntax errors"; head -20 "$work/syntax.txt"; }
    errors=$(grep -c ': error: ' "$work/javac-$name.txt")
    classes=$(grep -cE '^ +symbol: +class ' "$work/javac-$name.txt")
    echo "$name: $(find "out-$name" -name '*.java' | wc -l) files, javac reports $errors errors, $classes of them classes not found"
    [ "$errors" -le "$jdk_ceiling" ] ||
      { fail "javac reports $errors errors in the $name files (at most $jdk_ceiling did)"; grep -m10 ': error: ' "$work/javac-$name.txt"; }
    [ "$classes" -le "$jdk_classes_ceiling" ] ||
      fail "javac finds $classes class names of the $name files nowhere (at most $jdk_classes_ceiling did)"
  done
  grep -qE '^public sealed interface ConstantDesc permits ' out-java.lang.constant/java/lang/constant/ConstantDesc.java ||
    fail "ConstantDesc is not sealed"
  grep -qE '^public record UnixDomainPrincipal\(' out-jdk.net/jdk/net/UnixDomainPrincipal.java ||
    fail "UnixDomainPrincipal is not a record"
fi

# The documentation into a relative folder, run from a folder beside the
# project's: the images are beside the pages that show them.
mkdir -p "$work/project" "$work/elsewhere"
cp "$fixtures/Shapes.pro" "$work/project/"
(cd "$work/elsewhere" && "$app" ../project/Shapes.pro -batch -script=DocGen/HtmlPages.vxs \
  "-scope=All Models" -folder=doc -exit >"$work/stdout" 2>"$work/stderr") ||
  { fail "the documentation batch exited $?"; cat "$work/stderr"; }
images=0
for page in "$work"/elsewhere/doc/*.html; do
  while IFS= read -r src; do
    images=$((images + 1))
    [ -f "$(dirname "$page")/$src" ] || fail "$(basename "$page") shows $src, which is not there"
  done < <(grep -o '<img src="[^"]*"' "$page" | sed 's/^<img src="//; s/"$//; s/%20/ /g')
done
[ "$images" -gt 0 ] || { fail "no page shows an image"; cat "$work/stderr"; }

[ "$failures" -eq 0 ] && echo "generated code and documentation: all good"
exit "$failures"
