// Fuzz target of undo and redo: any bytes stand as one record of the undo
// journal of a small fixture project and are replayed against it. The first
// byte chooses the record's kind (bits 0x3: replace, annotation, property
// changes, model move) and whether a successful undo is redone (0x4).
// Oracle: no crash, and a replay that fails leaves the project's saved text
// as it was.
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "fuzz/FuzzKernel.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "model/Master.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace {

// A class diagram with one place of a master with an attribute and a method.
const char* const kProject =
    "(Quillmark \"8.0\" project)\n"
    "(notation \"<Internal>\")\n"
    "(genProfile 178 \"C++\" nil \"\" 0 nil nil)\n"
    "(codeFiles)\n"
    "(docFiles)\n"
    "(masters (master \"m-shape-000001\" 1 3 \"Shape\" \"\" \"\" \"\" \"\" \"\" 0 \n"
    "                 ((\"area\" \"double\" \"\" \"\" \"\" \"\" 1 17 \"a-area-0000001\")) \n"
    "                 ((\"Area\" \"double\" \"\" 3 11 nil nil \"m-area-0000001\" \"\")) \n"
    "                 nil nil nil 10 \"\"))\n"
    "(customModel \"d-class-00001\" 11 3 \"Classes\" \"\" \"\" 17 \"\" \"\" 1.000000 \n"
    "             1.000000 (0 0 2000 1500) (0 0 2000 1500) \n"
    "             (place \"m-shape-000001\" (2) \"\" (junctions) 10 \n"
    "                    \"p-shape-00001\" (0 0 100 60) (-5 -5 105 65) (3 3 97 57) 1 \n"
    "                    0 (nil 1 -12 0 0 4 15 0) \"\"))\n";

// Room for the input: the description of the record that the input replaces.
constexpr size_t kRoom = 4096;

struct Setup {
    Setup() {
        // A temporary folder of this run's own: journal file names are chosen
        // by number in the folder, and other processes of the user must not
        // pick or delete this run's file.
        static char folder[] = "/tmp/quillmark-journal-fuzz-XXXXXX";
        if (::mkdtemp(folder) == nullptr || ::setenv("XDG_RUNTIME_DIR", folder, 1) != 0)
            std::abort();
        qm::SetGuidStoreMode(qm::GuidNoStore);
        qm::SetHostAddressSource(fuzzsupport::LoopbackHost);
        settings.Language = "C++";
        settings.NotationFolder = "/nonexistent/quillmark-notations";
        context.profile = &settings;
        context.templates = &templates;
        builtIn = templates.AcquireTemplate("<Internal>");
    }
    qm::Profile settings;
    qm::TemplateCache templates;
    qm::DocumentContext context;
    qm::NotationTemplate* builtIn = nullptr;
};

void Run(Setup& setup, const uint8_t* data, size_t size) {
    qm::CCASEDoc doc(setup.context, true);
    doc.LoadText(kProject);
    qm::UndoJournal& journal = doc.GetJournal();
    qm::Model* model = doc.FindModelByName("Classes");
    auto* place = dynamic_cast<qm::Place*>(doc.IdMap().Lookup("p-shape-00001"));
    if (model == nullptr || place == nullptr)
        std::abort();
    static const qm::ChangeKind kinds[] = {qm::ChangeKind::Replace, qm::ChangeKind::Annotation,
                                           qm::ChangeKind::PropertyChanges,
                                           qm::ChangeKind::MoveModelUp};
    const qm::ChangeKind kind = kinds[data[0] & 3];
    const bool redo = (data[0] & 4) != 0;
    // A record of the chosen kind, large enough to be replaced by the input.
    journal.BeginChange(kind);
    qm::ModelObject* current = place;
    if (kind == qm::ChangeKind::Annotation) {
        journal.AddChangedObject(nullptr, nullptr);
    } else if (kind == qm::ChangeKind::PropertyChanges) {
        std::unique_ptr<qm::ModelObject> previous = place->master->Clone();
        static_cast<qm::Master&>(*previous).comment = "before";
        previous->SetDetached();
        journal.AddChangedObject(place->master, std::move(previous));
        current = place->master;
    }
    journal.RecordChange(kind, std::string(kRoom, 'x'), model, current);
    if (journal.Records().size() != 1)
        std::abort();
    const uint32_t end = journal.Records()[0].end;
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    bytes.resize(end, ' ');
    int fd = ::open(journal.FileName().c_str(), O_WRONLY);
    if (fd < 0 || ::pwrite(fd, bytes.data(), bytes.size(), 0) != static_cast<ssize_t>(end))
        std::abort();
    ::close(fd);

    const std::string before = doc.StoreText();
    if (!journal.Replay(1, false)) {
        if (doc.StoreText() != before) {
            std::fprintf(stderr, "a failed undo changed the project\n");
            std::abort();
        }
    } else if (redo) {
        const std::string undone = doc.StoreText();
        if (!journal.Replay(1, true) && doc.StoreText() != undone) {
            std::fprintf(stderr, "a failed redo changed the project\n");
            std::abort();
        }
    }
    qm::DeleteFile(journal.FileName());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(8192, false);
    static Setup setup;
    if (size < 1 || size > kRoom)
        return 0;
    prompts.asked.clear();
    try {
        Run(setup, data, size);
    } catch (const qm::CKestException&) {
        std::abort(); // the fixture always loads; replay failures never escape
    }
    if (kest::markactive())
        std::abort(); // a replay left the heap marked
    kest::closeallchans();
    kest::purgesymbols();
    return 0;
}
