// The three tool bars' layouts and the buttons built from them.
#include "shell/bars/TToolBar.h"

#include "platform/Colors.h"
#include "platform/UserFolders.h"
#include "shell/frames/CommandIds.h"

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
    {33071, "Save Image", 3, false},
    {32981, "Save Template", 4, false},
    {0, "", 0, false},
    {cmd::RepositoryBrowse, "Browse Repository", 5, false},
    {cmd::RepositoryCheckIn, "Check In Project", 6, false},
    {0, "", 0, false},
    {cmd::UndoButton, "Undo", 7, true},
    {cmd::RedoButton, "Redo", 8, true},
    {0, "", 0, false},
    {57635, "Cut", 9, false},
    {57634, "Copy", 10, false},
    {57637, "Paste", 11, false},
    {0, "", 0, false},
    {57607, "Print", 12, false},
    {cmd::AppAbout, "About", 13, false},
    {cmd::HelpContents, "Help Contents", 14, false},
    {0, "", 0, false},
    {cmd::ZoomOutButton, "Zoom Out", 15, false},
    {cmd::ZoomInButton, "Zoom In", 16, false},
    {cmd::ZoomBox, "Zoom", -1, false},
    {0, "", 0, false},
    {33033, "New Model", 17, false},
    {33104, "New Tool Model", 18, false},
    {33105, "New Stereotype Model", 19, false},
    {32844, "Implode", 20, false},
    {32843, "Explode", 21, false},
    {0, "", 0, false},
    {32847, "Generate Code", 22, false},
    {32848, "Generate Documentation", 23, false},
    {33013, "Reverse Engineer", 24, false},
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
    {0, "", 0, false},
    {32878, "Group As Primitive", 13, false},
    {32980, "Group As Place", 14, false},
    {32879, "Ungroup", 15, false},
    {0, "", 0, false},
    {32876, "Bring to Front", 16, false},
    {32877, "Send to Back", 17, false},
    {32884, "Reposition", 18, false},
    {33110, "Renumber Messages", 19, false},
    {0, "", 0, false},
    {33028, "User-defined Library", 20, true},
    {0, "", 0, false},
    {32971, "Text Font", 21, false},
    {32886, "Fill Color", 22, true},
    {32887, "Outline Color", 23, true},
    {32888, "Outline Pattern", 24, true},
    {0, "", 0, false},
    {33014, "Normal Links", 25, false},
    {33012, "Step Links", 26, false},
    {32998, "Curve Links", 27, false},
    {0, "", 0, false},
    {33120, "Change Annotation", 28, false},
};

constexpr ToolBarButton kCustomButtons[] = {
    {2000, "Link 1", 0, false},
    {2001, "Link 2", 1, false},
    {2002, "Link 3", 2, false},
    {2003, "Link 4", 3, false},
    {2004, "Link 5", 4, false},
    {2005, "Link 6", 5, false},
    {2006, "Link 7", 6, false},
    {2007, "Link 8", 7, false},
    {2008, "Link 9", 8, false},
    {2009, "Link 10", 9, false},
    {0, "", 0, false},
    {cmd::ExtraLinkTools, "Extra Link Tools", 27, false},
    {0, "", 0, false},
    {2010, "Place 1", 10, false},
    {2011, "Place 2", 11, false},
    {2012, "Place 3", 12, false},
    {2013, "Place 4", 13, false},
    {2014, "Place 5", 14, false},
    {2015, "Place 6", 15, false},
    {2016, "Place 7", 16, false},
    {2017, "Place 8", 17, false},
    {2018, "Place 9", 18, false},
    {2019, "Place 10", 19, false},
    {2020, "Place 11", 20, false},
    {2021, "Place 12", 21, false},
    {2022, "Place 13", 22, false},
    {2023, "Place 14", 23, false},
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
