// The shared "Log" window layout.
#include "dialogs/log/LogDialog.h"

#include <QDialog>
#include <QFontMetrics>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace qm {

QPlainTextEdit* BuildLogDialog(QDialog& dialog, const QFont& font) {
    dialog.setWindowTitle(QStringLiteral("Log"));
    dialog.setModal(false);
    dialog.setSizeGripEnabled(true);
    auto* edit = new QPlainTextEdit(&dialog);
    edit->setFont(font);
    // A dialog unit across is a quarter of the average character: 16 units
    // are four characters.
    edit->setTabStopDistance(4 * QFontMetrics(font).averageCharWidth());
    // The text box follows every size of the window.
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(edit);
    return edit;
}

} // namespace qm
