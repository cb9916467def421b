// The quillmark program: the windowed application, or a batch run without a
// display when the command line asks for one.
#include "shell/CCASEApp.h"
#include "shell/MainWindow.h"

#include "platform/Log.h"
#include "platform/Prompt.h"
#include "platform/UserFolders.h"

#include <QApplication>

#include <cctype>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Whether an option of that name (without regard to case) is given.
bool HasOption(const std::vector<std::string>& arguments, const std::string& option) {
    for (const std::string& item : arguments) {
        if (item.size() != option.size() + 1 || (item[0] != '-' && item[0] != '/'))
            continue;
        std::string name = item.substr(1);
        for (char& c : name)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name == option)
            return true;
    }
    return false;
}

bool Set(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && *value != '\0';
}

// Qt's messages, less its note that it chose a runtime folder of its own: a
// run without a display has no session, and the note is no error of the run.
QtMessageHandler qtHandler = nullptr;
void FilterQtMessages(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (type == QtWarningMsg && message.startsWith("QStandardPaths: XDG_RUNTIME_DIR not set"))
        return;
    if (qtHandler != nullptr)
        qtHandler(type, context, message);
}

// A display to show windows on, or a platform chosen by the user.
bool HaveDisplay() {
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY") || Set("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv) {
    // A write past the file-size limit would end the process with SIGXFSZ,
    // without a word, halfway through a save. Ignored, the write fails with
    // EFBIG instead: the save reports it and the previous file stays.
    std::signal(SIGXFSZ, SIG_IGN);
    std::vector<std::string> arguments(argv + 1, argv + argc);
    // A batch run that ends when done needs no display: it never shows a
    // window, its message boxes are lines on standard error with their
    // default answers, and its log goes to standard error. A batch run that
    // goes on afterwards keeps its windows where there is a display.
    // Without any display the command line is still checked and its errors
    // reported on standard error.
    const bool display = HaveDisplay();
    const bool batch = HasOption(arguments, "batch") && (HasOption(arguments, "exit") || !display);
    const bool headless = batch || !display;
    if (headless) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        qtHandler = qInstallMessageHandler(FilterQtMessages);
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName("Quillmark");
    qm::SetApplicationFolder(QCoreApplication::applicationDirPath().toStdString());

    qm::StderrLogSink log;
    qm::ScopedLogSink installLog(&log);
    qm::HeadlessPrompts stderrPrompts;
    std::unique_ptr<qm::PromptService> windowPrompts;
    qm::PromptService* prompts = &stderrPrompts;
    if (!headless) {
        windowPrompts = qm::CreateWindowPrompts();
        prompts = windowPrompts.get();
    }
    qm::ScopedPromptService installPrompts(prompts);

    int code = 0;
    {
        qm::CCASEApp app(headless ? qm::CCASEApp::FrameFactory()
                                  : qm::CCASEApp::FrameFactory(qm::CreateMainWindow));
        if (!app.InitInstance(arguments)) {
            // A batch run that is done (or refused) ends at once.
            if (batch)
                app.EndBatchRunNow(app.ExitCode());
            return app.ExitCode();
        }
        // Without a display there is nothing to go on with once the batch is done.
        if (batch)
            app.EndBatchRunNow(app.ExitInstance());
        if (headless) {
            qm::Log().Append("quillmark: no display to show the windows on (DISPLAY is not set)\n");
            return 1;
        }
        try {
            code = QApplication::exec();
        } catch (const qm::CommandLineExit& exit) {
            code = exit.Code();
        }
        const int exitCode = app.ExitInstance();
        if (code == 0)
            code = exitCode;
    }
    return code;
}
