// The palettes' grids and widgets.
#include "shell/bars/Palettes.h"

#include "drawables/NotationTemplate.h"
#include "drawables/ToolModel.h"
#include "shell/bars/TToolBar.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include <algorithm>

namespace qm {

namespace {
constexpr int kPitchX = 24;
constexpr int kPitchY = 23;
constexpr int kMargin = 4;
constexpr int kPictureWidth = 16;
constexpr int kPictureHeight = 15;

const char* const kJunctionNames[] = {"Junction 1", "Junction 2", "Junction 3",
                                      "Junction 4", "Junction 5", "Junction 6"};
} // namespace

QSize PaletteGrid::WindowSize() const {
    return QSize(columns > 0 ? kPitchX * columns + 6 : 0, rows > 0 ? kPitchY * rows + 6 : 0);
}

QRect PaletteGrid::PictureRect(int row, int column) const {
    return QRect(kMargin + kPitchX * column, kMargin + kPitchY * row, kPictureWidth,
                 kPictureHeight);
}

bool PaletteGrid::CellAt(QPoint point, int& row, int& column) const {
    if (point.x() < kMargin || point.y() < kMargin)
        return false;
    row = (point.y() - kMargin) / kPitchY;
    column = (point.x() - kMargin) / kPitchX;
    return row < rows && column < columns;
}

const std::vector<std::string>& ControlToolNames() {
    static const std::vector<std::string> names = {
        "Label",     "Edit Field",      "Combo Box", "Push Button", "Radio Button",
        "Check Box", "Multi-line Edit", "List Box",  "Group Box",   "Tab Control",
    };
    return names;
}

PaletteGrid PickerGrid(int kind) {
    if (kind == kControlPicker)
        return PaletteGrid{5, 2};
    const int count = kind == 49 ? 24 : 6;
    PaletteGrid grid;
    grid.columns = std::max(1, count / 4);
    grid.rows = (count + grid.columns - 1) / grid.columns;
    return grid;
}

int PickerToolAt(int kind, const PaletteGrid& grid, int row, int column) {
    const int first = kind == kControlPicker ? kControlPicker : kind == 49 ? 500 : 400;
    return row * grid.columns + column + first;
}

std::vector<PaletteTool> CollectPaletteTools(const NotationTemplate& notation, bool links) {
    std::vector<PaletteTool> tools;
    for (int i = 0; i < notation.ToolCount(); ++i) {
        const ToolModel* model = notation.ToolAt(i);
        if (model == nullptr || model->IsLinkTool() != links)
            continue;
        PaletteTool tool;
        tool.id = model->id;
        tool.baseId = model->baseId;
        tool.hidden = model->IsHidden();
        tool.link = links;
        tool.iconSlot = model->iconSlot;
        tool.name = model->name;
        tool.description = model->comment;
        tools.push_back(tool);
    }
    return tools;
}

PaletteGrid ToolPaletteGrid(const std::vector<PaletteTool>& tools, int baseId) {
    PaletteGrid grid;
    if (baseId < 0) {
        int variantsMost = 0;
        for (const PaletteTool& tool : tools) {
            if (tool.hidden || tool.baseId >= 0)
                continue;
            ++grid.columns;
            const int variants =
                static_cast<int>(std::count_if(tools.begin(), tools.end(), [&](const auto& t) {
                    return !t.hidden && t.baseId == tool.id;
                }));
            variantsMost = std::max(variantsMost, variants);
        }
        grid.rows = 1 + variantsMost;
        return grid;
    }
    grid.columns = 1;
    grid.rows = 1 + static_cast<int>(std::count_if(tools.begin(), tools.end(), [&](const auto& t) {
                    return !t.hidden && t.baseId == baseId;
                }));
    return grid;
}

const PaletteTool* ToolPaletteAt(const std::vector<PaletteTool>& tools, int baseId, int row,
                                 int column) {
    row = std::max(row, 0);
    if (baseId < 0) {
        int seen = 0;
        for (const PaletteTool& base : tools) {
            if (base.hidden || base.baseId >= 0 || seen++ != column)
                continue;
            if (row == 0)
                return &base;
            int variant = 0;
            for (const PaletteTool& tool : tools)
                if (!tool.hidden && tool.baseId == base.id && ++variant == row)
                    return &tool;
            return nullptr;
        }
        return nullptr;
    }
    int index = 0;
    for (const PaletteTool& tool : tools) {
        if (tool.hidden || (tool.baseId >= 0 && tool.baseId != baseId))
            continue;
        if (tool.baseId < 0 && tool.id != baseId)
            continue;
        if (index++ == row)
            return &tool;
    }
    return nullptr;
}

PaletteWindow::PaletteWindow(QWidget* owner) : QWidget(owner, Qt::Popup) {
    setMouseTracking(true);
}

void PaletteWindow::SetGrid(const PaletteGrid& grid) {
    grid_ = grid;
    hoverRow_ = hoverColumn_ = -1;
    pressed_ = false;
    setFixedSize(grid_.WindowSize());
    update();
}

void PaletteWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().button());
    for (int row = 0; row < grid_.rows; ++row)
        for (int column = 0; column < grid_.columns; ++column) {
            if (ToolAtCell(row, column) < 0)
                continue;
            const QRect picture = grid_.PictureRect(row, column);
            painter.drawPixmap(picture.topLeft(), CellPicture(row, column));
        }
    if (hoverRow_ < 0)
        return;
    // The hovered cell framed raised, sunken while pressed.
    const QRect frame = grid_.PictureRect(hoverRow_, hoverColumn_).adjusted(-3, -3, 3, 3);
    const QColor light = Qt::white;
    const QColor shadow = palette().dark().color();
    painter.setPen(pressed_ ? shadow : light);
    painter.drawLine(frame.topLeft(), frame.topRight());
    painter.drawLine(frame.topLeft(), frame.bottomLeft());
    painter.setPen(pressed_ ? light : shadow);
    painter.drawLine(frame.bottomLeft(), frame.bottomRight());
    painter.drawLine(frame.topRight(), frame.bottomRight());
}

