// The script option block: its reader, the options' texts, their registry
// form, their binding to script variables, and file-dialog filters.
#include "scripting/ScriptOptions.h"

#include "kernel/Init.h"
#include "kernel/Reader.h"
#include "kernel/Symbol.h"
#include "platform/Errors.h"
#include "platform/Format.h"
#include "platform/Prompt.h"
#include "platform/Registry.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qm {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool IsSpaceOrTab(char c) {
    return c == ' ' || c == '\t';
}
bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Whether the value holds a "|" that is not part of a "||" pair.
bool HasSingleBar(const std::string& value) {
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '|')
            continue;
        if (i + 1 < value.size() && value[i + 1] == '|') {
            ++i;
            continue;
        }
        return true;
    }
    return false;
}

// Takes the rest of the line from at, up to stop (or the line end), keeping at
// most limit characters; the position moves past what was taken and skipped.
std::string TakeUntil(std::string_view block, size_t& at, size_t limit, char stop) {
    std::string text;
    while (at < block.size() && !IsLineEnd(block[at]) && block[at] != stop) {
        if (text.size() < limit)
            text += block[at];
        ++at;
    }
    return text;
}

void SkipLine(std::string_view block, size_t& at) {
    while (at < block.size() && !IsLineEnd(block[at]))
        ++at;
}

void SkipSpacesAndTabs(std::string_view block, size_t& at) {
    while (at < block.size() && IsSpaceOrTab(block[at]))
        ++at;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

std::string Limited(std::string text, size_t size) {
    if (size == 0)
        return {};
    if (text.size() > size - 1)
        text.resize(size - 1);
    return text;
}

// Reads a decimal field of the stored form up to the next ':'; false when
// there is no ':' after it.
bool TakeField(const std::string& text, size_t& at, long& value) {
    const size_t colon = text.find(':', at);
    if (colon == std::string::npos)
        return false;
    value = std::strtol(text.substr(at, colon - at).c_str(), nullptr, 10);
    at = colon + 1;
    return true;
}

// "$" and the text without white space: the registry value name and the
// script variable of an option.
std::string DollarName(std::string_view text) {
    std::string name(1, '$');
    for (char c : text)
        if (std::isspace(static_cast<unsigned char>(c)) == 0)
            name += c;
    return name;
}

} // namespace

ScriptOption::ScriptOption(std::string name, bool checked)
    : kind(OptionFlag), name(std::move(name)), checked(checked ? 1 : 0) {}

ScriptOption::ScriptOption(std::string name, std::string value)
    : kind(OptionText), name(std::move(name)), value(std::move(value)) {}

std::string ScriptOption::GetText(bool escapes, size_t size) const {
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '|' && i + 1 < value.size() && value[i + 1] == '|') {
            ++i;
        } else if (escapes && c == '^' && i + 1 < value.size()) {
            c = kest::escapechar(value[++i]);
        }
        text += c;
    }
    return Limited(std::move(text), size);
}

std::string ScriptOption::GetChoice(int index, size_t size) const {
    int current = 0;
    std::string text;
    for (size_t i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '|' && i + 1 < value.size() && value[i + 1] == '|') {
            ++i;
            if (current == index)
                text += '|';
            continue;
        }
        if (c == '|') {
            if (current == index)
                break;
            ++current;
            continue;
        }
        if (current == index)
            text += c;
    }
    return current == index ? Limited(std::move(text), size) : std::string();
}

std::string ScriptOption::Format() const {
    switch (kind) {
    case OptionText:
        return name + "=" + GetText(false, 257);
    case OptionChoice:
        return name + "=" + GetChoice(choice, 257);
    default:
        return name;
    }
}

void ParseScriptOptions(std::string_view block, ScriptOptionList& list) {
    if (block.size() > kOptionBlockLimit)
        block = block.substr(0, kOptionBlockLimit);
    size_t at = 0;
    for (;;) {
        while (at < block.size() && IsBlank(block[at]))
            ++at;
        if (at >= block.size() || block[at] != ';')
            return;
        ++at;
        const char marker = at < block.size() ? block[at] : '\0';
        if (marker == '$') {
            ++at;
            SkipSpacesAndTabs(block, at);
            ScriptOption option;
            option.name = TakeUntil(block, at, kOptionNameLimit, '=');
            if (at < block.size() && block[at] == '=') {
                ++at;
                SkipSpacesAndTabs(block, at);
                option.value = TakeUntil(block, at, kOptionValueLimit, '\n');
                option.kind = HasSingleBar(option.value) ? OptionChoice : OptionText;
            }
            list.push_back(std::move(option));
        } else if (marker == '?') {
            ++at;
            SkipSpacesAndTabs(block, at);
            std::string description = TakeUntil(block, at, kOptionNameLimit, '\n');
            if (!list.empty())
                list.back().description = std::move(description);
        }
        SkipLine(block, at);
    }
}

