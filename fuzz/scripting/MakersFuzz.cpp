// Fuzz target of the maker built-ins: the input is read as a run of maker
// calls (and deletes, clears and layouts) with clause lists drawn from a
// small vocabulary of clause tags, symbols, strings, numbers, nested lists
// and references to the objects of a fixture project and to earlier
// results. Every call is evaluated on its own with script errors caught.
// Afterwards the project must save, load into a fresh document and save
// again to the same text (reals masked: one print and read of a real may
// move its last digit), and the kernel's heap must be left unmarked.
#include "document/UndoJournal.h"
#include "drawables/NotationTemplate.h"
#include "drawables/ToolModel.h"
#include "fuzz/FuzzGui.h"
#include "fuzz/document/ProjectFuzzSupport.h"
#include "platform/ScopedInstall.h"
#include "scripting/References.h"
#include "scripting/RunContext.h"
#include "scripting/VxBuiltins.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr int kMaxCalls = 48;
constexpr int kMaxClauses = 8;
constexpr int kMaxValues = 6;

const char* const kCalls[] = {
    "VxMakeModel",     "VxMakeMaster",  "VxMakeAttribute", "VxMakeType",    "VxMakeMethod",
    "VxMakeException", "VxMakePlace",   "VxMakeSwimlane",  "VxMakeLink",    "VxMakeJunction",
    "VxMakeTag",       "VxMakeMessage", "VxMakeLine",      "VxMakeBox",     "VxMakeText",
    "VxMakePrimGroup", "VxDelete",      "VxClearMaster",   "VxLayoutModel", "VxSelectModel",
    "VxProps",         "VxLooks",
};

const char* const kTargets[] = {"p", "m", "m2", "c", "c2", "pl1", "pl2", "lk", "nil", "3"};

const char* const kTags[] = {
    "name",     "namespace", "tool",     "access",   "stereotype", "file",         "comment",
    "link",     "flags",     "pars",     "args",     "type",       "card",         "container",
    "value",    "mode",      "returns",  "def",      "kind",       "elems",        "code",
    "others",   "members",   "master",   "instance", "rect",       "looks",        "endPt",
    "leftLane", "rightLane", "role",     "source",   "target",     "points",       "text",
    "pivot",    "tip",       "junction", "icon",     "zoom",       "parentMaster", "parentModel",
};

const char* const kAtoms[] = {
    "class",
    "Class",
    "association",
    "line",
    "polyline",
    "polygon",
    "rectangle",
    "roundRectangle",
    "ellipse",
    "icon",
    "editable",
    "bold",
    "exception",
    "context",
    "private",
    "public",
    "static",
    "const",
    "in",
    "out",
    "genCode",
    "annotate",
    "reverse",
    "stepLink",
    "enum",
    "simple",
    "usecase",
    "activity",
    "nil",
    "t",
    "\"x\"",
    "\"Untitled 3\"",
    "\"\"",
    "2.5",
    "-1",
    "0",
    "1",
    "400",
    "p",
    "m",
    "m2",
    "c",
    "c2",
    "pl1",
    "pl2",
    "lk",
    "r0",
    "r1",
    "r2",
    "r3",
    "((name A) (type int))",
    "((name B) (dir in))",
    "(fillColor 3)",
    "(fontStyle bold)",
    "(font Mono)",
    "(justify right)",
    "(T class)",
    "(E exception)",
    "(X context)",
    "(shadow 1)",
};

