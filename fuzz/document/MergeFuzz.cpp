// Fuzz target of the three-way merge: the input is a list of edits (three
// bytes each: which version and what, which object, a value) made to mine and
// theirs, two copies of a fixture project; base stays as loaded. The merge
// must not fail, must leave no heap mark, and its result must save and load
// again.
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "fuzz/FuzzKernel.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <string>

namespace {

const char* const kFixture = R"FIXTURE((Quillmark "8.0" project)
(notation "<Internal>")
(genProfile 178 "C++" nil "" 0 nil nil)
(codeFiles)
(docFiles)
(masters (master "m-shape-000001" 1 3 "Shape" "entity" "shape.h" 
                 "Any shape^nof the drawing" "geo" "http://example.org/shape" 
                 5 
                 (("area" "double" "1" "" "0.0" "cached" 1 17 
                          "a-area-0000001") 
                  ("origin" "Point" "" "" "" "" 3 0 "a-orig-0000001")) 
                 (("Draw" "void" "draws it" 3 8 
                          (("dc" "Canvas&" "" 1) ("zoom" "float" "1.0" 1)) 
                          (("DrawError" 0) ("gui" 1)) "m-draw-0000001" 
                          "dc.Line(0, 0, 1, 1);") 
                  ("Area" "double" "" 3 11 nil nil "m-area-0000001" "")) 
                 (("DrawError" "raised by Draw" (("code" "int" "" 0)) 
                               "e-draw-0000001")) 
                 (("T" "class" "" 1) ("U" "int" "4" 1)) 
                 (("Kind" "enum Kind" "" 3 2 0 
                          (("Round" "" "1" 0) ("Square" "" "2" 0)) 
                          "t-kind-0000001")) 12 "d-sub-00000001") 
         (master "m-circle-00001" 1 3 "Circle" "" "circle.h" "" "geo" "" 1 nil 
                 (("Radius" "int" "" 3 2 nil nil "m-radius-0001" "return r;")) 
                 nil nil nil 10 "") 
         (master "m-actor-000001" 1 1 "User" "" "" "" "" "" 0 nil nil nil nil 
                 nil 13 "") 
         (master "m-state-000001" 0 1 "Idle" "" "" "" "" "" 0 nil nil nil nil 
                 nil 16 "") 
         (master "m-loose-000001" 0 1 "Loose" "utility" "" "no tool" "" "" 0 
                 nil nil nil nil nil -1 ""))
(customModel "d-class-00001" 11 3 "Classes" "" "the classes" 17 "" "" 1.100000 
             0.909091 (0 0 2000 1500) (0 0 2200 1650) 
             (text "Hello world" 1 28 "text-1" (10 10 90 40) (5 5 95 45) 
                   (0 0 0 0) 4 0 (nil 1 -12 32 0 4 15 0) "") 
             (box 29 "box-1" (0 0 40 20) (-5 -5 45 25) (0 0 0 0) 4 0 
                  (nil 1 -12 0 0 4 15 0) "" 0) 
             (place "m-shape-000001" (2) "" 
                    (junctions 
                     (1 "j-shape-00001" "p-shape-00001" (0 30) 1 (-32 22 0 38) 
                        (-42 17 5 65) (-19 40 -4 60) "port")) 10 
                    "p-shape-00001" (0 0 100 60) (-5 -5 105 65) (3 3 97 57) 1 
                    0 (nil 1 -12 0 0 4 15 0) "") 
             (place "m-circle-00001" (2) "" (junctions) 10 "p-circle-0001" 
                    (300 200 400 260) (295 195 405 265) (303 203 397 257) 1 0 
                    (nil 1 -12 0 0 4 15 0) "") 
             (link "p-circle-0001" "p-shape-00001" (300 230 100 30) 0 "is a" 
                   "" "1%%*" "%%" "" "" "" 3 0 (0 0 0 0) (0 0 0 0) (0 0 0 0) 0 
                   0 "l-inherit-001" (0 0 10 10) (0 0 10 10) (0 0 10 10) 2 0 
                   (nil 1 -12 0 0 4 15 0) ""))
)FIXTURE";

struct Setup {
    Setup() {
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
        if (master != nullptr)
            master->name = name;
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
            if (qm::Drawable* drawable = Pick(classes->drawables, index)) {
                qm::CRect dirty;
                drawable->MoveBy(value % 16 - 8, value / 16 - 8, dirty);
            }
        }
        break;
    case 8: // delete a drawable no other one refers to
        if (classes != nullptr) {
            qm::Drawable* drawable = Pick(classes->drawables, index);
            if (drawable != nullptr && !drawable->IsPlace()) {
                doc.IdMap().Remove(drawable);
                std::unique_ptr<qm::Drawable> gone = qm::TakeFrom(classes->drawables, drawable);
            }
        }
        break;
    case 9:
        if (classes != nullptr) {
            if (auto* link = dynamic_cast<qm::Link*>(Pick(classes->drawables, index)))
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
    static Setup setup;
    prompts.asked.clear();
    {
        qm::CCASEDoc base(setup.context, true);
        qm::CCASEDoc mine(setup.context, true);
        qm::CCASEDoc theirs(setup.context, true);
        base.LoadText(kFixture);
        mine.LoadText(kFixture);
        theirs.LoadText(kFixture);
        for (size_t i = 0; i + 3 <= size && i < 3 * 64; i += 3)
            Edit(data[i] & 0x80 ? theirs : mine, data[i], data[i + 1], data[i + 2]);
        qm::CCASEDoc result(setup.context, true);
        result.MergeProjects(base, mine, theirs, "merged");
        const std::string text = result.StoreText();
        qm::CCASEDoc reloaded(setup.context, true);
        reloaded.LoadText(text);
        if (reloaded.StoreText() != text) {
            std::fprintf(stderr, "the merged project did not load as it was saved\n");
            std::abort();
        }
    }
    if (kest::markactive())
        std::abort(); // the merge left the heap marked
    kest::closeallchans();
    kest::purgesymbols();
    return 0;
}
