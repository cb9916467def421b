// MethodCodeWindow: the modeless window in which the code text of one method
// of the sheet's working copy is written. The text goes back into the method
// when the window is hidden or closed, or another method is opened in it, as
// long as the sheet still edits that master and the method is still in it.
#pragma once

#include <QDialog>

class QPlainTextEdit;

namespace qm {

class CObjSheet;
class Master;
class MasterMethod;

class MethodCodeWindow : public QDialog {
  public:
    explicit MethodCodeWindow(CObjSheet& sheet);

    // Stores the text shown so far, then shows method's code, titled with its
    // signature, and brings the window up.
    void EditMethodCode(Master* master, MasterMethod* method);
    // Shows or hides the window; hiding stores the text first.
    void Show(bool show);
    // The text becomes the method's code when the master is still the
    // sheet's working copy and holds the method; then both are forgotten.
    void StoreCode();
    // Forgets the master and method without storing (the copy is gone).
    void Forget();
    // Moves the caret to the end and inserts text there.
    void Append(const QString& text);
    QPlainTextEdit& Edit() { return *edit_; }

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    CObjSheet& sheet_;
    QPlainTextEdit* edit_;
    Master* master_ = nullptr;
    MasterMethod* method_ = nullptr;
    bool placed_ = false;
};

} // namespace qm
