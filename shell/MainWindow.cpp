#include "shell/MainWindow.h"

#include "document/CCASEDoc.h"
#include "document/Profile.h"
#include "document/UndoJournal.h"
#include "drawables/Model.h"
#include "editor/TContent.h"
#include "editor/ViewCommands.h"
#include "platform/PathHelpers.h"
#include "shell/FrameEditorHost.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPageLayout>
#include <QPageSetupDialog>
#include <QPageSize>
#include <QPrinter>

#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qm {

namespace {

// The show states of a stored window placement.
constexpr int32_t kShowNormal = 1;
constexpr int32_t kShowMaximized = 3;

// The child window of one document.
class ChildWindow : public QMdiSubWindow, public DocumentFrame {
  public:
    ChildWindow(CCASEApp& app, CCASEDoc& document, QMainWindow& mainWindow)
        : app_(app), document_(document), host_(mainWindow) {
        setAttribute(Qt::WA_DeleteOnClose, false);
        view_ = new TContent(document, host_);
        setWidget(view_);
        resize(900, 650);
        UpdateTitle();
    }

    void UpdateTitle() {
        std::string title = document_.GetTitle();
        if (title.empty())
            title = document_.GetPathName().empty() ? "Untitled"
                                                    : FileNameOfPath(document_.GetPathName());
        if (Model* model = view_->CurrentModel())
            title += " - " + model->name;
        setWindowTitle(QString::fromStdString(title));
    }

    // ---- DocumentFrame ----
    FrameLayout CurrentLayout() const override {
        FrameLayout layout;
        layout.frameWidth = width();
        layout.frameHeight = height();
        return layout;
    }
    void ShowModelAt(int32_t index) override {
        if (index >= 0 && static_cast<size_t>(index) < document_.ModelCount())
            view_->ShowModel(document_.GetModelAt(static_cast<size_t>(index)));
        Refresh();
    }
    void ApplyLayout(const FrameLayout& layout, bool maximize) override {
        if (layout.frameWidth > 0 && layout.frameHeight > 0)
            FitInto(QSize(layout.frameWidth, layout.frameHeight));
        if (maximize)
            showMaximized();
    }
    void BeginProgress(int) override {}
    void SetProgress(int) override {}
    void EndProgress(const std::string&) override {}
    void ClearLog() override {}
    void RefillProjectTree() override { Refresh(); }
    void RefillModelItems() override {}
    void AddMasterToLister(Master*) override {}
    void SetTemplateLabel(const std::string&) override {}
    void ShowFirstModel() override { ShowModelAt(0); }
    // Called once a document is read or made: its name is known by then.
    // A project read without a current model shows its first.
    void UpdateLibraryPane(bool) override {
        if (document_.CurrentModel() == nullptr && document_.ModelCount() > 0)
            view_->ShowModel(document_.GetModelAt(0));
        UpdateTitle();
    }

    void Refresh() {
        view_->UpdateScrollSizes(true);
        UpdateTitle();
    }

    CCASEDoc& Document() { return document_; }
    TContent& View() { return *view_; }

    // Takes size, made no larger than the room from the window's place to
    // the bottom-right corner of the main window's area, so that the
    // window's title bar and its buttons stay in view.
    void FitInto(QSize size) {
        if (QMdiArea* area = mdiArea()) {
            const QSize room = area->viewport()->size() - QSize(x(), y());
            if (room.width() > 200 && room.height() > 150)
                size = size.boundedTo(room);
        }
        resize(size);
    }

  protected:
    void closeEvent(QCloseEvent* event) override {
        if (closingByApp_) {
            event->accept();
            return;
        }
        event->ignore();
        // Closing the document removes this window through DetachDocument.
        app_.RunCommand([&] { app_.Env()->Documents().CloseDocument(&document_); });
    }

  public:
    bool closingByApp_ = false;

  private:
    CCASEApp& app_;
    CCASEDoc& document_;
    // What the child frame holds for its view: the current tool and looks,
    // the status bar, the sheets and menus.
    FrameEditorHost host_;
    TContent* view_ = nullptr;
};

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
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().front().toStdString();
    }

    QWidget* owner_;
};