void ReadScriptOptions(const std::string& path, ScriptOptionList& list) {
    list.clear();
    // Opened without waiting: a pipe gives a read error, not a hang.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        MessageBox("Cannot read from script file", PromptIcon::Exclamation);
        return;
    }
    std::string block(kOptionBlockLimit, '\0');
    size_t got = 0;
    int error = 0;
    while (got < block.size()) {
        const ssize_t n = ::read(fd, block.data() + got, block.size() - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            error = errno;
        if (n <= 0)
            break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    block.resize(got);
    ParseScriptOptions(block, list);
    if (error != 0) {
        std::string text = std::strerror(error);
        if (text.size() > 255)
            text.resize(255);
        MessageBox("Error while reading script options: " + text, PromptIcon::Exclamation);
    }
}

std::string StripWhitespace(std::string_view text) {
    std::string result;
    for (char c : text)
        if (std::isspace(static_cast<unsigned char>(c)) == 0)
            result += c;
    return result;
}

bool PersistScriptOptions(const std::string& keyPath, ScriptOptionList& list, bool write) {
    Registry registry(RegistryRoot::CurrentUser);
    if (write) {
        registry.CreateKey(keyPath);
        for (const ScriptOption& option : list)
            registry.SetValue(keyPath, DollarName(option.section + option.name),
                              qm::Format("%d:%d:%d:%s", option.kind, option.choice, option.checked,
                                         option.value.c_str()));
        return registry.Flush();
    }
    for (ScriptOption& option : list) {
        const std::optional<std::string> stored =
            registry.GetValue(keyPath, DollarName(option.section + option.name));
        if (!stored || stored->empty())
            continue;
        size_t at = 0;
        long kind = 0;
        long choice = 0;
        long checked = 0;
        if (!TakeField(*stored, at, kind) || kind != option.kind)
            continue;
        if (!TakeField(*stored, at, choice) || !TakeField(*stored, at, checked))
            continue;
        const std::string value = stored->substr(at);
        option.checked = checked != 0 ? 1 : 0;
        if (option.kind == OptionText)
            option.value = value;
        else if (option.kind == OptionChoice && option.value == value)
            option.choice = static_cast<int16_t>(choice < 0 || choice > INT16_MAX ? 0 : choice);
    }
    return true;
}

void BindScriptOptions(const ScriptOptionList& list) {
    using namespace kest;
    for (const ScriptOption& option : list) {
        Symbol* variable = intern(DollarName(option.name).c_str());
        Cell* value = nil;
        if (option.kind == OptionFlag) {
            value = option.checked != 0 ? KernelSyms.t : nil;
        } else if (option.checked != 0 && option.kind == OptionText) {
            const std::string text = option.GetText(true);
            value = mkstr(text.c_str(), text.size());
        } else if (option.checked != 0) {
            std::string text = option.GetChoice(option.choice);
            if (text.empty() && !option.value.empty())
                text = option.value;
            value = mkstr(text.c_str(), text.size());
        }
        // A name that is a constant of the kernel is left alone.
        if (variable->kind() == KSystem || variable->kind() == KMarker)
            continue;
        variable->kind() = KVariable;
        variable->value() = value;
    }
}

ScriptOption* FindScriptOption(ScriptOptionList& list, std::string& name) {
    name = StripWhitespace(name);
    for (ScriptOption& option : list)
        if (EqualIgnoringCase(StripWhitespace(option.name), name))
            return &option;
    return nullptr;
}

std::string MakeFileFilter(const std::string& name, const std::string& extensions,
                           bool patternOnly) {
    std::vector<std::string> runs;
    std::string run;
    for (size_t i = 0; i <= extensions.size(); ++i) {
        const char c = i < extensions.size() ? extensions[i] : '\0';
        if (std::isalpha(static_cast<unsigned char>(c)) != 0) {
            if (run.size() < 64)
                run += c;
            continue;
        }
        if (!run.empty())
            runs.push_back(run);
        run.clear();
    }
    std::string label = name + " Files ";
    std::string pattern;
    for (size_t i = 0; i < runs.size(); ++i) {
        label += (i == 0 ? "(." : ";.") + runs[i];
        pattern += (i == 0 ? "*." : ";*.") + runs[i];
    }
    if (patternOnly)
        return pattern;
    return label + ")|" + pattern + "||";
}

} // namespace qm
