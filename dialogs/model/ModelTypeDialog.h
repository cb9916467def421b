// "Choose type of model to create" / "Choose model to explode into": a tree
// of the diagram kinds the project's template supports and, when exploding,
// of the project's models. Its three answers (the kind of a new model, the
// existing model chosen, the parent model) are kept in statics that the
// caller reads after OK; constructing the dialog clears them.
#pragma once

#include "model/ObjectHandle.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace qm {

class CCASEDoc;
class Model;

class CModelTypeDialog : public QDialog {
  public:
    // The item data of the two roots.
    static constexpr int kRootData = 1000;
    // Bit of listMask: offer the template's supported diagram types.
    static constexpr int kListDiagramTypes = 0x1;

    // selectedModel: the model selected in the project explorer (the parent
    // of a new model when asked for, and of an explosion), may be null.
    CModelTypeDialog(CCASEDoc& document, int listMask, bool explode, Model* selectedModel,
                     QWidget* parent = nullptr);

    // The diagram kind chosen for a new model, -1 when none.
    static int GetNewModelKind() { return newModelKind_; }
    // The existing model chosen to explode into; empty when none.
    static ObjectHandle GetExistingModel() { return existingModel_; }
    // The parent of the new model or of the explosion; empty when none.
    static ObjectHandle GetParentModel() { return parentModel_; }

    QTreeWidget* Tree() const { return tree_; }
    QCheckBox* AsChild() const { return asChild_; }
    QPushButton* OkButton() const { return ok_; }
    // The item showing model, or null.
    QTreeWidgetItem* ItemOfModel(const Model* model) const;
    // With a non-root item selected: its kind or model becomes the answer
    // and the dialog ends with OK; the document's current model is refused
    // with "Exploding a model into itself is meaningless!" and the dialog
    // stays open.
    void accept() override;

  private:
    void AddModelItems(QTreeWidgetItem* root);
    void UpdateButtons();

    static int newModelKind_;
    static ObjectHandle existingModel_;
    static ObjectHandle parentModel_;

    CCASEDoc& document_;
    bool explode_;
    ObjectHandle selectedModel_;
    std::vector<ObjectHandle> models_; // the models the tree shows, by item index
    QTreeWidget* tree_;
    QCheckBox* asChild_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

} // namespace qm
