// MethodCodeWindow: one method's code text, edited beside the sheet.
#include "dialogs/sheets/MethodCodeWindow.h"

#include "dialogs/log/LogDialog.h"

#include "dialogs/sheets/MemberRows.h"
#include "dialogs/sheets/ObjSheet.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScreen>

#include <algorithm>

namespace qm {

MethodCodeWindow::MethodCodeWindow(CObjSheet& sheet)
    : QDialog(nullptr),
      sheet_(sheet),
      edit_(BuildLogDialog(*this, QFontDatabase::systemFont(QFontDatabase::FixedFont))) {
    edit_->setAccessibleName(QStringLiteral("Code"));
}

void MethodCodeWindow::EditMethodCode(Master* master, MasterMethod* method) {
    StoreCode();
    master_ = master;
    method_ = method;
    setWindowTitle(method != nullptr ? QString::fromStdString(FormatMethodSignature(*method, false))
                                     : QString());
    edit_->clear();
    if (method != nullptr)
        Append(QString::fromStdString(method->code));
    if (!placed_) {
        // Across the main window's width, half its height (at least 100
        // pixels), its bottom 20 pixels above the main window's.
        // The main window is the sheet's parent; the sheet itself, active
        // when its Code button is pressed, is not the window to follow.
        QWidget* main =
            sheet_.parentWidget() != nullptr ? sheet_.parentWidget()->window() : nullptr;
        QRect frame = main != nullptr ? main->geometry() : QRect(0, 0, 800, 600);
        const int height = std::max(100, frame.height() / 2);
        setGeometry(frame.left(), frame.bottom() - 20 - height, frame.width(), height);
        placed_ = true;
    }
    show();
    raise();
    activateWindow();
}

void MethodCodeWindow::Show(bool visible) {
    if (!visible) {
        StoreCode();
        hide();
        return;
    }
    show();
}

void MethodCodeWindow::StoreCode() {
    auto* copy = dynamic_cast<Master*>(sheet_.WorkingCopy());
    if (master_ == nullptr || method_ == nullptr || copy != master_ || !copy->HasMethod(method_))
        return;
    method_->code = edit_->toPlainText().toStdString();
    master_ = nullptr;
    method_ = nullptr;
}

void MethodCodeWindow::Forget() {
    master_ = nullptr;
    method_ = nullptr;
}

void MethodCodeWindow::Append(const QString& text) {
    QTextCursor cursor = edit_->textCursor();
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(text);
    edit_->setTextCursor(cursor);
}

void MethodCodeWindow::closeEvent(QCloseEvent* event) {
    StoreCode();
    QDialog::closeEvent(event);
}

} // namespace qm
