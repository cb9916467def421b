// What the fuzz targets that work on whole project documents share: the
// settings, template cache and document context of a run on the built-in
// template, a small class-diagram fixture project, the save-reload-compare
// check of a project, and the end of each input's run (no heap mark left,
// channels closed, symbols purged).
#pragma once

#include "document/CCASEDoc.h"
#include "document/DocumentContext.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "fuzz/FuzzKernel.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Errors.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <regex>
#include <string>

namespace fuzzsupport {

// The settings and context every document of a run is made with. Make it
// once per process, after StartQuietKernel.
struct ProjectSetup {
    ProjectSetup() {
        qm::SetGuidStoreMode(qm::GuidNoStore);
        qm::SetHostAddressSource(LoopbackHost);
        settings.Language = "C++";
        settings.NotationFolder = "/nonexistent/quillmark-notations";
        context.profile = &settings;
        context.templates = &templates;
        // Kept for the whole run, so that each input does not build it again.
        builtIn = templates.AcquireTemplate("<Internal>");
    }
    qm::Profile settings;
    qm::TemplateCache templates;
    qm::DocumentContext context;
    qm::NotationTemplate* builtIn = nullptr;
};

// Points the undo journal's files (XDG_RUNTIME_DIR) at a new folder of this
// process's own, made from pattern (ending in XXXXXX): journal file names are
// chosen by number in the folder, and other processes of the user must not
// pick or delete this run's files.
inline void UsePrivateRuntimeFolder(const char* pattern) {
    std::string folder = pattern;
    if (::mkdtemp(folder.data()) == nullptr || ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1) != 0)
        std::abort();
}

// A class diagram: masters with every kind of member, places of two of them
// (one with a junction), a link between the places, a text and a box.
inline const char* const kClassDiagramProject = R"FIXTURE((Quillmark "8.0" project)
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

// Loads text into a fresh document and saves it; false when it does not
// load, with the kernel's stacks reset.
inline bool LoadAndSave(qm::DocumentContext& context, const std::string& text, std::string& saved) {
    qm::CCASEDoc doc(context, true);
    if (!Survive([&] { doc.LoadText(text); }))
        return false;
    saved = doc.StoreText();
    return true;
}

// The text with every run of blanks and line ends outside strings made one
// blank: the printer breaks lines by width, so a real whose printed length
// changed moves the breaks after it.
inline std::string JoinLines(const std::string& text) {
    std::string out;
    bool inString = false;
    bool blank = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            out += c;
            if (c == '^' && i + 1 < text.size())
                out += text[++i]; // an escaped character, a quote among them
            else if (c == '"')
                inString = false;
            continue;
        }
        if (std::isspace(static_cast<unsigned char>(c))) {
            blank = true;
            continue;
        }
        if (blank && !out.empty())
            out += ' ';
        blank = false;
        out += c;
        inString = c == '"';
    }
    return out;
}

// The text with every real number (digits, a point, digits) replaced by "R"
// and its line breaks joined: a real is printed with six decimals, so one
// read of the printed text may move its last bits and its length.
inline std::string MaskReals(const std::string& raw) {
    const std::string text = JoinLines(raw);
    std::string out;
    size_t i = 0;
    while (i < text.size()) {
        size_t j = i;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])))
            ++j;
        if (j > i && j + 1 < text.size() && text[j] == '.' &&
            std::isdigit(static_cast<unsigned char>(text[j + 1]))) {
            ++j;
            while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j])))
                ++j;
            out += 'R';
        } else {
            out.append(text, i, std::max(j, i + 1) - i);
        }
        i = std::max(j, i + 1);
    }
    // A model's zoomed page matrix, after its zoom and inverse zoom and its
    // page matrix, is computed from the zoom: it follows the zoom's last bits.
    static const std::regex zoomedPage(
        R"(R R (\(-?[0-9]+ -?[0-9]+ -?[0-9]+ -?[0-9]+\)) \(-?[0-9]+ -?[0-9]+ -?[0-9]+ -?[0-9]+\))");
    return std::regex_replace(out, zoomedPage, "R R $1 (Z)");
}

// How closely a saved project and the saving of its reload must agree.
enum class SameText { Exactly, RealsMasked };

// Loads saved, the text a project saved, into doc: a saved project that
// does not load again is a finding.
inline void RequireLoads(qm::CCASEDoc& doc, const std::string& saved) {
    try {
        doc.LoadText(saved);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "the project does not load again: %s\n%s\n", error.what(),
                     saved.c_str());
        std::abort();
    }
}

// The save-reload-compare check: saved, the text a project saved, must load
// into a fresh document and save again (unmodified) to the same text, else
// the input is a finding (what names the project). Returns the text saved
// again.
inline std::string RequireReloadsAsSaved(qm::DocumentContext& context, const std::string& saved,
                                         SameText same, const char* what) {
    qm::CCASEDoc reloaded(context, true);
    RequireLoads(reloaded, saved);
    reloaded.SetModifiedFlag(false);
    std::string again = reloaded.StoreText();
    if (same == SameText::Exactly ? again == saved : MaskReals(again) == MaskReals(saved))
        return again;
    std::fprintf(stderr,
                 "%s did not load as it was saved\nsaved:\n%s\nloaded and saved again:\n%s\n", what,
                 saved.c_str(), again.c_str());
    std::abort();
}

// The end of every input's run: nothing may leave the kernel's heap marked;
// channels are closed and symbols purged for the next input.
inline void EndProjectInput() {
    if (kest::markactive()) {
        std::fprintf(stderr, "the heap was left marked\n");
        std::abort();
    }
    kest::closeallchans();
    kest::purgesymbols();
}

} // namespace fuzzsupport
