// Fuzz target of the masters clipboard file: any bytes are pasted, as the
// clipboard file, into the class diagram of a fixture project (a new one for
// each input). A paste that is refused must leave the project's saved text
// exactly as it was, no heap mark may stay behind, and a paste that succeeds
// must leave a project that saves.
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "drawables/Model.h"
#include "fuzz/FuzzKernel.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
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

bool Refused(const std::exception& error) {
    return dynamic_cast<const qm::CKestException*>(&error) != nullptr ||
           dynamic_cast<const qm::CIgnoreException*>(&error) != nullptr;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(8192, false);
    static Setup setup;
    prompts.asked.clear();
    {
        qm::CCASEDoc doc(setup.context, true);
        doc.LoadText(kFixture);
        qm::Model* classes = doc.FindModelByName("Classes");
        if (classes == nullptr)
            std::abort();
        const std::string before = doc.StoreText();
        std::string file(reinterpret_cast<const char*>(data), size);
        if (!qm::WriteFileReplacing(qm::CCASEDoc::ClipboardFile(), file))
            std::abort();
        bool pasted = false;
        try {
            pasted = doc.PasteFromClipboardFile(true, classes, {});
        } catch (const std::exception& error) {
            if (!Refused(error))
                throw;
            kest::resetstacks();
            if (doc.StoreText() != before) {
                std::fprintf(stderr, "a refused paste changed the project\n");
                std::abort();
            }
        }
        if (pasted)
            (void)doc.StoreText();
    }
    if (kest::markactive())
        std::abort(); // a paste left the heap marked
    kest::closeallchans();
    kest::purgesymbols();
    return 0;
}