class MainWindow : public QMainWindow, public MainFrame {
  public:
    explicit MainWindow(CCASEApp& app) : app_(app), dialogs_(this) {
        setWindowTitle("Quillmark");
        // New projects choose their template, Save As its file, here.
        app_.Env()->Context().dialogs = &dialogs_;
        area_ = new QMdiArea(this);
        area_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        area_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setCentralWidget(area_);
        resize(1100, 800);
        QObject::connect(area_, &QMdiArea::subWindowActivated, [this](QMdiSubWindow* window) {
            if (auto* child = dynamic_cast<ChildWindow*>(window))
                app_.Env()->SetActiveDocument(&child->Document());
        });

        QMenu* file = menuBar()->addMenu("&File");
        Add(file, "&New", QKeySequence::New, [this] { app_.OnFileNew(); });
        Add(file, "&Open...", QKeySequence::Open, [this] { OnFileOpen(); });
        Add(file, "&Save", QKeySequence::Save, [this] {
            if (CCASEDoc* document = app_.Env()->ActiveDocument())
                app_.Env()->Documents().SaveDocument(*document);
        });
        Add(file, "Save &As...", QKeySequence(), [this] {
            if (CCASEDoc* document = app_.Env()->ActiveDocument())
                app_.Env()->Documents().SaveDocumentAs(*document);
        });
        Add(file, "&Close", QKeySequence(), [this] {
            if (CCASEDoc* document = app_.Env()->ActiveDocument())
                app_.Env()->Documents().CloseDocument(document);
        });
        file->addSeparator();
        Add(file, "P&rint Setup...", QKeySequence(), [this] { app_.OnFilePrintSetup(); });
        file->addSeparator();
        Add(file, "E&xit", QKeySequence(), [this] { close(); });

        // Until the child frame's own tables come, the Edit, View and Arrange
        // menus carry the diagram view's commands, routed to the active
        // window's view and enabled by its rules when a menu opens.
        QMenu* edit = menuBar()->addMenu("&Edit");
        Add(edit, "Undo", QKeySequence("Ctrl+Z"), [this] { Replay(false); });
        Add(edit, "Redo", QKeySequence("Ctrl+Y"), [this] { Replay(true); });
        edit->addSeparator();
        QMenu* view = menuBar()->addMenu("&View");
        QMenu* arrange = menuBar()->addMenu("&Arrange");
        auto addRows = [&](std::span<const CommandEntry> rows) {
            for (const CommandEntry& row : rows) {
                const std::string path = row.menuPath;
                QMenu* menu = path == "Edit" ? edit : path == "View" ? view : arrange;
                AddViewCommand(menu, row);
            }
        };
        addRows(ViewCommandTable());
        edit->addSeparator();
        addRows(ViewFrameCommandTable());
        for (QMenu* menu : {edit, view, arrange})
            QObject::connect(menu, &QMenu::aboutToShow, [this, menu] { UpdateViewCommands(menu); });

        QMenu* help = menuBar()->addMenu("&Help");
        Add(help, "&Contents...", QKeySequence(), [this] { app_.OnHelpContents(); });
        Add(help, "&Index...", QKeySequence(), [this] { app_.OnHelpIndex(); });
        help->addSeparator();
        Add(help, "&About Quillmark...", QKeySequence(), [this] {
            const Environment& environment = *app_.Env();
            QMessageBox::about(this, "About Quillmark",
                               QString::fromStdString("Quillmark " + environment.programVersion +
                                                      " (build " + environment.buildNumber + ")"));
        });
    }

    // Restores the placement saved at the last closing, when there is one.
    void ShowFrame(bool restorePlacement) override {
        const WindowPlacement& placement = app_.Env()->Settings().WinPos;
        if (restorePlacement) {
            const CRect& r = placement.normalPosition;
            if (r.right > r.left && r.bottom > r.top)
                setGeometry(r.left, r.top, r.right - r.left, r.bottom - r.top);
            if (placement.showCmd == kShowMaximized) {
                showMaximized();
                return;
            }
        }
        show();
    }

    DocumentFrame* AttachDocument(CCASEDoc& document) override {
        auto* child = new ChildWindow(app_, document, *this);
        area_->addSubWindow(child);
        children_[&document] = child;
        // Each new window a step below and right of the one before it, so
        // that every title bar stays in view.
        const int step = 24 * static_cast<int>((children_.size() - 1) % 10);
        child->move(step, step);
        child->FitInto(child->size());
        child->show();
        return child;
    }

    void DetachDocument(CCASEDoc& document) override {
        auto it = children_.find(&document);
        if (it == children_.end())
            return;
        ChildWindow* child = it->second;
        children_.erase(it);
        child->closingByApp_ = true;
        area_->removeSubWindow(child);
        child->deleteLater();
    }

