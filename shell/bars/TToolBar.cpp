// The three tool bars' layouts and the buttons built from them.
#include "shell/bars/TToolBar.h"

#include "model/CommandIds.h"
#include "platform/Colors.h"
#include "platform/UserFolders.h"

#include <QAction>
#include <QEvent>
#include <QImage>
#include <QMenu>
#include <QPainter>
#include <QTimer>
#include <QToolButton>

#include <map>

namespace qm {

namespace {

constexpr ToolBarButton kMainButtons[] = {
    {cmd::FileNew, "New Project", 0, false},
    {cmd::FileOpen, "Open Project", 1, false},
    {cmd::FileSave, "Save Project", 2, false},
    {cmd::FileSaveImage, "Save Image", 3, false},
    {cmd::SaveTemplate, "Save Template", 4, false},
    {0, "", 0, false},
    {cmd::RepositoryBrowse, "Browse Repository", 5, false},
    {cmd::RepositoryCheckIn, "Check In Project", 6, false},
    {0, "", 0, false},
    {cmd::UndoButton, "Undo", 7, true},
    {cmd::RedoButton, "Redo", 8, true},
    {0, "", 0, false},
    {cmd::EditCut, "Cut", 9, false},
    {cmd::EditCopy, "Copy", 10, false},
    {cmd::EditPaste, "Paste", 11, false},
    {0, "", 0, false},
    {cmd::FilePrint, "Print", 12, false},
    {cmd::AppAbout, "About", 13, false},
    {cmd::HelpContents, "Help Contents", 14, false},
    {0, "", 0, false},
    {cmd::ZoomOutButton, "Zoom Out", 15, false},
    {cmd::ZoomInButton, "Zoom In", 16, false},
    {cmd::ZoomBox, "Zoom", -1, false},
    {0, "", 0, false},
    {cmd::ModelNew, "New Model", 17, false},
    {cmd::NewToolModel, "New Tool Model", 18, false},
    {cmd::NewStereotypeModel, "New Stereotype Model", 19, false},
    {cmd::ModelImplode, "Implode", 20, false},
    {cmd::ModelExplode, "Explode", 21, false},
    {0, "", 0, false},
    {cmd::GenerateCode, "Generate Code", 22, false},
    {cmd::GenerateDocumentation, "Generate Documentation", 23, false},
    {cmd::ReverseEngineer, "Reverse Engineer", 24, false},
};

constexpr ToolBarButton kMiscButtons[] = {
    {cmd::PointerTool, "Pointer Tool", 0, false},
    {0, "", 0, false},
    {cmd::TagTool, "Tag for a Place", 1, false},
    {cmd::MessageTool, "Message for a Link", 2, false},
    {cmd::JunctionTool, "Junction for a Place", 3, false},
    {cmd::SwimlaneTool, "Create Swimlane", 4, false},
    {0, "", 0, false},
    {cmd::TextTool, "Text", 5, false},
    {cmd::LineTool, "Line", 6, false},
    {cmd::RectangleTool, "Rectangle", 7, false},
    {cmd::RoundRectangleTool, "Round Rectangle", 8, false},
    {cmd::EllipseTool, "Ellipse", 9, false},
    {cmd::PolylineTool, "Polyline", 10, false},
    {cmd::PolygonTool, "Polygon", 11, false},
    {cmd::IconTool, "Icon Tool", 12, false},
    {cmd::ControlTools, "Control Tools", kControlToolsImage, false},
    {0, "", 0, false},
    {cmd::GroupAsPrimitive, "Group As Primitive", 13, false},
    {cmd::GroupAsPlace, "Group As Place", 14, false},
    {cmd::Ungroup, "Ungroup", 15, false},
    {0, "", 0, false},
    {cmd::BringToFront, "Bring to Front", 16, false},
    {cmd::SendToBack, "Send to Back", 17, false},
    {cmd::Reposition, "Reposition", 18, false},
    {cmd::RenumberMessages, "Renumber Messages", 19, false},
    {0, "", 0, false},
    {cmd::LibraryDropDown, "User-defined Library", 20, true},
    {0, "", 0, false},
    {cmd::TextFontButton, "Text Font", 21, false},
    {cmd::FillColorButton, "Fill Color", 22, true},
    {cmd::OutlineColorButton, "Outline Color", 23, true},
    {cmd::OutlinePatternButton, "Outline Pattern", 24, true},
    {0, "", 0, false},
    {cmd::NormalLinks, "Normal Links", 25, false},
    {cmd::StepLinks, "Step Links", 26, false},
    {cmd::CurveLinks, "Curve Links", 27, false},
    {0, "", 0, false},
    {cmd::Annotation, "Change Annotation", 28, false},
};

constexpr ToolBarButton kCustomButtons[] = {
    {cmd::FirstLinkTool, "Link 1", 0, false},
    {cmd::FirstLinkTool + 1, "Link 2", 1, false},
    {cmd::FirstLinkTool + 2, "Link 3", 2, false},
    {cmd::FirstLinkTool + 3, "Link 4", 3, false},
    {cmd::FirstLinkTool + 4, "Link 5", 4, false},
    {cmd::FirstLinkTool + 5, "Link 6", 5, false},
    {cmd::FirstLinkTool + 6, "Link 7", 6, false},
    {cmd::FirstLinkTool + 7, "Link 8", 7, false},
    {cmd::FirstLinkTool + 8, "Link 9", 8, false},
    {cmd::FirstLinkTool + 9, "Link 10", 9, false},
    {0, "", 0, false},
    {cmd::ExtraLinkTools, "Extra Link Tools", 27, false},
    {0, "", 0, false},
    {cmd::FirstLinkTool + 10, "Place 1", 10, false},
    {cmd::FirstLinkTool + 11, "Place 2", 11, false},
    {cmd::FirstLinkTool + 12, "Place 3", 12, false},
    {cmd::FirstLinkTool + 13, "Place 4", 13, false},
    {cmd::FirstLinkTool + 14, "Place 5", 14, false},
    {cmd::FirstLinkTool + 15, "Place 6", 15, false},
    {cmd::FirstLinkTool + 16, "Place 7", 16, false},
    {cmd::FirstLinkTool + 17, "Place 8", 17, false},
    {cmd::FirstLinkTool + 18, "Place 9", 18, false},
    {cmd::FirstLinkTool + 19, "Place 10", 19, false},
    {cmd::FirstLinkTool + 20, "Place 11", 20, false},
    {cmd::FirstLinkTool + 21, "Place 12", 21, false},
    {cmd::FirstLinkTool + 22, "Place 13", 22, false},
    {cmd::FirstLinkTool + 23, "Place 14", 23, false},
    {0, "", 0, false},
    {cmd::ExtraPlaceTools, "Extra Place Tools", 27, false},
    {0, "", 0, false},
    {cmd::ToolDesignEdit, "Tool Design Edit", 24, false},
    {cmd::ToolIconEdit, "Tool Icon Edit", 25, false},
    {cmd::ModelEdit, "Model Edit", 26, false},
};

} // namespace

std::span<const ToolBarButton> MainToolBarButtons() {
    return kMainButtons;
}
std::span<const ToolBarButton> MiscToolBarButtons() {
    return kMiscButtons;
}
std::span<const ToolBarButton> CustomToolBarButtons() {
    return kCustomButtons;
}

QIcon ButtonGlyph(const std::string& name) {
    QPixmap pixmap(16, 15);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setPen(QColor(90, 90, 90));
    painter.drawRect(0, 0, 15, 14);
    std::string letters;
    bool wordStart = true;
    for (char c : name) {
        if (wordStart && std::isalnum(static_cast<unsigned char>(c)) && letters.size() < 2)
            letters += c;
        wordStart = c == ' ' || c == '-';
    }
    QFont font;
    font.setPixelSize(8);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QRect(0, 0, 16, 15), Qt::AlignCenter, QString::fromStdString(letters));
    return QIcon(pixmap);
}