void PaletteWindow::ShowOver(const QRect& button) {
    opener_ = button;
    move(button.topLeft());
    show();
}

bool PaletteWindow::KeepsOpenAt(QPoint global) const {
    const QRect client = QRect(mapToGlobal(QPoint(0, 0)), size()).adjusted(-8, -2, 8, 0);
    return client.contains(global) || opener_.contains(global);
}

void PaletteWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!pressed_ && !rect().contains(event->position().toPoint()) && movedOutside) {
        // Past the cells the mouse may be on another button of the bar.
        if (hoverRow_ >= 0) {
            hoverRow_ = hoverColumn_ = -1;
            update();
        }
        movedOutside(event->globalPosition().toPoint());
        return;
    }
    int row = -1;
    int column = -1;
    if (!grid_.CellAt(event->position().toPoint(), row, column) || ToolAtCell(row, column) < 0)
        row = column = -1;
    if (row != hoverRow_ || column != hoverColumn_) {
        hoverRow_ = row;
        hoverColumn_ = column;
        update();
        if (row >= 0 && statusText)
            statusText(CellStatus(row, column));
    }
}

void PaletteWindow::mousePressEvent(QMouseEvent* event) {
    pressed_ = true;
    mouseMoveEvent(event);
    update();
}

void PaletteWindow::mouseReleaseEvent(QMouseEvent* event) {
    pressed_ = false;
    mouseMoveEvent(event);
    const int row = hoverRow_;
    const int column = hoverColumn_;
    hide();
    // A release in the margins or outside chooses nothing.
    if (row >= 0 && chosen)
        chosen(ToolAtCell(row, column));
}

bool PaletteWindow::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        int row = -1;
        int column = -1;
        if (grid_.CellAt(help->pos(), row, column) && ToolAtCell(row, column) >= 0)
            QToolTip::showText(help->globalPos(), QString::fromStdString(CellName(row, column)),
                               this);
        else
            QToolTip::hideText();
        return true;
    }
    return QWidget::event(event);
}

QPixmap PaletteWindow::CellPicture(int row, int column) const {
    return ButtonGlyph(CellName(row, column)).pixmap(QSize(kPictureWidth, kPictureHeight));
}

QPixmap PickerPalette::CellPicture(int row, int column) const {
    const int tool = ToolAtCell(row, column);
    QPixmap picture = kind_ == kControlPicker ? StripPicture("controls", tool - kControlPicker)
                      : kind_ == 48           ? StripPicture("junctions", tool - 400)
                                              : StripPicture("icons", tool - 500);
    return picture.isNull() ? PaletteWindow::CellPicture(row, column) : picture;
}

void PickerPalette::Open(int kind) {
    kind_ = kind;
    setAccessibleName(kind == kControlPicker ? "Control Tools"
                      : kind == 49           ? "Icon Tools"
                                             : "Junction Tools");
    SetGrid(PickerGrid(kind));
}

int PickerPalette::ToolAtCell(int row, int column) const {
    return PickerToolAt(kind_, grid_, row, column);
}

std::string PickerPalette::CellName(int row, int column) const {
    const int tool = ToolAtCell(row, column);
    if (kind_ == kControlPicker)
        return ControlToolNames()[size_t(std::clamp(tool - kControlPicker, 0, 9))];
    if (kind_ == 48)
        return kJunctionNames[std::clamp(tool - 400, 0, 5)];
    return "Icon " + std::to_string(tool - 500 + 1);
}

void ToolPalette::Open(const NotationTemplate& notation, int baseId, bool links) {
    tools_ = CollectPaletteTools(notation, links);
    icons_ = StripPixmap(notation.toolBitmap);
    baseId_ = baseId;
    setAccessibleName(links ? "Link Tools" : "Place Tools");
    SetGrid(ToolPaletteGrid(tools_, baseId));
}

int ToolPalette::ToolAtCell(int row, int column) const {
    const PaletteTool* tool = ToolPaletteAt(tools_, baseId_, row, column);
    return tool != nullptr ? tool->id : -1;
}

std::string ToolPalette::CellName(int row, int column) const {
    const PaletteTool* tool = ToolPaletteAt(tools_, baseId_, row, column);
    return tool != nullptr ? tool->name : std::string();
}

QPixmap ToolPalette::CellPicture(int row, int column) const {
    const PaletteTool* tool = ToolPaletteAt(tools_, baseId_, row, column);
    if (tool == nullptr || tool->iconSlot < 0 ||
        kPictureWidth * (tool->iconSlot + 1) > icons_.width() || icons_.height() < kPictureHeight)
        return PaletteWindow::CellPicture(row, column);
    return icons_.copy(kPictureWidth * tool->iconSlot, 0, kPictureWidth, kPictureHeight);
}

std::string ToolPalette::CellStatus(int row, int column) const {
    const PaletteTool* tool = ToolPaletteAt(tools_, baseId_, row, column);
    return tool != nullptr ? tool->name + ": " + tool->description : std::string();
}

} // namespace qm
