#include "shell/MainWindow.h"

#include "shell/frames/CMainFrame.h"

#include <QApplication>
#include <QMessageBox>

#include <string>
#include <vector>

namespace qm {

namespace {

// Message boxes of the windowed application.
class WindowPrompts : public PromptService {
  public:
    PromptAnswer Ask(const std::string& text, PromptIcon icon, PromptButtons buttons,
                     PromptAnswer defaultAnswer) override {
        QMessageBox box;
        box.setWindowTitle("Quillmark");
        box.setText(QString::fromStdString(text));
        switch (icon) {
        case PromptIcon::Stop:
            box.setIcon(QMessageBox::Critical);
            break;
        case PromptIcon::Exclamation:
            box.setIcon(QMessageBox::Warning);
            break;
        case PromptIcon::Question:
            box.setIcon(QMessageBox::Question);
            break;
        case PromptIcon::Information:
            box.setIcon(QMessageBox::Information);
            break;
        case PromptIcon::None:
            break;
        }
        std::vector<std::pair<QMessageBox::StandardButton, PromptAnswer>> map;
        switch (buttons) {
        case PromptButtons::Ok:
            map = {{QMessageBox::Ok, PromptAnswer::Ok}};
            break;
        case PromptButtons::OkCancel:
            map = {{QMessageBox::Ok, PromptAnswer::Ok},
                   {QMessageBox::Cancel, PromptAnswer::Cancel}};
            break;
        case PromptButtons::YesNo:
            map = {{QMessageBox::Yes, PromptAnswer::Yes}, {QMessageBox::No, PromptAnswer::No}};
            break;
        case PromptButtons::YesNoCancel:
            map = {{QMessageBox::Yes, PromptAnswer::Yes},
                   {QMessageBox::No, PromptAnswer::No},
                   {QMessageBox::Cancel, PromptAnswer::Cancel}};
            break;
        case PromptButtons::AbortRetryIgnore:
            map = {{QMessageBox::Abort, PromptAnswer::Abort},
                   {QMessageBox::Retry, PromptAnswer::Retry},
                   {QMessageBox::Ignore, PromptAnswer::Ignore}};
            break;
        case PromptButtons::RetryCancel:
            map = {{QMessageBox::Retry, PromptAnswer::Retry},
                   {QMessageBox::Cancel, PromptAnswer::Cancel}};
            break;
        }
        QMessageBox::StandardButtons standard;
        for (const auto& [button, answer] : map) {
            standard |= button;
            if (answer == defaultAnswer)
                box.setDefaultButton(button);
        }
        box.setStandardButtons(standard);
        const int chosen = box.exec();
        for (const auto& [button, answer] : map)
            if (chosen == button)
                return answer;
        return defaultAnswer;
    }
    void Beep() override { QApplication::beep(); }
};

} // namespace

std::string QtFileFilter(const std::string& filter) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= filter.size()) {
        const size_t bar = filter.find('|', start);
        const size_t end = bar == std::string::npos ? filter.size() : bar;
        std::string part = filter.substr(start, end - start);
        const size_t first = part.find_first_not_of(' ');
        const size_t last = part.find_last_not_of(' ');
        parts.push_back(first == std::string::npos ? "" : part.substr(first, last - first + 1));
        if (bar == std::string::npos)
            break;
        start = bar + 1;
    }
    std::string result;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        const std::string& description = parts[i];
        std::string patterns = parts[i + 1];
        if (description.empty())
            break;
        for (char& c : patterns)
            if (c == ';')
                c = ' ';
        while (!patterns.empty() && patterns.back() == ' ')
            patterns.pop_back();
        if (!result.empty())
            result += ";;";
        result += description;
        if (description.find("(*") == std::string::npos && !patterns.empty())
            result += " (" + patterns + ")";
    }
    return result;
}

std::unique_ptr<MainFrame> CreateMainWindow(CCASEApp& app) {
    return std::make_unique<CMainFrame>(app);
}

std::unique_ptr<PromptService> CreateWindowPrompts() {
    return std::make_unique<WindowPrompts>();
}

} // namespace qm
