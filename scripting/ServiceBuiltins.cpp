// The service built-ins of generation scripts: the log window, guarded and
// grouped forms, the explorer's folders of generated files, identifiers,
// comments and indented text, the clock and new GUIDs.
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "drawables/Model.h"
#include "kernel/Channel.h"
#include "kernel/Eval.h"
#include "kernel/Init.h"
#include "kernel/Printer.h"
#include "kernel/Symbol.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/Log.h"
#include "platform/PathHelpers.h"
#include "platform/ScopedInstall.h"
#include "platform/TextHelpers.h"
#include "scripting/DiagramImageSeam.h"
#include "scripting/LineMerge.h"
#include "scripting/RunContext.h"
#include "scripting/ScriptRunners.h"
#include "scripting/VxBuiltins.h"
#include "scripting/VxFrame.h"

#include <cctype>
#include <ctime>
#include <exception>
#include <filesystem>
#include <optional>
#include <random>
#include <string>

namespace qm {

using namespace kest;

namespace {

Cell* True() {
    return KernelSyms.t;
}

// The explorer folder a script names: codeModel, docoModel, otherModel,
// reversed; anything else is the Other folder.
int FolderOf(Cell* value) {
    if (value == sym::codeModel)
        return FolderCode;
    if (value == sym::docoModel)
        return FolderDocs;
    if (value == sym::reversed)
        return FolderReversed;
    return FolderOther;
}

// Thrown past VxTry's catch frame, so that the frame unwinds the bindings and
// stacks of the abandoned form before VxTry takes the failure.
struct FormFailed {
    bool kernelException = false; // a CKestException, which may be the kernel's own
    std::string message;
};

Cell* EvaluateGuarded(Cell* form) {
    try {
        return evaluate(form);
    } catch (const CKestException& e) {
        throw FormFailed{true, e.Message()};
    } catch (const CIgnoreException&) {
        throw FormFailed{};
    } catch (const std::exception&) {
        throw FormFailed{};
    }
}

// Passes the log on to the sink it replaces and notes the message of a fatal
// error of the kernel: fatal writes "FATAL ERROR: " and then its message to
// the log before it throws. Such errors (stack overflows, exhausted memory,
// a script error outside a protected evaluation) end the run; VxTry only
// takes the failures of model code.
class FatalWatch : public LogSink {
  public:
    void Append(std::string_view text) override {
        if (afterPrefix_)
            fatalMessage_ = text;
        afterPrefix_ = text == "FATAL ERROR: ";
        next_->Append(text);
    }
    void Show(bool visible) override { next_->Show(visible); }
    void Clear() override { next_->Clear(); }
    bool WasFatal(const std::string& message) const {
        return fatalMessage_ && *fatalMessage_ == message;
    }

