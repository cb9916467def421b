// The option block at the head of a script file: comment lines that declare
// the options by which a user tunes one run of the script (";$name=value"),
// each optionally followed by its description (";? text"). The options are
// remembered in the registry between runs and become global script
// variables ("$" and the name) before the script runs. Also the builder of
// file-dialog filters from a language's extensions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qm {

enum ScriptOptionKind : int { OptionFlag = 0, OptionText = 1, OptionChoice = 2 };

// The most bytes of a script file the option block reader examines.
constexpr size_t kOptionBlockLimit = 0x20000;
// The longest name and description, and the longest value, of an option.
constexpr size_t kOptionNameLimit = 255;
constexpr size_t kOptionValueLimit = 1024;
// The size of the text buffers option values are taken through.
constexpr size_t kOptionTextSize = 131072;

// The registry keys under which generation and reverse-engineering scripts
// keep their option values.
inline constexpr const char* kGenOptionsKey = "Software\\Brindlex\\Quillmark8\\Profile\\GenOptions";
inline constexpr const char* kRevOptionsKey = "Software\\Brindlex\\Quillmark8\\Profile\\RevOptions";

class ScriptOption {
  public:
    // A flag with empty texts, choice 0, not checked.
    ScriptOption() = default;
    // A flag option.
    ScriptOption(std::string name, bool checked);
    // A text option.
    ScriptOption(std::string name, std::string value);
    ScriptOption(std::string name, const char* value) : ScriptOption(name, std::string(value)) {}

    // The value with "||" made "|" and, with escapes, each "^" and the
    // character after it replaced by the escape character it stands for; at
    // most size - 1 characters.
    std::string GetText(bool escapes, size_t size = kOptionTextSize) const;
    // The alternative at index (alternatives are separated by single "|";
    // "||" inside one stands for "|"); "" past the last; at most size - 1
    // characters.
    std::string GetChoice(int index, size_t size = kOptionTextSize) const;
    // The line shown in the task dialog: a flag its name, a text option
    // "name=text", a choice option "name=chosen alternative".
    std::string Format() const;

    int kind = OptionFlag;
    std::string section; // given by the builder of a list; empty from files
    std::string name;
    std::string value; // as written, "||" and "|" included
    std::string description;
    int16_t choice = 0;
    int checked = 0;
};

using ScriptOptionList = std::vector<ScriptOption>;

// Empties the list and fills it from the script file's option block, in
// file order. A file that cannot be opened shows "Cannot read from script
// file"; a read error shows "Error while reading script options: " and the
// error's text, keeping the options of what was read.
void ReadScriptOptions(const std::string& path, ScriptOptionList& list);
// Appends the options of an option block held in memory (the first
// kOptionBlockLimit bytes of a script file).
void ParseScriptOptions(std::string_view block, ScriptOptionList& list);

// With write, stores every option under the key of the current user's
// registry ("$" + section + name, white space removed: "kind:choice:checked:
// value") and flushes the registry; otherwise reads the stored values back
// into the options of the list. A stored value of another kind is ignored;
// a choice is taken only while the option's alternatives are unchanged.
// Returns false when a write could not be flushed.
bool PersistScriptOptions(const std::string& keyPath, ScriptOptionList& list, bool write);

// Defines one global variable per option, "$" + the name without white
// space: a flag t or nil; a checked text option its text with escapes; a
// checked choice option its chosen alternative (or the whole value when that
// alternative is empty); nil when unchecked. The variables are run-time
// symbols, gone after the run's purge.
void BindScriptOptions(const ScriptOptionList& list);

// The option whose name equals name, white space removed from both and
// letters compared without regard to case; null when none. name is replaced
// by its white-space-free form.
ScriptOption* FindScriptOption(ScriptOptionList& list, std::string& name);

// The text with every white-space character removed.
std::string StripWhitespace(std::string_view text);

// A file-dialog filter from a language name and its extensions (runs of
// letters, each cut to 64): "N Files (.a;.b)|*.a;*.b||", or with patternOnly
// "*.a;*.b".
std::string MakeFileFilter(const std::string& name, const std::string& extensions,
                           bool patternOnly);

} // namespace qm