namespace {

// A strip of the application folder, loaded once (null when absent).
const QPixmap& Strip(const char* name) {
    static std::map<std::string, QPixmap> strips;
    auto found = strips.find(name);
    if (found == strips.end()) {
        QPixmap strip;
        const std::string folder = ApplicationFolder();
        if (!folder.empty())
            strip.load(QString::fromStdString(folder + "/Icons/toolbar/" + name + ".png"));
        found = strips.emplace(name, strip).first;
    }
    return found->second;
}

} // namespace

QPixmap StripPicture(const char* strip, int index) {
    const QPixmap& pictures = Strip(strip);
    if (index < 0 || pictures.isNull() || 16 * (index + 1) > pictures.width() ||
        pictures.height() < 15)
        return {};
    return pictures.copy(16 * index, 0, 16, 15);
}

QIcon TToolBar::Image(int image, const std::string& name) const {
    QPixmap cell;
    switch (kind_) {
    case Main:
        cell = StripPicture("main", image);
        break;
    case Miscellaneous:
        if (image >= kFirstIconImage)
            cell = StripPicture("icons", image - kFirstIconImage);
        else if (image >= kFirstJunctionImage)
            cell = StripPicture("junctions", image - kFirstJunctionImage);
        else
            cell = StripPicture("misc", image);
        break;
    case Custom:
        if (image >= 0 && 16 * (image + 1) <= toolPictures_.width())
            cell = toolPictures_.copy(16 * image, 0, 16, 15);
        else
            cell = StripPicture("custom", image);
        break;
    }
    return cell.isNull() ? ButtonGlyph(name) : QIcon(cell);
}

