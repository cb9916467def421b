// The colour and line style pop-up menus: swatches and line pictures as the
// items' icons, with the names of the colours and line kinds as their texts.
#include "shell/commands/ColorMenus.h"

#include "drawables/Looks.h"
#include "platform/Colors.h"
#include "platform/DeviceContext.h"

#include <QAction>
#include <QGridLayout>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>
#include <QWidgetAction>

#include <array>

namespace qm {

namespace {

// The names of the colour codes, as the status line and assistive
// technology announce them. The fixed light colours have no name of their
// own; their RGB value tells them apart.
std::string ColorName(uint32_t code) {
    if (const char* name = ColorCodeName(code))
        return name;
    if (code == kColorCodeNone)
        return "None";
    if (code == kColorCodeInherit)
        return "Auto";
    if (code == kColorCodeMore)
        return "More";
    const COLORREF c = ColorFromCode(code);
    return QString::asprintf("#%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c))
        .toStdString();
}

// A colour item: the swatch (or the word for none, auto and more), framed
// in black when it is the current code.
QIcon Swatch(uint32_t code, bool current) {
    QPixmap pixmap(23, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    const QRect rect(2, 2, 19, 12);
    if (code == kColorCodeNone || code == kColorCodeInherit || code == kColorCodeMore) {
        painter.fillRect(rect, Qt::white);
        QFont font = painter.font();
        font.setPixelSize(8);
        painter.setFont(font);
        painter.setPen(Qt::black);
        painter.drawText(rect, Qt::AlignCenter, QString::fromStdString(ColorName(code)));
    } else {
        const COLORREF c = ColorFromCode(code);
        painter.fillRect(rect, QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
        if (code == kColorCodeSystem) {
            painter.setPen(Qt::black);
            for (int k = 1; k < rect.width() / 5; ++k)
                painter.drawLine(rect.left() + 5 * k, rect.top(), rect.left() + 5 * k,
                                 rect.bottom());
            for (int k = 1; k < rect.height() / 5; ++k)
                painter.drawLine(rect.left(), rect.top() + 5 * k, rect.right(), rect.top() + 5 * k);
        }
    }
    if (current) {
        painter.setPen(QPen(Qt::black, 1));
        painter.drawRect(rect.adjusted(-2, -2, 1, 1));
    }
    return QIcon(pixmap);
}

QIcon LinePicture(int kind, bool current) {
    QPixmap pixmap(TLineMenu::kPictureWidth, TLineMenu::kPictureHeight);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    QPen pen(Qt::black, LineKindPenWidth(kind));
    switch (LineKindPenStyle(kind)) {
    case PS_DASH:
        pen.setStyle(Qt::DashLine);
        break;
    case PS_DOT:
        pen.setStyle(Qt::DotLine);
        break;
    case PS_DASHDOT:
        pen.setStyle(Qt::DashDotLine);
        break;
    case PS_DASHDOTDOT:
        pen.setStyle(Qt::DashDotDotLine);
        break;
    default:
        break;
    }
    painter.setPen(pen);
    painter.drawLine(5, 7, 45, 7);
    if (current) {
        painter.setPen(QPen(QColor(0, 120, 215), 1));
        painter.drawRect(QRect(1, 1, 48, 12));
    }
    return QIcon(pixmap);
}

const char* LineName(int kind) {
    static constexpr std::array<const char*, TLineMenu::kItemCount> names = {
        "Dash",    "Dot",     "DashDot", "DashDotDot", "Solid 1", "Solid 2",
        "Solid 3", "Solid 4", "Solid 5", "Solid 6",    "Solid 7", "Solid 8"};
    return names[static_cast<size_t>(kind)];
}

} // namespace

// ---- colours ----

TColorMenu::TColorMenu(QWidget* parent) : QMenu(parent) {
    grid_ = new QWidget(this);
    auto* layout = new QGridLayout(grid_);
    layout->setSpacing(0);
    layout->setContentsMargins(2, 2, 2, 2);
    for (int i = 0; i < kItemCount; ++i) {
        const uint32_t code = static_cast<uint32_t>(i);
        auto* item = new QAction(QString::fromStdString(ColorName(code)), grid_);
        item->setData(cmd::FirstColor + i);
        connect(item, &QAction::triggered, this, [this, i] {
            close();
            if (onCommand)
                onCommand(cmd::FirstColor + i);
        });
        auto* button = new QToolButton(grid_);
        button->setDefaultAction(item);
        button->setAutoRaise(true);
        button->setIconSize(QSize(23, 16));
        button->setAccessibleName(item->text());
        layout->addWidget(button, i % kRows, i / kRows);
        items_.push_back(item);
    }
    auto* holder = new QWidgetAction(this);
    holder->setDefaultWidget(grid_);
    addAction(holder);
    Redraw();
}

uint32_t TColorMenu::IndexOfCommand(int id) {
    if (id < cmd::FirstColor || id >= cmd::FirstColor + kItemCount)
        return 0;
    return static_cast<uint32_t>(id - cmd::FirstColor);
}

void TColorMenu::SetCurrent(uint32_t value, bool isCommand) {
    current_ = isCommand ? IndexOfCommand(static_cast<int>(value)) : value;
    Redraw();
}

void TColorMenu::Redraw() {
    for (size_t i = 0; i < items_.size(); ++i)
        items_[i]->setIcon(Swatch(static_cast<uint32_t>(i), current_ == i));
}

// ---- line kinds ----

TLineMenu::TLineMenu(QWidget* parent) : QMenu(parent) {
    // A plain menu row would shrink the 50 x 14 picture to the style's icon
    // size, where the dashed kinds look alike: each row is a button that
    // shows its picture at full size.
    for (int kind = 0; kind < kItemCount; ++kind) {
        auto* item = new QWidgetAction(this);
        item->setText(QString::fromUtf8(LineName(kind)));
        const int id = static_cast<int>(LineKindTable[kind].command);
        item->setData(id);
        connect(item, &QAction::triggered, this, [this, id] {
            close();
            if (onCommand)
                onCommand(id);
        });
        auto* button = new QToolButton(this);
        button->setDefaultAction(item);
        button->setAutoRaise(true);
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setIconSize(QSize(kPictureWidth, kPictureHeight));
        button->setAccessibleName(item->text());
        item->setDefaultWidget(button);
        addAction(item);
    }
    Redraw();
}

int TLineMenu::IndexOfCommand(int id) {
    for (int kind = 0; kind < kItemCount; ++kind)
        if (static_cast<int>(LineKindTable[kind].command) == id)
            return kind;
    return 0;
}

void TLineMenu::SetCurrent(int value, bool isCommand) {
    current_ = isCommand ? IndexOfCommand(value) : value;
    Redraw();
}

void TLineMenu::Redraw() {
    const QList<QAction*> items = actions();
    for (int kind = 0; kind < items.size(); ++kind)
        items[kind]->setIcon(LinePicture(kind, kind == current_));
}

} // namespace qm
