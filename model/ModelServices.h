// What the model asks of the layers above it: the user's option word, the
// project document's relations between masters and its top-level models, the
// undo journal's change lists, and the editor's shared operations menu. The
// application installs one implementation at start-up; tests install fakes.
// Until one is installed the default answers with nothing and records nothing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace qm {

class CCASEDoc;
class Master;
class MenuWindow;
class ModelObject;

class ModelServices {
  public:
    virtual ~ModelServices() = default;

    // The settings' option word (Profile options: 0x4000 show namespaces,
    // 0x20000 hide class parameters, ...).
    virtual uint32_t ProfileOptions() { return 0; }

    // The masters the document relates to master through the places of its
    // top-level models, master itself excluded (CCASEDoc::CollectNestedMasters).
    virtual std::vector<Master*> CollectNestedMasters(CCASEDoc* /*document*/, Master* /*master*/) {
        return {};
    }
    // The document's top-level model whose id is guid, or null.
    virtual ModelObject* FindTopLevelModel(CCASEDoc* /*document*/, const char* /*guid*/) {
        return nullptr;
    }

    // The undo journal of the document: adds a changed object, with its
    // previous state when there is one (the journal takes the copy), to the
    // change being prepared, and records that change.
    virtual void AddChangedObject(CCASEDoc* /*document*/, ModelObject* /*object*/,
                                  std::unique_ptr<ModelObject> /*previous*/) {}
    virtual void RecordChange(CCASEDoc* /*document*/, int /*kind*/, const char* /*name*/,
                              ModelObject* /*model*/, ModelObject* /*current*/) {}

    // The shared operations menu: empties it, appends an item, and shows it
    // at x, y for the window (with the arrow cursor) until a command is chosen.
    virtual void ClearOperationMenu() {}
    virtual void AppendOperationMenuItem(int /*id*/, const std::string& /*text*/) {}
    virtual void TrackOperationMenu(MenuWindow* /*window*/, int /*x*/, int /*y*/) {}
};

// The installed services (a default one that does nothing until another is installed).
ModelServices& Services();
// Installs services (not owned; they must outlive their use). Null restores the default.
void SetModelServices(ModelServices* services);

} // namespace qm
