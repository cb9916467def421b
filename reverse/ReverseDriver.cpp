// The reverse-engineering driver: options, one parser for the whole run, the
// log, the Reversed folder, the masters, the layout and the link style.
#include "reverse/ReverseDriver.h"

#include "drawables/Model.h"
#include "kernel/Cell.h"
#include "platform/HeapGrowth.h"
#include "platform/Log.h"
#include "reverse/ReverseProject.h"
#include "reverse/SourceLanguage.h"
#include "reverse/SourceParser.h"

#include <array>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace qm {

namespace {

struct OptionName {
    std::string_view name;
    uint32_t bit;
};

constexpr std::array<OptionName, 4> kOptions = {{
    {"Show All Attributes And Methods", kRevShowAllMembers},
    {"Show Relationships Graphically", kRevRelationshipsAsLinks},
    {"Record File Names In Classes", kRevRecordFileNames},
    {"Keep Method Code", kRevKeepMethodCode},
}};

// The model's link style bit that the run clears while it lays links out.
constexpr uint32_t kStepLinks = 0x4;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The option's name as a run's pairs give it: without white space.
std::string StripWhitespace(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (!std::isspace(static_cast<unsigned char>(c))) {
            out.push_back(c);
        }
    }
    return out;
}

void ApplyOptions(uint32_t& flags, const std::vector<NameValuePair>& options) {
    for (const NameValuePair& pair : options) {
        for (const OptionName& option : kOptions) {
            if (!EqualsIgnoringCase(pair.name, StripWhitespace(option.name))) {
                continue;
            }
            if (EqualsIgnoringCase(pair.value, "false")) {
                flags &= ~option.bit;
            } else {
                flags |= option.bit;
            }
        }
    }
}

std::string CellText(const kest::Cell* cell) {
    if (cell != nullptr && cell->type == kest::TString && cell->a.str != nullptr) {
        return cell->a.str;
    }
    return std::string();
}

// What a run keeps in memory (symbols, comments and bodies, masters, places
// and links) is some times the bytes of the sources it reads; a C++ header
// takes more per byte than a Java source, and this covers it.
constexpr size_t kHeapBytesPerSourceByte = 10;

// The bytes of the files that exist among the paths (the run reports the
// others).
size_t SourceBytes(const std::vector<std::string>& paths) {
    size_t bytes = 0;
    for (const std::string& path : paths) {
        std::error_code error;
        const uintmax_t size = std::filesystem::file_size(path, error);
        if (!error) {
            bytes += static_cast<size_t>(size);
        }
    }
    return bytes;
}

// The number of elements of a proper or dotted list; 0 for null.
size_t ListLength(const kest::Cell* cell) {
    size_t length = 0;
    for (; cell != nullptr && kest::ispair(cell); cell = kest::cdr(cell))
        ++length;
    return length;
}

} // namespace

size_t ReverseEngineerFiles(ReverseProject& project, std::string_view languageName,
                            const std::string& targetModelName,
                            const std::vector<std::string>* fileList, kest::Cell* fileCells,
                            const std::vector<NameValuePair>* options) {
    if (options != nullptr) {
        ApplyOptions(project.ProfileFlags(), *options);
    }
    SourceParser parser(&project, LanguageCodeByName(languageName));

    Model* target = project.CurrentModel();
    if (!targetModelName.empty()) {
        if (Model* named = project.FindModelByName(targetModelName)) {
            target = named;
            project.ShowModel(named);
        }
    }
    // Links are made and laid out without the step style, which is set again
    // (and the links re-styled) at the end.
    const bool restyle = target != nullptr && (target->modelFlags & kStepLinks) != 0;
    if (restyle) {
        target->modelFlags &= ~kStepLinks;
    }

    LogSink& log = Log();
    if ((project.UserOptions() & 0x10) != 0) {
        log.Show(true);
    }
    log.Clear();
    log.Append("Reverse engineering...\r\n");
    project.ClearReversedFiles();

    const bool cellsGiven = fileCells != nullptr && kest::ispair(fileCells);
    if (fileList == nullptr && !cellsGiven) {
        log.Append("No file list!\r\n");
    }
    std::vector<std::string> cellPaths;
    if (fileList == nullptr && cellsGiven) {
        for (const kest::Cell* at = fileCells; at != nullptr && kest::ispair(at);
             at = kest::cdr(at)) {
            const kest::Cell* item = kest::car(at);
            if (item != nullptr && item->type == kest::TString) {
                cellPaths.push_back(CellText(item));
            }
        }
    }
    // The heap is readied at once for what the run will keep, so that its
    // many small objects land in a few large pages.
    ScopedHeapGrowth heap(SourceBytes(fileList != nullptr ? *fileList : cellPaths) *
                          kHeapBytesPerSourceByte);
    // The macros of the run are known before the first file is read, so
    // that the result does not depend on the order of the files.
    const int language = LanguageCodeByName(languageName);
    if (language == kLangCpp || language == kLangIdl) {
        if (fileList != nullptr) {
            for (const std::string& path : *fileList) {
                parser.GatherDefines(path);
            }
        } else {
            for (const std::string& path : cellPaths) {
                parser.GatherDefines(path);
            }
        }
        parser.DefineGatheredMacros();
    }
    long long total = 0;
    size_t filesWithErrors = 0;
    const kest::Cell* cell = fileList == nullptr && cellsGiven ? fileCells : nullptr;
    const size_t count = fileList != nullptr ? fileList->size() : ListLength(cell);
    for (size_t index = 0; fileList != nullptr ? index < count : cell != nullptr; ++index) {
        project.FileProgress(index, count);
        std::string path;
        if (fileList != nullptr) {
            path = (*fileList)[index];
        } else {
            const kest::Cell* item = kest::car(cell);
            const kest::Cell* rest = kest::cdr(cell);
            cell = rest != nullptr && kest::ispair(rest) ? rest : nullptr;
            // An add file's option lines come as (name value) pairs among the
            // paths; they are for reverse-engineering scripts, not files.
            if (item == nullptr || item->type != kest::TString) {
                continue;
            }
            path = CellText(item);
        }
        const size_t errorsBefore = parser.ErrorCount();
        parser.ParseSourceFile(path);
        if (parser.ErrorCount() != errorsBefore) {
            ++filesWithErrors;
        }
        const int lines = parser.LineCount() + 1;
        total += lines;
        log.Append(path + " (" + std::to_string(lines) + " lines)\r\n");
        project.AddReversedFile(path);
    }
    project.FileProgress(count, count);
    log.Append("Total of " + std::to_string(total) + " lines.\r\n");
    project.ExpandReversedFiles();
    log.Append("Reverse Engineering Completed.\r\n");

    project.MarkDrawables(1);
    parser.BuildModelFromParse(&project, target);
    project.MarkModels(0);

    if (target != nullptr) {
        project.LayoutModel(target, 1, 1);
    }
    if (restyle) {
        project.ChangeLinksLooks(target, 4, 0);
    }
    return filesWithErrors;
}

} // namespace qm
