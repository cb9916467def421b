// The pop-up grids of tools that drop down from the tool bars: the tool
// palette (the template's base tools in columns, their variants below) and
// the two picker palettes (junction tools 400-405, icon tools 500-523). The
// grid arithmetic is kept apart from the widgets so it can be checked alone.
#pragma once

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

namespace qm {

class NotationTemplate;

// Cells: 24 x 23 pitch, pictures 16 x 15 at (4 + 24 c, 4 + 23 r).
struct PaletteGrid {
    int columns = 0;
    int rows = 0;
    QSize WindowSize() const;
    QRect PictureRect(int row, int column) const;
    // The cell under a point, or false outside every cell (the margins
    // right of the last column and below the last row included).
    bool CellAt(QPoint point, int& row, int& column) const;
};

// Kind 48: six junction tools in one column; kind 49: 24 icon tools in six
// columns of four rows; kind 35: the ten form-design control tools (35 to
// 44) in five columns of two rows.
PaletteGrid PickerGrid(int kind);
inline constexpr int kControlPicker = 35;
// The names of the control tools 35 to 44, in tool order.
const std::vector<std::string>& ControlToolNames();
// The tool a picker cell stands for.
int PickerToolAt(int kind, const PaletteGrid& grid, int row, int column);

// A tool as the tool palette sees it.
struct PaletteTool {
    int id = 0;
    int baseId = -1; // -1 for a base tool
    bool hidden = false;
    bool link = false;
    int iconSlot = 0;
    std::string name;
    std::string description;
};
// The template's tools of one family (links or places), in template order.
std::vector<PaletteTool> CollectPaletteTools(const NotationTemplate& notation, bool links);
// The grid for baseId (-1: every base tool in its own column with its
// variants below; else one column of that tool and its variants). Hidden
// tools are left out.
PaletteGrid ToolPaletteGrid(const std::vector<PaletteTool>& tools, int baseId);
// The tool in a cell, or null.
const PaletteTool* ToolPaletteAt(const std::vector<PaletteTool>& tools, int baseId, int row,
                                 int column);

// The common widget: a frameless pop-up that paints its cells, tracks the
// hovered cell and, on release over a cell, calls chosen with its tool. It
// opens over the tool-bar button that asked for it, so that a click where
// the button is lands on the button's own tool in the first cell.
class PaletteWindow : public QWidget {
  public:
    explicit PaletteWindow(QWidget* owner);

    std::function<void(int tool)> chosen;
    std::function<void(const std::string& text)> statusText;
    // The pop-up holds the mouse: a move with no button held that leaves
    // its cells is handed on (global point), so that the owner can open the
    // palette of another button there or close this one.
    std::function<void(QPoint global)> movedOutside;
    int HoverRow() const { return hoverRow_; }
    int HoverColumn() const { return hoverColumn_; }
    // Shows the palette over the button's rectangle (screen coordinates).
    void ShowOver(const QRect& button);
    // The rectangle of the button that opened the palette.
    QRect Opener() const { return opener_; }
    // Whether the palette stays open with the mouse at a global point: on
    // its client area (the bottom 2 pixels left out, then grown by 8
    // horizontally and 2 vertically) or on the button that opened it.
    bool KeepsOpenAt(QPoint global) const;

  protected:
    virtual int ToolAtCell(int row, int column) const = 0;
    virtual std::string CellName(int row, int column) const = 0;
    virtual std::string CellStatus(int row, int column) const { return CellName(row, column); }
    // The cell's picture; a letter glyph of its name unless overridden.
    virtual QPixmap CellPicture(int row, int column) const;
    void SetGrid(const PaletteGrid& grid);

    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

    PaletteGrid grid_;
    QRect opener_;
    int hoverRow_ = -1;
    int hoverColumn_ = -1;
    bool pressed_ = false;
};

class PickerPalette : public PaletteWindow {
  public:
    explicit PickerPalette(QWidget* owner) : PaletteWindow(owner) {}
    // Kind 48 (junctions), 49 (icons) or 35 (controls); clears hover and
    // pressed.
    void Open(int kind);
    int Kind() const { return kind_; }

  protected:
    int ToolAtCell(int row, int column) const override;
    std::string CellName(int row, int column) const override;
    QPixmap CellPicture(int row, int column) const override;

  private:
    int kind_ = 48;
};

class ToolPalette : public PaletteWindow {
  public:
    explicit ToolPalette(QWidget* owner) : PaletteWindow(owner) {}
    // The family's tools for baseId (-1: all base tools).
    void Open(const NotationTemplate& notation, int baseId, bool links);
    const std::vector<PaletteTool>& Tools() const { return tools_; }

  protected:
    int ToolAtCell(int row, int column) const override;
    std::string CellName(int row, int column) const override;
    std::string CellStatus(int row, int column) const override;
    // The tool's 16 x 15 icon from the template's icon strip.
    QPixmap CellPicture(int row, int column) const override;

  private:
    std::vector<PaletteTool> tools_;
    QPixmap icons_;
    int baseId_ = -1;
};

} // namespace qm
