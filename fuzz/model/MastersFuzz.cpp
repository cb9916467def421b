// Fuzz target of the masters record reader: any text is read expression by
// expression into a masters collection (merging or not, with or without the
// paste's read map, by the first byte). A record that reads is written,
// pretty-printed, read again into a fresh collection and written again: both
// texts must agree. Read-time evaluation is off: the input must not run code.
#include "fuzz/FuzzKernel.h"
#include "kernel/Kernel.h"
#include "model/GuidMap.h"
#include "model/MasterCollection.h"
#include "platform/Errors.h"
#include "platform/Log.h"
#include "platform/Prompt.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

using namespace kest;
using qm::GuidMap;
using qm::GuidScope;
using qm::GuidTree;
using qm::Master;
using qm::MasterCollection;

class Tool : public qm::ModelObject, public qm::MasterTool {
  public:
    Tool(int id, bool place)
        : qm::ModelObject(qm::Guid::FromText{"tool"}), id_(id), place_(place) {}
    int ToolId() const override { return id_; }
    bool IsPlaceTool() const override { return place_; }
    uint32_t ToolFlagWord() const override { return 1; }
    bool HasCompartmentText() const override { return id_ == 12; }
    std::string ToolName() const override { return "tool"; }

  private:
    int id_;
    bool place_;
};

// Writes the collection, reads the text into a fresh collection and writes
// that: the two texts must be the same.
void CheckRoundTrip(MasterCollection& collection, GuidScope& scope) {
    const std::string first = prettystring(collection.Persist(&scope, false, nullptr, nullptr));
    fuzzsupport::CheckRoundTrip(first, [&](Cell* value) {
        GuidMap project;
        GuidScope again(&project, scope.templateMap);
        MasterCollection copy;
        copy.Persist(&again, false, nullptr, value);
        return prettystring(copy.Persist(&again, false, nullptr, nullptr));
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static qm::HeadlessPrompts& prompts = fuzzsupport::StartQuietKernel(8192, false);
    static Tool stand(10, true), klass(12, true), link(3, false);
    static GuidMap templ;
    static bool ready = [] {
        qm::SetGuidStoreMode(qm::GuidNoStore);
        qm::SetHostAddressSource(fuzzsupport::LoopbackHost);
        templ.Register(10, nullptr, false, &stand);
        templ.Register(12, nullptr, false, &klass);
        templ.Register(3, nullptr, false, &link);
        return true;
    }();
    (void)ready;
    prompts.asked.clear();
    if (size == 0)
        return 0;
    const bool merge = (data[0] & 1) != 0;
    const bool readMap = (data[0] & 2) != 0;
    ++data;
    --size;

    GuidMap project;
    GuidScope scope(&project, &templ);
    GuidTree pasteMap(GuidTree::TextKeys);
    scope.readMap = readMap ? &pasteMap : nullptr;
    MasterCollection collection;
    savemark();
    const bool allRead = fuzzsupport::ForEachExpression(data, size, [&](Cell* value) {
        std::vector<Master*> added;
        collection.Persist(&scope, merge, &added, value);
        for (const auto& master : collection.Masters())
            master->ResolveRefs(nullptr, &scope, false);
    });
    scope.readMap = nullptr;
    if (allRead)
        fuzzsupport::Survive([&] { CheckRoundTrip(collection, scope); });
    closeallchans();
    purgesymbols();
    restoremark();
    return 0;
}
