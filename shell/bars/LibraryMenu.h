// The library menu: the symbols of a library project (a project file the
// settings name) offered as pictures, one sub-menu per model of the library,
// with the switch between placing a symbol as a primitive or as a place. A
// chosen symbol becomes the current tool (11010 and up); the creation tool
// asks the menu for the symbol behind that tool.
#pragma once

#include "model/CommandIds.h"
#include <QMenu>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QImage;

namespace qm {

class CCASEDoc;
class Drawable;
class Model;
struct DocumentContext;

// The texts of the menu's fixed entries (strings 1 to 3): "Use As
// Primitive", "Use As Place", "Load Library..."; "" for any other number.
const char* LibraryString(int number);

// One model of the library: its symbols (the groups of its drawing, either
// the primitive or the place groups, whichever are more) as picture items
// in columns of eight, in the order of the drawing's columns.
class TLibMenu : public QMenu {
  public:
    static constexpr int kRowsPerColumn = 8;

    explicit TLibMenu(QWidget* parent = nullptr);

    // Collects and sorts the model's symbols and makes one item per symbol
    // with command firstId + index. Returns the number of items.
    int Build(int firstId, Model& model);

    int FirstId() const { return firstId_; }
    int Count() const { return static_cast<int>(Symbols().size()); }
    Model* LibraryModel() const { return model_; }
    bool HoldsPlaces() const { return !places_.empty(); }
    // The symbol of item index; null outside the list.
    Drawable* SymbolAt(int index) const;
    // The items in symbol order, each with its command id as data; item i
    // sits in column i / 8, row i % 8 of the grid.
    const std::vector<QAction*>& Items() const { return items_; }
    QWidget* Grid() const { return grid_; }

    // The size of an item: place symbols 140 by 114, primitives 70 by 64.
    static QSize ItemSize(bool places);
    // The picture of a symbol filling an item of that size: a place's
    // master named in bold across the top and the symbol scaled to fit the
    // rest; a primitive at its own size, centred.
    static QImage Picture(Drawable& symbol, bool place, QSize size);
    // The name an item is announced by: the place's master, the text of a
    // primitive group, else "Symbol <n>".
    static std::string SymbolName(Drawable& symbol, int index);

    std::function<void(int id)> onCommand;

  private:
    const std::vector<Drawable*>& Symbols() const {
        return places_.empty() ? primitives_ : places_;
    }

    int firstId_ = 0;
    Model* model_ = nullptr;
    std::vector<Drawable*> primitives_;
    std::vector<Drawable*> places_;
    std::vector<QAction*> items_;
    QWidget* grid_ = nullptr;
};

// Sorts symbols by the columns of their drawing, left to right, and top to
// bottom within a column (a neighbour swap while the first lies after the
// second).
void SortSymbols(std::vector<Drawable*>& symbols);

class LibraryMenu {
  public:
    static constexpr int kFirstSymbolId = cmd::FirstLibrarySymbol;
    static constexpr int kLastSymbolId = cmd::LastLibrarySymbol;
    // The fixed entries before the sub-menus (three items and a separator).
    static constexpr int kFixedItems = 4;

    // Builds the fixed entries and loads the library at path (none when empty).
    LibraryMenu(DocumentContext& context, const std::string& path);
    virtual ~LibraryMenu();
    LibraryMenu(const LibraryMenu&) = delete;
    LibraryMenu& operator=(const LibraryMenu&) = delete;

    // Loads the library at path: nothing when that library is loaded
    // already; otherwise the old one goes and the new one is read into a
    // hidden document. A file that cannot be opened or read leaves the
    // greyed entry "Can't open <path>".
    void Load(const std::string& path);
    // Removes the sub-menus and every entry after the fixed ones.
    void Clear();

    // The sub-menu whose commands hold command; null when none does.
    TLibMenu* FindSubmenu(int command) const;
    // The symbol and the library model behind a command; null outside every sub-menu.
    Drawable* GetSymbolForCommand(int command) const;
    Model* GetModelForCommand(int command) const;

    // 0: a symbol is placed as a primitive ("Use As Primitive"); 1 as a place.
    int Mode() const { return symbolsAsPlaces_; }
    // Sets the mode and checks its entry.
    void SetMode(int mode);

    // The library's document (null until one is loaded) and its path.
    CCASEDoc* Document() const { return document_.get(); }
    const std::string& Path() const { return path_; }
    QMenu& Menu() { return *menu_; }
    const std::vector<std::unique_ptr<TLibMenu>>& Submenus() const { return submenus_; }
    QAction* Entry(int command) const;

    // Where a chosen entry or symbol goes, by its command id.
    std::function<void(int id)> onCommand;

  private:
    void Run(int id);

    DocumentContext& context_;
    std::unique_ptr<QMenu> menu_;
    std::unique_ptr<CCASEDoc> document_;
    std::vector<std::unique_ptr<TLibMenu>> submenus_;
    std::string path_;
    int symbolsAsPlaces_ = 1;
};

} // namespace qm