    // The closing: the templates' questions, the window's placement and the
    // active child window's maximised state into the settings, then each
    // modified document's question.
    bool CloseFrame() override {
        Environment& environment = *app_.Env();
        environment.SaveModifiedTemplates();
        WindowPlacement& placement = environment.Settings().WinPos;
        const QRect normal = normalGeometry();
        placement.length = 44;
        placement.showCmd = isMaximized() ? kShowMaximized : kShowNormal;
        placement.normalPosition =
            CRect(normal.left(), normal.top(), normal.left() + normal.width(),
                  normal.top() + normal.height());
        if (QMdiSubWindow* active = area_->activeSubWindow()) {
            uint32_t& settings = environment.Settings().Settings;
            if (active->isMaximized())
                settings |= kSettingsMaximizeChildFrames;
            else
                settings &= ~kSettingsMaximizeChildFrames;
        }
        return environment.Documents().CloseAll();
    }

    // The page set-up dialog in thousandths of an inch; the paper's
    // orientation is folded into its width and height.
    bool AskPageSetup(PageSetup& setup) override {
        QPrinter printer;
        printer.setPageSize(QPageSize(QSizeF(setup.PaperWidth / 1000.0, setup.PaperHeight / 1000.0),
                                      QPageSize::Inch));
        if (setup.PaperWidth > setup.PaperHeight)
            printer.setPageOrientation(QPageLayout::Landscape);
        QPageSetupDialog dialog(&printer, this);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        const QRectF paper = printer.pageLayout().fullRect(QPageLayout::Inch);
        setup.PaperWidth = static_cast<int32_t>(std::lround(paper.width() * 1000.0));
        setup.PaperHeight = static_cast<int32_t>(std::lround(paper.height() * 1000.0));
        return true;
    }

  protected:
    void closeEvent(QCloseEvent* event) override {
        bool mayClose = true;
        app_.RunCommand([&] { mayClose = CloseFrame(); });
        if (mayClose)
            event->accept();
        else
            event->ignore();
    }

  private:
    template <class F>
    void Add(QMenu* menu, const char* label, const QKeySequence& keys, F&& handler) {
        QAction* action = menu->addAction(label);
        if (!keys.isEmpty())
            action->setShortcut(keys);
        QObject::connect(action, &QAction::triggered,
                         [this, handler]() { app_.RunCommand(handler); });
    }

    // A row of the view's command table as a menu item: its label without
    // the mnemonic, its shortcut from the text after the tab.
    void AddViewCommand(QMenu* menu, const CommandEntry& row) {
        std::string label = row.label;
        std::string keys;
        if (size_t tab = label.find('\t'); tab != std::string::npos) {
            keys = label.substr(tab + 1);
            label.erase(tab);
        }
        std::erase(label, '&');
        QAction* action = menu->addAction(QString::fromStdString(label));
        action->setData(row.id);
        if (!keys.empty())
            action->setShortcut(QKeySequence(QString::fromStdString(keys)));
        const int id = row.id;
        QObject::connect(action, &QAction::triggered, [this, id]() {
            app_.RunCommand([this, id] {
                if (TContent* view = ActiveView())
                    view->OnCommand(id);
            });
        });
    }
    void UpdateViewCommands(QMenu* menu) {
        TContent* view = ActiveView();
        for (QAction* action : menu->actions()) {
            if (action->isSeparator() || !action->data().isValid())
                continue;
            CommandState state;
            action->setEnabled(view != nullptr &&
                               view->OnUpdateCommand(action->data().toInt(), state) &&
                               state.enabled);
        }
    }
    TContent* ActiveView() const {
        auto* child = dynamic_cast<ChildWindow*>(area_->activeSubWindow());
        return child != nullptr ? &child->View() : nullptr;
    }
    void Replay(bool redo) {
        if (CCASEDoc* document = app_.Env()->ActiveDocument()) {
            UndoJournal& journal = document->GetJournal();
            if (redo ? journal.CanRedo() : journal.CanUndo())
                journal.Replay(1, redo);
        }
    }

    void OnFileOpen() {
        const QString path =
            QFileDialog::getOpenFileName(this, "Open", QString(), "Project Files (*.pro)");
        if (!path.isEmpty())
            app_.OpenDocumentFile(path.toStdString());
    }

  public:
    ~MainWindow() override {
        if (Environment* environment = app_.Env())
            if (environment->Context().dialogs == &dialogs_)
                environment->Context().dialogs = nullptr;
    }

  private:
    CCASEApp& app_;
    WindowFileDialogs dialogs_;
    QMdiArea* area_ = nullptr;
    std::map<CCASEDoc*, ChildWindow*> children_;
};

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
    return std::make_unique<MainWindow>(app);
}

std::unique_ptr<PromptService> CreateWindowPrompts() {
    return std::make_unique<WindowPrompts>();
}

} // namespace qm
