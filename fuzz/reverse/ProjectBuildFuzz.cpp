// Fuzz target for reverse engineering into a real project document:
// arbitrary source text parsed as C++ or IDL (the first byte chooses, and
// sets the options that show relationships as links, record file names and
// show all members) and built twice into a new project on the built-in
// template. The oracle: no crash or sanitizer report, a second run over the
// same parse adds no master, no model, no place and no link, and the project
// that results is written and read back: what a run makes must never leave
// a project that cannot be opened.
#include "ParserFuzz.h"

#include "drawables/Model.h"
#include "fuzz/document/ProjectFuzzSupport.h"
#include "reverse/DocumentReverseProject.h"
#include "reverse/SourceLanguage.h"

#include <cstdlib>

namespace {

size_t DrawableCount(const qm::CCASEDoc& doc) {
    size_t count = 0;
    for (size_t i = 0; i < doc.ModelCount(); ++i) {
        count += doc.GetModelAt(i)->Drawables().size();
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(8192, false);
    static fuzzsupport::ProjectSetup setup;
    prompts.asked.clear();
    if (size == 0) {
        return 0;
    }
    const int language = (data[0] & 1) != 0 ? qm::kLangIdl : qm::kLangCpp;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    setup.context.newProjectArmed = true;
    setup.context.commandLineTemplate = "<Internal>";
    qm::CCASEDoc doc(setup.context, true);
    qm::fuzz::Check(doc.OnNewDocument());
    qm::Model* main = doc.NewModel(qm::MkClass, nullptr);
    main->name = "Main";
    doc.SetCurrentModel(main);
    doc.Profile().flags = 0;
    if ((data[0] & 2) != 0) {
        doc.Profile().flags |= qm::kRevRelationshipsAsLinks | qm::kRevRecordFileNames;
    }
    if ((data[0] & 4) != 0) {
        doc.Profile().flags |= qm::kRevShowAllMembers;
    }

    qm::DocumentReverseProject project(doc);
    qm::SourceParser parser(&project, language);
    parser.OpenSourceText("fuzz", text);
    try {
        if (language == qm::kLangIdl) {
            parser.ParseIdlInput();
        } else {
            parser.ParseCppInput();
        }
    } catch (const qm::SourceParseStopped&) {
        std::abort();
    }
    parser.CloseSourceFile();
    parser.BuildModelFromParse(&project, main);
    const size_t masters = doc.Masters().Masters().size();
    const size_t models = doc.ModelCount();
    const size_t drawables = DrawableCount(doc);
    parser.BuildModelFromParse(&project, main);
    qm::fuzz::Check(doc.Masters().Masters().size() == masters);
    qm::fuzz::Check(doc.ModelCount() == models);
    qm::fuzz::Check(DrawableCount(doc) == drawables);

    const std::string saved = doc.StoreText();
    qm::CCASEDoc loaded(setup.context, true);
    fuzzsupport::RequireLoads(loaded, saved);
    qm::fuzz::Check(loaded.Masters().Masters().size() == masters);
    qm::fuzz::Check(loaded.ModelCount() == models);
    doc.OnCloseDocument();
    loaded.OnCloseDocument();
    fuzzsupport::EndProjectInput();
    return 0;
}