  private:
    LogSink* next_ = &Log();
    ScopedInstall<LogSink> installed_{this};
    bool afterPrefix_ = false;
    std::optional<std::string> fatalMessage_;
};

} // namespace

Cell* VxWriteLog(Symbol*) {
    const int count = argcount();
    for (int i = 0; i < count; ++i)
        Log().Append(printstring(argument(i), PmPrinc));
    if (ScriptProgress* progress = InstalledScriptProgress())
        progress->Pulse();
    return True();
}

Cell* VxShowLog(Symbol* self) {
    VxFrame frame(self, 1, 1);
    Log().Show(frame.Arg(0) != nil);
    return True();
}

Cell* VxClearLog(Symbol* self) {
    // A debugging run keeps its whole log.
    if (RunContext().debug)
        return True();
    VxFrame frame(self, 0, 0);
    Log().Clear();
    return True();
}

Cell* VxTry(Symbol*) {
    for (Cell* p = SpecialFormArgs(); ispair(p); p = cdr(p)) {
        std::optional<FormFailed> failure;
        {
            FatalWatch watch;
            try {
                // A catch frame whose tag no throw can name: it only unwinds.
                catchtag(nullptr, KernelSyms.unbound, EvaluateGuarded, car(p));
            } catch (FormFailed& failed) {
                if (failed.kernelException && watch.WasFatal(failed.message))
                    failure = std::move(failed);
                else
                    return True();
            }
        }
        if (failure)
            throw CKestException(failure->message);
    }
    return nil;
}

Cell* VxScope(Symbol*) {
    return progn(SpecialFormArgs());
}

Cell* VxClearTree(Symbol* self) {
    VxFrame frame(self, 1, 1);
    if (ScriptExplorer* explorer = RunContext().explorer)
        explorer->DeleteFolderChildren(FolderOf(frame.Arg(0)));
    return True();
}

Cell* VxAddTree(Symbol* self) {
    VxFrame frame(self, 3, 3);
    const int folder = FolderOf(frame.Arg(0));
    const std::string name = frame.Path(1);
    if (ScriptExplorer* explorer = RunContext().explorer) {
        explorer->AddFileItem(folder, name);
        if (frame.Arg(2) != nil)
            explorer->ExpandFolder(folder, true);
    }
    if (ScriptProgress* progress = InstalledScriptProgress())
        progress->Advance();
    return True();
}

Cell* VxMakeName(Symbol* self) {
    VxFrame frame(self, 2, 2);
    const std::string prefix = frame.Text(0);
    const bool literal = KernelSyms.literal->a.car == KernelSyms.t;
    const std::string name = MakeIdentifier(frame.Text(1), literal);
    // A name that is an identifier already comes back as the string given,
    // as strto gives back a text it does not change: generators make names
    // of the same few texts over and over, and a run keeps every cell it
    // makes.
    if (prefix.empty() && frame.Arg(1)->type == TString && name == frame.Arg(1)->a.str)
        return frame.Arg(1);
    if (prefix.empty())
        return mkstr(name.c_str(), name.size());
    if (name.empty())
        return frame.Arg(0);
    std::string result = prefix;
    result += static_cast<char>(std::toupper(static_cast<unsigned char>(name[0])));
    result.append(name, 1, std::string::npos);
    return mkstr(result.c_str(), result.size());
}

Cell* VxMakeComment(Symbol* self) {
    VxFrame frame(self, 2, 3);
    const std::string text = frame.Text(0);
    const std::string marker = frame.Text(1);
    const int indent = frame.Arg(2) == nil ? 0 : frame.Int(2);
    const std::string comment = CommentText(text, marker, kSharedTextSize, indent);
    return mkstr(comment.c_str(), comment.size());
}

Cell* VxIndentText(Symbol* self) {
    VxFrame frame(self, 2, 2);
    const std::string text = frame.Text(0);
    const std::string indented = IndentText(text, kSharedTextSize, frame.Int(1));
    return mkstr(indented.c_str(), indented.size());
}

Cell* VxDate(Symbol* self) {
    VxFrame frame(self, 0, 0);
    return mkint(static_cast<int32_t>(std::time(nullptr)));
}

Cell* VxDateParts(Symbol* self) {
    static const char* const kMonths[] = {"January",   "February", "March",    "April",
                                          "May",       "June",     "July",     "August",
                                          "September", "October",  "November", "December"};
    static const char* const kDays[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
    VxFrame frame(self, 1, 1);
    Cell* value = frame.Arg(0);
    if (value->type != TInteger)
        return nil;
    const std::time_t time = value->a.ival;
    std::tm parts{};
    if (localtime_r(&time, &parts) == nullptr)
        return nil;
    int month = parts.tm_mon + 1;
    if (month < 1 || month > 12)
        month = 1;
    int weekday = parts.tm_wday + 1;
    if (weekday < 1 || weekday > 7)
        weekday = 1;
    auto pair = [](const char* name, int n) { return mklist(intern(name), mkint(n), nullptr); };
    return mklist(pair("year", parts.tm_year + 1900),
                  mklist(intern("month"), mkint(month), mkstr(kMonths[month - 1]), nullptr),
                  mklist(intern("day"), mkint(parts.tm_mday), mkstr(kDays[weekday - 1]), nullptr),
                  pair("hour", parts.tm_hour), pair("minute", parts.tm_min),
                  pair("second", parts.tm_sec), nullptr);
}

Cell* VxMergeFiles(Symbol* self) {
    VxFrame frame(self, 5, 5);
    const std::string existing = frame.Path(0);
    const std::string generated = frame.Path(1);
    const std::string output = frame.Path(2);
    const std::string beginMarker = frame.Text(3);
    const std::string endMarker = frame.Text(4);
    // The generated file is usually one the script has just written.
    kest::flushfiles();
    std::string failure;
    try {
        MergeFiles(existing, generated, output, beginMarker, endMarker);
    } catch (const MergeFailure& e) {
        failure = e.what();
    }
    // Reported outside the handler: the report unwinds the run.
    if (!failure.empty())
        frame.Fail(failure.c_str());
    return True();
}

Cell* VxNewGuid(Symbol* self) {
    VxFrame frame(self, 0, 0);
    uint8_t bytes[16];
    try {
        std::random_device random;
        for (size_t i = 0; i < sizeof bytes; i += 4) {
            const uint32_t word = random();
            for (size_t k = 0; k < 4; ++k)
                bytes[i + k] = static_cast<uint8_t>(word >> (8 * k));
        }
    } catch (const std::exception&) {
        frame.Fail("failed to create GUID");
    }
    // A random (version 4, variant 1) id in its usual text form.
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);
    std::string text;
    for (size_t i = 0; i < sizeof bytes; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += '-';
        text += Format("%02x", bytes[i]);
    }
    return mkstr(text.c_str(), text.size());
}

Cell* VxSaveProject(Symbol* self) {
    VxFrame frame(self, 2, 2);
    auto* project =
        static_cast<CCASEDoc*>(frame.RefOfKind(0, RefProject, kProjectReferenceExpected));
    const std::string path = frame.Path(1);
    kest::flushfiles();
    // A failed save answers nil (the previous file stays as it was), so a
    // script never takes a project for saved that is not; its reason goes
    // to the log.
    std::string failure;
    try {
        project->SaveToFile(path);
        return True();
    } catch (const CKestException& e) {
        failure = e.Message();
    } catch (const CIgnoreException&) {
        return nil;
    } catch (const std::exception& e) {
        failure = e.what();
    }
    Log().Append(failure);
    Log().Append("\r\n");
    return nil;
}

namespace {

// A relative image folder is taken in the working folder, as every file a
// script opens is: a documentation script names it inside the target folder
// it was given (which the runner made absolute), so the images land beside
// the pages that show them.
std::string ImageFolderPath(const std::string& folder) {
    return folder;
}

// The image's file name made of a model's name: a model called "a/b" or
// ".." must not write beside or above the image folder, so separators
// become underscores and a name of dots only gets one in front.
std::string ImageFileStem(const std::string& modelName) {
    std::string stem = modelName;
    for (char& c : stem)
        if (c == '/' || c == '\\' || c == '\0')
            c = '_';
    if (stem.find_first_not_of('.') == std::string::npos)
        stem.insert(stem.begin(), '_');
    return stem;
}

} // namespace

Cell* VxCreateImage(Symbol* self) {
    VxFrame frame(self, 4, 4);
    Cell* reference = frame.Arg(0);
    if (reference->type != TRef)
        frame.Fail(ErrRefExpected, reference);
    const bool selectionOnly = frame.Arg(1) != nil;
    const std::string format = frame.Text(2);
    const std::string folder = frame.Path(3);
    kest::flushfiles();

    const std::string where = ImageFolderPath(folder);
    if (!IsDirectory(where)) {
        std::error_code ec;
        if (where.empty() || !std::filesystem::create_directory(where, ec) || ec) {
            // Answered nil like every failed export, with the reason in the log.
            Log().Append("Can't make image folder: " + where + "\r\n");
            return nil;
        }
    }
    if (reference->flag != RefModel)
        return nil;
    auto* model = static_cast<Model*>(ResolveObject(reference));
    DiagramImageWriter* writer = InstalledDiagramImageWriter();
    if (model == nullptr || writer == nullptr)
        return nil;
    const std::string stem = ImageFileStem(model->name);
    std::string failure;
    try {
        writer->WriteDiagramImage(*model, selectionOnly, JoinPath(where, stem), format);
    } catch (const CKestException& e) {
        failure = e.Message();
    } catch (const std::exception& e) {
        failure = e.what();
    }
    if (!failure.empty()) {
        Log().Append(failure);
        Log().Append("\r\n");
        return nil;
    }
    const std::string path = JoinPath(folder, stem) + "." + format;
    return mkstr(path.c_str(), path.size());
}

Cell* VxMakeProject(Symbol* self) {
    VxFrame frame(self, 1, 1);
    const std::string name = frame.Path(0);
    kest::flushfiles(); // the template may be a file the script wrote
    CCASEDoc* current = RunContext().project;
    if (current == nullptr)
        frame.Fail("no project open");
    DocumentContext& context = current->Context();
    // The name as given (a loaded template's file name, a path, or the
    // built-in template), else a template of that name in the notation folder.
    auto project = std::make_unique<CCASEDoc>(context, true);
    NotationTemplate* notation = nullptr;
    try {
        notation = context.templates->AcquireTemplate(name);
        if (notation == nullptr && !HasPathSeparator(name) && context.profile != nullptr &&
            !context.profile->NotationFolder.empty())
            notation =
                context.templates->AcquireTemplate(JoinPath(context.profile->NotationFolder, name));
    } catch (const CException&) {
        notation = nullptr;
    }
    if (notation == nullptr)
        frame.Fail("no such notation template", frame.Arg(0));
    project->SetTemplate(notation);
    CCASEDoc* made = AdoptMadeProject(std::move(project));
    return References().MakeRef(made, RefProject);
}

} // namespace qm
