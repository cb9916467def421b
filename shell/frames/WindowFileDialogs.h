// The file dialogs a document asks for (open, save as, the template choice),
// over Qt's file dialog.
#pragma once

#include "dialogs/model/DialogServices.h"
#include "document/DocumentContext.h"
#include "platform/PathHelpers.h"
#include "shell/MainWindow.h"

#include <QFileDialog>

#include <optional>
#include <string>

namespace qm {

// The file dialogs a document asks for, over Qt's.
class WindowFileDialogs : public FileDialogs {
  public:
    explicit WindowFileDialogs(QWidget* owner) : owner_(owner) {}

    std::optional<std::string> AskOpenFile(const FileDialogRequest& request) override {
        QFileDialog dialog(owner_, "Open", Initial(request.initialName),
                           QString::fromStdString(QtFileFilter(request.filter)));
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
        return Run(dialog);
    }
    std::optional<std::string> AskSaveFile(const FileDialogRequest& request) override {
        QFileDialog dialog(owner_, "Save As", Initial(request.initialName),
                           QString::fromStdString(QtFileFilter(request.filter)));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultExtension));
        return Run(dialog);
    }
    std::optional<std::string> ChooseTemplate(const std::string& folder,
                                              const std::string& defaultNotation) override {
        QFileDialog dialog(owner_, "Choose a Template",
                           QString::fromStdString(JoinPath(folder, defaultNotation)),
                           "Notation Template Files (*.not)");
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFile);
        return Run(dialog);
    }

  private:
    // A pattern such as "*.pro" names no file: the dialog starts empty.
    static QString Initial(const std::string& name) {
        return name.find('*') != std::string::npos ? QString() : QString::fromStdString(name);
    }
    static std::optional<std::string> Run(QFileDialog& dialog) {
        const QStringList chosen = RunFileDialog(dialog);
        if (chosen.isEmpty())
            return std::nullopt;
        return chosen.front().toStdString();
    }

    QWidget* owner_;
};

} // namespace qm
