// What the dialogs ask of the application around them: showing a modal
// dialog or a file dialog (a test or a headless run installs an answerer
// that fills in and closes the dialog instead of waiting for a person) and
// opening a help page
// at an anchor (the shell installs the environment's help viewer).
#pragma once

#include "platform/ScopedInstall.h"

#include <QStringList>

#include <string>

class QDialog;
class QFileDialog;

namespace qm {

// Answers a modal dialog in place of a person: sets its controls and
// accepts or rejects it.
class DialogAnswerer {
  public:
    virtual ~DialogAnswerer() = default;
    virtual void Answer(QDialog& dialog) = 0;
};

// Opens a help page at an anchor ("Chapter8.html#Edit:Find").
class DialogHelp {
  public:
    virtual ~DialogHelp() = default;
    virtual void ShowHelpTopic(const std::string& topic) = 0;
};

// Installs an answerer (not owned; null: dialogs wait for the user again)
// or a help viewer (null: help topics are only logged) and returns the one
// replaced.
DialogAnswerer* Install(DialogAnswerer* answerer);
DialogHelp* Install(DialogHelp* help);
using ScopedDialogAnswerer = ScopedInstall<DialogAnswerer>;
using ScopedDialogHelp = ScopedInstall<DialogHelp>;

// Shows dialog modally and returns its result (QDialog::Accepted or
// Rejected): through the installed answerer when there is one, else exec().
int RunModal(QDialog& dialog);

// Shows a file dialog through RunModal, as Qt's own dialog (which an
// answerer can fill in) rather than the desktop's: the chosen files, none
// when cancelled.
QStringList RunFileDialog(QFileDialog& dialog);

// Opens the help topic through the installed viewer, else logs it.
void ShowDialogHelp(const std::string& topic);

} // namespace qm
