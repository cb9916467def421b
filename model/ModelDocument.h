// What the model and the drawables need of the project document, as a small
// interface the document implements above these folders. It is passed as an
// argument where an operation works for a document (null: no document, and
// every answer is empty); tests pass fakes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

class ChangeJournal;
class DiagramView;
class GuidMap;
class Master;
class ModelObject;

class ModelDocument {
  public:
    virtual ~ModelDocument() = default;

    // The masters the document relates to master through the places of its
    // top-level models, master itself excluded.
    virtual std::vector<Master*> CollectNestedMasters(Master* master) = 0;
    // The document's top-level model whose id is the text, or null.
    virtual ModelObject* FindTopLevelModel(const char* id) = 0;
    // The project's id map, and the id map of the document's notation
    // template (which holds the objects of tool models); null when absent.
    virtual GuidMap* ProjectMap() = 0;
    virtual GuidMap* TemplateMap() = 0;
    // The document's master of that tool, name and namespace, made (and
    // owned by the document) when there is none, with one use counted for
    // the caller; null when the document makes no masters.
    virtual Master* NewMaster(int /*toolId*/, const std::string& /*name*/,
                              const std::string& /*nameSpace*/) {
        return nullptr;
    }

    // A new model of the kind, child of parent, made the submodel of master
    // and named after it, owned by the document; null when the document
    // makes no models or none of that kind.
    virtual ModelObject* NewSubmodel(int /*kind*/, Master* /*master*/, ModelObject* /*parent*/) {
        return nullptr;
    }

    // The document's own undo journal, which Journal() hands every change of
    // this document to; null: changes are not recorded.
    virtual ChangeJournal* ChangeRecorder() { return nullptr; }
    // The views that show the document (repaints, change notices, a device
    // context to measure with), kept by the document; null: no window.
    virtual DiagramView* Views() { return nullptr; }

    // ---- what the editing operations of models ask (defaults: no document) ----
    // The size of one printer page in model units (0 counts as 1).
    virtual int32_t PageWidth() const { return 0; }
    virtual int32_t PageHeight() const { return 0; }
    // Sets the document's modified flag.
    virtual void SetModifiedFlag(bool /*modified*/) {}
    // Sets or clears the mark of every model, and of every master, of the document.
    virtual void MarkModels(bool /*value*/) {}
    virtual void MarkMasters(bool /*value*/) {}
    // Takes a master that no place uses any more out of the document (the
    // undo journal holds it).
    virtual void RemoveMaster(Master* /*master*/) {}
    // Writes the marked masters and the given drawables of model to the
    // masters clipboard file.
    virtual void CopyToClipboardFile(ModelObject* /*model*/,
                                     const std::vector<ModelObject*>& /*drawables*/) {}
};

} // namespace qm
