// Fuzz target for the parse tree to masters: arbitrary source text parsed as
// C++ or IDL (the first byte chooses, and sets the options that show
// relationships as links and record file names), then built twice into a
// project of real models and masters. The oracle: no crash or sanitizer
// report, and a second run over the same parse adds no master, no place and
// no link.
#include "ParserFuzz.h"

#include "model/Guid.h"
#include "reverse/SourceLanguage.h"
#include "tests/reverse/FakeProject.h"

using namespace qm;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static NullLogSink log;
    SetLogSink(&log);
    SetGuidStoreMode(GuidNoStore);
    if (size == 0) {
        return 0;
    }
    const int language = (data[0] & 1) != 0 ? kLangIdl : kLangCpp;
    const uint32_t flags =
        (data[0] & 2) != 0 ? (kRevRelationshipsAsLinks | kRevRecordFileNames) : 0;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    test::FakeProject project(flags);
    SourceParser parser(&project, language);
    parser.OpenSourceText("fuzz", text);
    try {
        if (language == kLangIdl) {
            parser.ParseIdlInput();
        } else {
            parser.ParseCppInput();
        }
    } catch (const SourceParseStopped&) {
        std::abort();
    }
    parser.CloseSourceFile();
    parser.BuildModelFromParse(&project, project.CurrentModel());
    const size_t masters = project.MasterCount();
    const size_t drawables = project.DrawableCount();
    parser.BuildModelFromParse(&project, project.CurrentModel());
    qm::fuzz::Check(project.MasterCount() == masters);
    qm::fuzz::Check(project.DrawableCount() == drawables);
    return 0;
}
