#include "shell/CommandLine.h"

#include "document/Profile.h"
#include "drawables/NotationTemplate.h"
#include "kernel/Cell.h"
#include "platform/Files.h"
#include "platform/PathHelpers.h"
#include "platform/Prompt.h"
#include "platform/TextHelpers.h"
#include "scripting/ScriptRunners.h"

#include <algorithm>
#include <cctype>
#include <fstream>

namespace qm {

namespace {

template <size_t N> bool IsOneOf(const std::string& value, const char* const (&names)[N]) {
    return std::any_of(std::begin(names), std::end(names),
                       [&](const char* name) { return EqualNoCase(value, name); });
}

} // namespace

void CommandLineError(const std::string& message, const std::string& separator,
                      const std::string& detail) {
    MessageBox("Command Line Error: " + message + separator + detail + ".\nQuillmark will exit!",
               PromptIcon::Exclamation);
    throw CommandLineExit(1);
}

std::string CommandLineTemplatePath(const std::string& notationFolder, const std::string& value) {
    if (!value.empty() && IsPathSeparator(value.front()))
        return value;
    return JoinPath(notationFolder, value);
}

void CheckCommandLineFile(const std::string& path, CommandLineFileKind kind) {
    if (!FileExists(path)) {
        static const char* const missing[] = {"Project does not exit", "Template does not exit",
                                              "Script does not exit", "File does not exit"};
        CommandLineError(missing[static_cast<int>(kind)], ": ", path);
    }
    const std::string extension = ExtensionOfPath(path);
    switch (kind) {
    case CommandLineFileKind::Project:
        if (extension != "pro")
            CommandLineError("file is not a Quillmark project", ": ", path);
        break;
    case CommandLineFileKind::Template:
        if (extension != "not")
            CommandLineError("file is not a Quillmark notation template", ": ", path);
        break;
    case CommandLineFileKind::Script:
        if (extension != "vxs")
            CommandLineError("file is not a KestScript", ": ", path);
        break;
    case CommandLineFileKind::PlainFile:
        break;
    }
}

BatchCommandLineInfo::BatchCommandLineInfo(const Profile& settings) : settings_(settings) {}

void BatchCommandLineInfo::ParseParam(std::string_view text, bool isFlag, bool /*isLast*/) {
    if (!isFlag) {
        fileName = std::string(text);
        return;
    }
    const std::string whole(text);
    std::string name = whole;
    std::string value;
    const size_t equals = whole.find('=', 1);
    if (equals != std::string::npos) {
        name = whole.substr(0, equals);
        value = whole.substr(equals + 1);
    }
    const auto is = [&](const char* option) { return EqualNoCase(name, option); };
    const auto required = [&](const char* message) {
        if (value.empty())
            CommandLineError(message, ": ", whole);
    };

    if (is("new")) {
        if (value.empty()) {
            newTemplate = settings_.DefaultNotation;
        } else if (EqualNoCase(value, kInternalTemplateName)) {
            newTemplate = value;
        } else {
            CheckCommandLineFile(CommandLineTemplatePath(settings_.NotationFolder, value),
                                 CommandLineFileKind::Template);
            newTemplate = value;
        }
    } else if (is("save")) {
        save = true;
        if (!value.empty())
            saveAs = value;
    } else if (is("exit")) {
        exitWhenDone = true;
    } else if (is("batch")) {
        batch = true;
    } else if (is("script")) {
        required("Script name expected");
        script = value;
        CheckCommandLineFile(ScriptFilePath(settings_.ScriptFolder, value),
                             CommandLineFileKind::Script);
    } else if (is("scope")) {
        required("No scope specified");
        scope = value;
        if (!IsOneOf(value, kScopeNames))
            CommandLineError("Invalid Scope", ": ", value);
    } else if (is("folder")) {
        required("No folder specified");
        folder = value;
    } else if (is("file")) {
        required("No file specified");
        file = value;
    } else if (is("add")) {
        required("No add file specified");
        addFile = value;
        CheckCommandLineFile(value, CommandLineFileKind::PlainFile);
    } else if (is("revLang")) {
        required("No language specified");
        revLanguage = value;
        if (!IsOneOf(value, kReverseLanguages))
            CommandLineError("Invalid Language", ": ", value);
    } else if (is("revModel")) {
        required("No model specified");
        revModel = value;
    } else if (is("p")) {
        print = true;
    } else {
        scriptOptions.push_back({name, value});
    }
}

bool IsOptionItem(std::string_view item) {
    if (item.size() < 2)
        return false;
    if (item[0] == '-')
        return true;
    if (item[0] != '/')
        return false;
    const std::string_view name = item.substr(0, item.find('=', 2));
    if (name.find('/', 1) != std::string_view::npos)
        return false;
    return !FileExists(std::string(item));
}

void BatchCommandLineInfo::ParseCommandLine(const std::vector<std::string>& arguments) {
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& item = arguments[i];
        const bool isLast = i + 1 == arguments.size();
        if (IsOptionItem(item))
            ParseParam(std::string_view(item).substr(1), true, isLast);
        else
            ParseParam(item, false, isLast);
    }
    Finish();
}

void BatchCommandLineInfo::Finish() {
    if (!batch) {
        if (!fileName.empty()) {
            shellFileName = fileName;
            shellCommand = ShellCommand::FileOpen;
        } else {
            shellCommand = ShellCommand::FileNew;
        }
        if (print)
            shellCommand = ShellCommand::FilePrint;
        return;
    }
    if (fileName.empty() && !newTemplate.empty())
        return;
    CheckCommandLineFile(fileName, CommandLineFileKind::Project);
}

kest::Cell* ReadAddFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        CommandLineError("can't open file", ": ", path);
    kest::Cell* items = kest::nil;
    std::string line;
    // Whole lines are read, however long, so that a long path is never
    // split into two file names.
    while (std::getline(in, line)) {
        // The kernel's strings end at a NUL byte: so does a line, so that no
        // file name is empty or ends in blanks.
        const size_t nul = line.find('\0');
        if (nul != std::string::npos)
            line.resize(nul);
        while (!line.empty() && (line.back() == ' ' || line.back() == '\t' || line.back() == '\r' ||
                                 line.back() == '\n'))
            line.pop_back();
        if (line.empty())
            continue;
        if (line.size() >= 2 && line[0] == ';' && line[1] == '$') {
            const size_t equals = line.find('=');
            if (equals == std::string::npos)
                CommandLineError("missing = in file option", ": ", line);
            std::string name;
            for (size_t i = 1; i < equals; ++i)
                if (!std::isspace(static_cast<unsigned char>(line[i])))
                    name += line[i];
            if (name.empty())
                CommandLineError("empty option name in", ": ", line);
            const std::string value = line.substr(equals + 1);
            kest::Cell* pair =
                kest::mkcons(kest::mkstr(name.c_str(), name.size()),
                             kest::mkcons(kest::mkstr(value.c_str(), value.size()), kest::nil));
            items = kest::mkcons(pair, items);
        } else if (line[0] == ';') {
            continue;
        } else {
            items = kest::mkcons(kest::mkstr(line.c_str(), line.size()), items);
        }
    }
    return kest::nreverse(items);
}

} // namespace qm
