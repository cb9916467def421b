// The colour and line style pop-up menus of a project window: 36 colour
// codes as swatches in 4 columns of 9, and the 12 line kinds each drawn as
// its line. A chosen item goes to the menu's command callback by its id.
#pragma once

#include "model/CommandIds.h"
#include <QMenu>

#include <cstdint>
#include <functional>
#include <vector>

class QAction;
class QWidget;

namespace qm {

class TColorMenu : public QMenu {
  public:
    static constexpr int kItemCount = 36;
    static constexpr int kRows = 9;

    explicit TColorMenu(QWidget* parent = nullptr);

    // The code of a colour command; 0 for a command outside the menu.
    static uint32_t IndexOfCommand(int id);
    // The current code: value itself, or the code of command value.
    void SetCurrent(uint32_t value, bool isCommand);
    uint32_t Current() const { return current_; }
    // The items in code order, each with its command id as data; item i sits
    // in column i / 9, row i % 9 of the grid.
    const std::vector<QAction*>& Items() const { return items_; }
    QWidget* Grid() const { return grid_; }

    std::function<void(int id)> onCommand;

  private:
    void Redraw();

    uint32_t current_ = 0;
    std::vector<QAction*> items_;
    QWidget* grid_ = nullptr;
};

class TLineMenu : public QMenu {
  public:
    static constexpr int kItemCount = 12;
    // The size of a line kind's picture, which its row shows unscaled.
    static constexpr int kPictureWidth = 50;
    static constexpr int kPictureHeight = 14;

    explicit TLineMenu(QWidget* parent = nullptr);

    // The line kind of a line style command; 0 for a command outside the menu.
    static int IndexOfCommand(int id);
    void SetCurrent(int value, bool isCommand);
    int Current() const { return current_; }

    std::function<void(int id)> onCommand;

  private:
    void Redraw();

    int current_ = 4;
};

} // namespace qm