// The input's bytes, one at a time; zero once they are used up.
class Bytes {
  public:
    Bytes(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    bool Done() const { return at_ >= size_; }
    uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
    template <size_t N> const char* Pick(const char* const (&table)[N]) {
        return table[Next() % N];
    }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
};

std::string Value(Bytes& in) {
    const uint8_t b = in.Next();
    if (b < 64)
        return std::to_string(int(in.Next()) * 4 - 100);
    return in.Pick(kAtoms);
}

std::string Call(Bytes& in, int index) {
    const std::string maker = in.Pick(kCalls);
    std::string text =
        "(setq r" + std::to_string(index % 4) + " (" + maker + " " + in.Pick(kTargets);
    const int clauses = in.Next() % (kMaxClauses + 1);
    const bool evaluated = maker == "VxDelete" || maker == "VxClearMaster" ||
                           maker == "VxLayoutModel" || maker == "VxSelectModel" ||
                           maker == "VxProps" || maker == "VxLooks";
    for (int i = 0; i < clauses; ++i) {
        if (evaluated) {
            // Evaluated arguments: references, nil, t or numbers.
            text += " ";
            text += in.Pick(kTargets);
            continue;
        }
        const uint8_t shape = in.Next();
        if (shape < 16) {
            text += " " + Value(in); // not a clause at all
            continue;
        }
        text += " (";
        text += in.Pick(kTags);
        const int values = in.Next() % (kMaxValues + 1);
        for (int v = 0; v < values; ++v)
            text += " " + Value(in);
        text += ")";
    }
    return text + "))";
}

kest::Cell* EvalAll(kest::Cell* chancell) {
    kest::Cell* last = kest::nil;
    for (;;) {
        kest::Cell* x = kest::readexpr(chancell->a.chan);
        if (x == kest::KernelSyms.eof)
            return last;
        last = kest::evaluate(x);
    }
}

enum class Outcome { Ok, Error, Ended };

// Evaluates the text's expressions with script errors caught. A kernel
// failure (the cell memory exhausted, a stack overflow) ends the run, as it
// ends a script run of the program, and leaves the process going.
Outcome Run(const std::string& text) {
    kest::LocalChannel channel(text, kest::ChanRead);
    bool ok = false;
    if (!fuzzsupport::Survive([&] {
            ok = kest::capeval(kest::nil, kest::KernelSyms.t, EvalAll,
                               kest::mkchan(channel.get())) != kest::nil;
        }))
        return Outcome::Ended;
    return ok ? Outcome::Ok : Outcome::Error;
}

// The input's cells from its first to its last call, given back at the end
// as a script run of the program gives back its own: the project's saves,
// loads and undo records inside take marks of their own.
class InputMark {
  public:
    InputMark() { kest::savemark(); }
    ~InputMark() {
        kest::closeallchans();
        kest::purgesymbols();
        kest::restoremark();
    }
    InputMark(const InputMark&) = delete;
    InputMark& operator=(const InputMark&) = delete;
};

// The layout measures texts with the platform's fonts, as the program does
// under its application object: a headless one, kept for the run, made
// before anything of the project.
struct HeadlessApplication {
    HeadlessApplication() {
        fuzzsupport::StartHeadlessGui();
        // The undo journal's file goes to a private folder of this process.
        fuzzsupport::UsePrivateRuntimeFolder("/tmp/quillmark-makers-fuzz-XXXXXX");
    }
};

struct Setup {
    Setup() {
        for (const char* name : {"association", "Association", "link", "dependency"}) {
            qm::ToolModel* tool = project.builtIn->FindToolByName(name, false);
            if (tool != nullptr && tool->IsLinkTool()) {
                linkTool = tool->name;
                break;
            }
        }
    }
    HeadlessApplication headless;
    fuzzsupport::ProjectSetup project;
    std::string linkTool = "association";
};

void Bind(const char* name, kest::Cell* value) {
    kest::Symbol* s = kest::intern(name);
    s->kind() = kest::KVariable;
    s->value() = value;
}

void RunInput(Setup& setup, const uint8_t* data, size_t size) {
    qm::DocumentContext& context = setup.project.context;
    context.newProjectArmed = true;
    context.commandLineTemplate = "<Internal>";
    auto project = std::make_unique<qm::CCASEDoc>(context, true);
    if (!project->OnNewDocument())
        std::abort();
    InputMark mark;
    qm::ScriptRunContext run;
    run.project = project.get();
    qm::ScopedRunContext scoped(run);
    Bind("p", qm::References().MakeRef(project.get(), qm::RefProject));
    const std::string fixture =
        "(setq m (VxMakeModel p (name Main) (type class) (rect 0 0 2000 2000)))"
        "(setq m2 (VxMakeModel p (name Side) (type activity)))"
        "(setq c (VxMakeMaster p (name A) (tool class)))"
        "(setq c2 (VxMakeMaster p (name B) (tool class)))"
        "(VxMakeAttribute c (name x) (type int))"
        "(setq pl1 (VxMakePlace m (master c) (rect 0 0 100 60)))"
        "(setq pl2 (VxMakePlace m (master c2) (rect 300 200 400 260)))"
        "(setq lk (VxMakeLink m (tool \"" +
        setup.linkTool + "\") (source pl1) (target pl2)))";
    if (Run(fixture) != Outcome::Ok)
        std::abort();

    // MAKERS_FUZZ_TRACE set: each call and whether it succeeded go to
    // standard error, to read what a failing input did.
    static const bool trace = std::getenv("MAKERS_FUZZ_TRACE") != nullptr;
    Bytes in(data, size);
    for (int i = 0; i < kMaxCalls && !in.Done(); ++i) {
        const std::string call = Call(in, i);
        const Outcome outcome = Run(call);
        if (trace)
            std::fprintf(stderr, "%s %s\n",
                         outcome == Outcome::Ok      ? "ok   "
                         : outcome == Outcome::Error ? "error"
                                                     : "ended",
                         call.c_str());
        if (outcome == Outcome::Ended)
            break;
    }

    project->SetModifiedFlag(false);
    fuzzsupport::RequireReloadsAsSaved(context, project->StoreText(),
                                       fuzzsupport::SameText::RealsMasked, "the project");
    qm::References().Reset();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The Vx built-ins are registered while the kernel initialises.
    static const bool installed = (qm::InstallVxBuiltins(), true);
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(1 << 16, false);
    static Setup setup;
    (void)installed;
    prompts.asked.clear();
    RunInput(setup, data, size);
    fuzzsupport::EndProjectInput();
    return 0;
}
