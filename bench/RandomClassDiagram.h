// A class diagram as reverse engineering leaves it, for the benchmarks that
// lay out and export diagrams: N classes of the built-in template, 60 x 40
// and stacked at the origin, and 1.5 N associations between pseudo-random
// pairs (the same pairs on every run). Needs the kernel and the font face
// table (bench/DrawingBenchMain.h sets both up).
#pragma once

#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/TemplateFile.h"
#include "drawables/ToolModel.h"
#include "model/GuidMap.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qm::bench {

inline NotationTemplate& BuiltInTemplate() {
    static NotationTemplate notation;
    static bool made = false;
    if (!made) {
        CreateTemplate(notation, kInternalTemplateName);
        made = true;
    }
    return notation;
}

struct RandomClassDiagram {
    GuidMap project;
    std::vector<std::unique_ptr<Master>> masters;
    Model model{&project};
    // The ends of each link, as indices of the classes (Class<i>).
    std::vector<std::pair<size_t, size_t>> links;

    explicit RandomClassDiagram(int classes) {
        NotationTemplate& notation = BuiltInTemplate();
        ToolModel* classTool = notation.GetTool(10);
        ToolModel* association = notation.GetTool(3);
        model.kind = MkClass;
        std::vector<Place*> places;
        for (int i = 0; i < classes; ++i) {
            auto master = std::make_unique<Master>();
            master->SetToolAndName(classTool, "Class" + std::to_string(i), "");
            auto place = std::make_unique<Place>(&project);
            place->Setup(10, CRect(0, 0, 60, 40), master.get(), false);
            place->AddMasterReference();
            places.push_back(static_cast<Place*>(model.AddDrawable(std::move(place))));
            masters.push_back(std::move(master));
        }
        uint32_t seed = 17;
        auto next = [&seed, classes] {
            seed = seed * 1664525u + 1013904223u;
            return size_t((seed >> 8) % uint32_t(classes));
        };
        for (int i = 0; i < classes * 3 / 2; ++i) {
            const size_t from = next();
            const size_t to = next();
            auto link = std::make_unique<Link>(&project);
            link->Connect(3, association, places[from], places[to], 0);
            model.AddDrawable(std::move(link));
            links.emplace_back(from, to);
        }
    }
    ~RandomClassDiagram() {
        GuidScope scope(&project, &BuiltInTemplate().guidMap);
        model.Detach(&scope);
    }
    RandomClassDiagram(const RandomClassDiagram&) = delete;
    RandomClassDiagram& operator=(const RandomClassDiagram&) = delete;
};

} // namespace qm::bench