QPixmap StripPixmap(const ToolBitmap& strip) {
    if (strip.IsEmpty())
        return {};
    QImage image(strip.Width(), strip.Height(), QImage::Format_RGB32);
    for (int32_t y = 0; y < strip.Height(); ++y)
        for (int32_t x = 0; x < strip.Width(); ++x) {
            const COLORREF colour = strip.Colour(strip.PixelAt(x, y));
            image.setPixel(x, y, qRgb(GetRValue(colour), GetGValue(colour), GetBValue(colour)));
        }
    return QPixmap::fromImage(image);
}

bool TToolBar::SetToolBitmap(const ToolBitmap& strip) {
    if (kind_ != Custom)
        return false;
    toolBitmap_ = strip;
    toolPictures_ = StripPixmap(strip);
    for (QAction* action : actions())
        if (action->data().isValid())
            action->setIcon(Image(action->property("image").toInt(), action->text().toStdString()));
    return true;
}

void TToolBar::SetButtonImage(int id, int image) {
    QAction* action = ActionOf(id);
    if (action == nullptr || action->property("image").toInt() == image)
        return;
    action->setProperty("image", image);
    action->setIcon(Image(image, action->text().toStdString()));
}

TToolBar::TToolBar(Kind kind, const QString& title, QWidget* parent)
    : QToolBar(title, parent), kind_(kind) {
    setObjectName(title);
    setIconSize(QSize(16, 15));
    setToolButtonStyle(Qt::ToolButtonIconOnly);
}

void TToolBar::AddButtons(std::span<const ToolBarButton> buttons, const CommandRouting& routing,
                          std::function<void(int id, QPoint below)> dropDown, QWidget* slotWidget) {
    for (const ToolBarButton& button : buttons) {
        if (button.id == 0) {
            addSeparator();
            continue;
        }
        if (button.image < 0) {
            if (slotWidget != nullptr)
                addWidget(slotWidget);
            continue;
        }
        QAction* action = addAction(Image(button.image, button.name), button.name);
        action->setData(button.id);
        action->setProperty("image", button.image);
        action->setToolTip(button.name);
        const int id = button.id;
        const auto run = routing.run;
        QObject::connect(action, &QAction::triggered, [run, id] { run(id); });
        if (QWidget* widget = widgetForAction(action))
            widget->installEventFilter(this);
        if (!button.dropDown || !dropDown)
            continue;
        // The arrow opens the frame's pop-up below the button; the empty menu
        // only carries the arrow.
        auto* tool = qobject_cast<QToolButton*>(widgetForAction(action));
        if (tool == nullptr)
            continue;
        auto* menu = new QMenu(tool);
        tool->setMenu(menu);
        tool->setPopupMode(QToolButton::MenuButtonPopup);
        QObject::connect(menu, &QMenu::aboutToShow, [menu, tool, dropDown, id] {
            QTimer::singleShot(0, menu, [menu] { menu->hide(); });
            dropDown(id, tool->mapToGlobal(QPoint(0, tool->height() + 1)));
        });
    }
}

QAction* TToolBar::ActionOf(int id) const {
    for (QAction* action : actions())
        if (action->data().isValid() && action->data().toInt() == id)
            return action;
    return nullptr;
}

int TToolBar::ButtonAt(QPoint global, QRect& screenRect) const {
    for (QAction* action : actions()) {
        QWidget* widget = widgetForAction(action);
        if (!action->data().isValid() || widget == nullptr || !widget->isVisible())
            continue;
        const QRect rect(widget->mapToGlobal(QPoint(0, 0)), widget->size());
        if (rect.contains(global)) {
            screenRect = rect;
            return action->data().toInt();
        }
    }
    return 0;
}

void TToolBar::UpdateButtons(const CommandRouting& routing) {
    for (QAction* action : actions())
        UpdateCommandItem(*action, routing);
}

bool TToolBar::eventFilter(QObject* watched, QEvent* event) {
    const bool enter = event->type() == QEvent::Enter && hovered;
    const bool leave = event->type() == QEvent::Leave && left;
    if (enter || leave)
        for (QAction* action : actions())
            if (widgetForAction(action) == watched && action->data().isValid()) {
                auto* widget = static_cast<QWidget*>(watched);
                if (enter)
                    hovered(action->data().toInt(),
                            QRect(widget->mapToGlobal(QPoint(0, 0)), widget->size()));
                else
                    left(action->data().toInt());
                break;
            }
    return QToolBar::eventFilter(watched, event);
}

void TToolBar::SetButtonTexts(int id, const std::string& tip, const std::string& status) {
    if (QAction* action = ActionOf(id)) {
        action->setToolTip(QString::fromStdString(tip));
        action->setStatusTip(QString::fromStdString(status));
        // Assistive technology names the button as its tip does, by the
        // template's tool rather than by the button's place in the bar.
        if (QWidget* button = widgetForAction(action))
            button->setAccessibleName(QString::fromStdString(tip));
    }
}

} // namespace qm
