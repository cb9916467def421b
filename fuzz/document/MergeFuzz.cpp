// Fuzz target of the three-way merge: the input is a list of edits (three
// bytes each: which version and what, which object, a value) made to mine and
// theirs, two copies of a fixture project; base stays as loaded. The merge
// must not fail, must leave no heap mark, and its result must save and load
// again.
#include "ProjectFuzzSupport.h"

#include "drawables/Link.h"
#include "drawables/Model.h"

#include <cstdint>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>

namespace {

const char* const kNames[] = {"Shape", "Circle", "User", "Idle", "Loose", "New", "Other", ""};

template <class List> auto* Pick(List& list, uint8_t index) {
    if (list.empty())
        return decltype(list.front().get())(nullptr);
    auto it = list.begin();
    std::advance(it, index % list.size());
    return it->get();
}

// One edit of the version: op picks what, index which object, value how.
void Edit(qm::CCASEDoc& doc, uint8_t op, uint8_t index, uint8_t value) {
    qm::MasterCollection& masters = doc.Masters();
    qm::Master* master = masters.Count() > 0 ? masters.At(index % masters.Count()) : nullptr;
    qm::Model* classes = doc.FindModelByName("Classes");
    const std::string name = kNames[value % std::size(kNames)];
    switch (op % 10) {
    case 0: // delete an unused master
        if (master != nullptr && master->refCount == 0) {
            doc.IdMap().Remove(master);
            std::unique_ptr<qm::Master> gone = masters.Remove(master, false);
        }
        break;
    case 1:
        if (master != nullptr)
            master->comment = name;
        break;
    case 2:
        if (master != nullptr) {
            master->name = name;
            master->NoteNameChange();
        }
        break;
    case 3: {
        auto added = std::make_unique<qm::Master>(&doc.IdMap());
        added->SetToolAndName(qm::TemplateTool(doc.TemplateMap(), 10), name,
                              value & 0x80 ? "geo" : "");
        doc.AddMaster(std::move(added));
        break;
    }
    case 4:
        if (master != nullptr && !master->attributes.empty())
            master->attributes.erase(master->attributes.begin() +
                                     value % master->attributes.size());
        break;
    case 5:
        if (master != nullptr) {
            auto attribute = std::make_unique<qm::MasterAttribute>();
            attribute->name = name;
            attribute->type = value & 1 ? "int" : "char";
            attribute->owner = master;
            master->attributes.push_back(std::move(attribute));
        }
        break;
    case 6:
        if (master != nullptr && !master->methods.empty())
            master->methods[value % master->methods.size()]->code = name;
        break;
    case 7: // move a drawable
        if (classes != nullptr) {
            if (qm::Drawable* drawable = Pick(classes->Drawables(), index)) {
                qm::CRect dirty;
                drawable->MoveBy(value % 16 - 8, value / 16 - 8, dirty);
            }
        }
        break;
    case 8: // delete a drawable no other one refers to
        if (classes != nullptr) {
            qm::Drawable* drawable = Pick(classes->Drawables(), index);
            if (drawable != nullptr && !drawable->IsPlace()) {
                doc.IdMap().Remove(drawable);
                std::unique_ptr<qm::Drawable> gone = classes->TakeDrawable(drawable);
            }
        }
        break;
    case 9:
        if (classes != nullptr) {
            if (auto* link = dynamic_cast<qm::Link*>(Pick(classes->Drawables(), index)))
                link->name = name;
            else if (classes != nullptr)
                classes->name = name.empty() ? "Classes" : "Classes " + name;
        }
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(8192, false);
    static fuzzsupport::ProjectSetup setup;
    prompts.asked.clear();
    {
        qm::CCASEDoc base(setup.context, true);
        qm::CCASEDoc mine(setup.context, true);
        qm::CCASEDoc theirs(setup.context, true);
        base.LoadText(fuzzsupport::kClassDiagramProject);
        mine.LoadText(fuzzsupport::kClassDiagramProject);
        theirs.LoadText(fuzzsupport::kClassDiagramProject);
        for (size_t i = 0; i + 3 <= size && i < 3 * 64; i += 3)
            Edit(data[i] & 0x80 ? theirs : mine, data[i], data[i + 1], data[i + 2]);
        qm::CCASEDoc result(setup.context, true);
        result.MergeProjects(base, mine, theirs, "merged");
        fuzzsupport::RequireReloadsAsSaved(setup.context, result.StoreText(),
                                           fuzzsupport::SameText::Exactly, "the merged project");
    }
    fuzzsupport::EndProjectInput();
    return 0;
}
