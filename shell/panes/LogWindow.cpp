// The log window: placement, appending (also from the script server's
// thread, handed over to the window's own) and showing.
#include "shell/panes/LogWindow.h"

#include "dialogs/log/LogDialog.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QThread>

#include <algorithm>

namespace qm {

QRect LogWindowGeometry(const QRect& client) {
    const int height = std::clamp(client.height() / 5, 100, 200);
    return QRect(client.left(), client.bottom() + 1 - height, client.width(), height);
}

LogWindow::LogWindow(bool neverShow) : QDialog(nullptr), neverShow_(neverShow) {
    QFont font("Courier");
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSize(9);
    edit_ = BuildLogDialog(*this, font);
    edit_->setReadOnly(true);
    edit_->setUndoRedoEnabled(false);
    edit_->setAccessibleName("Log");
}

void LogWindow::PlaceOver(const QRect& frameClient) {
    setGeometry(LogWindowGeometry(frameClient));
    placed_ = true;
}

void LogWindow::EnsurePlaced() {
    if (placed_ || !frameClient_)
        return;
    static_cast<void>(winId());
    PlaceOver(frameClient_());
}

std::string LogWindow::Text() const {
    return edit_->toPlainText().toStdString();
}

void LogWindow::Append(std::string_view text) {
    const QString added = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()))
                              .remove(QLatin1Char('\r'));
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this,
            [this, added] { edit_->moveCursor(QTextCursor::End), edit_->insertPlainText(added); },
            Qt::QueuedConnection);
        return;
    }
    edit_->moveCursor(QTextCursor::End);
    edit_->insertPlainText(added);
    edit_->verticalScrollBar()->setValue(edit_->verticalScrollBar()->maximum());
}

void LogWindow::Show(bool visible) {
    if (visible && !neverShow_) {
        EnsurePlaced();
        show();
    } else
        hide();
}

void LogWindow::Clear() {
    edit_->clear();
}

} // namespace qm
