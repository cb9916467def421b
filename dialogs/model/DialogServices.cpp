// The modal run and help seams of the dialogs.
#include "dialogs/model/DialogServices.h"

#include "platform/Log.h"

#include <QDialog>
#include <QFileDialog>

namespace qm {

namespace {

DialogAnswerer* installedAnswerer = nullptr;
DialogHelp* installedHelp = nullptr;

} // namespace

DialogAnswerer* Install(DialogAnswerer* answerer) {
    DialogAnswerer* previous = installedAnswerer;
    installedAnswerer = answerer;
    return previous;
}

DialogHelp* Install(DialogHelp* help) {
    DialogHelp* previous = installedHelp;
    installedHelp = help;
    return previous;
}

int RunModal(QDialog& dialog) {
    if (installedAnswerer == nullptr)
        return dialog.exec();
    dialog.show();
    installedAnswerer->Answer(dialog);
    const int result = dialog.result();
    dialog.hide();
    return result;
}

QStringList RunFileDialog(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    if (RunModal(dialog) != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}

void ShowDialogHelp(const std::string& topic) {
    if (installedHelp != nullptr) {
        installedHelp->ShowHelpTopic(topic);
        return;
    }
    Log().Append("help: " + topic + "\n");
}

} // namespace qm
