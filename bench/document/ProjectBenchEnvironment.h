// What every project benchmark sets up first: the log and the prompts
// silenced, a fresh kernel, ids that touch no registry, and a document
// context over the settings and a template cache (with the built-in
// template held); with a folder pattern, a private temporary folder of the
// run's own, so that no other process of the user picks or deletes the
// journal and clipboard files measured.
#pragma once

#include "bench/document/ProjectGenerator.h"
#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/TemplateCache.h"
#include "kernel/Kernel.h"
#include "model/Guid.h"
#include "platform/Log.h"
#include "platform/Prompt.h"

#include <cstdlib>
#include <unistd.h>

namespace qm::bench {

struct ProjectBenchEnvironment {
    // folderPattern: a mkdtemp pattern ("/tmp/quillmark-x-bench-XXXXXX",
    // changed in place) or null for the user's own temporary folder.
    explicit ProjectBenchEnvironment(char* folderPattern = nullptr) {
        if (folderPattern != nullptr && ::mkdtemp(folderPattern) != nullptr)
            ::setenv("XDG_RUNTIME_DIR", folderPattern, 1);
        SetLogSink(&quiet);
        SetPromptService(&prompts);
        kest::initkernel();
        SetGuidStoreMode(GuidNoStore);
        settings.Language = "C++";
        context.profile = &settings;
        context.templates = &templates;
        builtIn = templates.AcquireTemplate("<Internal>");
    }

    NullLogSink quiet;
    HeadlessPrompts prompts;
    Profile settings;
    TemplateCache templates;
    DocumentContext context;
    NotationTemplate* builtIn = nullptr;
};

// A project shape of classes (five attributes and five methods each) shown
// in diagrams of places and links.
inline ProjectShape ShapeOf(int classes, int diagrams, int placesPerDiagram, int linksPerDiagram) {
    ProjectShape shape;
    shape.classes = classes;
    shape.diagrams = diagrams;
    shape.placesPerDiagram = placesPerDiagram;
    shape.linksPerDiagram = linksPerDiagram;
    return shape;
}

} // namespace qm::bench
