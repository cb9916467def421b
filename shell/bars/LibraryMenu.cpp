// The library menu and its sub-menus: reading the library project into a
// hidden document, collecting and sorting each model's symbols, and drawing
// them as the items' pictures.
#include "shell/bars/LibraryMenu.h"

#include "document/CCASEDoc.h"
#include "document/ProjectFile.h"
#include "drawables/Drawable.h"
#include "drawables/Model.h"
#include "drawables/Place.h"
#include "drawables/PrimitiveGroup.h"
#include "drawables/Primitives.h"
#include "model/Master.h"
#include "platform/Files.h"
#include "platform/Format.h"
#include "platform/PainterDC.h"
#include "platform/UserSettings.h"

#include <QAction>
#include <QGridLayout>
#include <QImage>
#include <QPainter>
#include <QPixmap>
#include <QToolButton>
#include <QWidgetAction>

#include <algorithm>

namespace qm {

namespace {

// The settings while a symbol is drawn into the menu: no group highlight
// and no shadows, whatever the user chose.
class MenuDrawingSettings : public UserSettings {
  public:
    explicit MenuDrawingSettings(const UserSettings& user) : user_(user) {}
    uint32_t OptionWord() const override {
        return user_.OptionWord() & ~uint32_t(HighlightGroups | ShadowPlaces);
    }
    uint32_t SettingWord() const override { return user_.SettingWord(); }
    int32_t SnapSize() const override { return user_.SnapSize(); }

  private:
    const UserSettings& user_;
};

// The master a place symbol stands for; null for a primitive.
Master* MasterOf(Drawable& symbol) {
    auto* place = dynamic_cast<Place*>(&symbol);
    return place != nullptr ? place->master : nullptr;
}

// -1 when a comes before b in the drawing's columns, 1 after, 0 when they overlap.
int CompareSymbols(const Drawable& a, const Drawable& b) {
    if (a.bounds.right < b.bounds.left)
        return -1;
    if (a.bounds.left > b.bounds.right)
        return 1;
    if (a.bounds.bottom < b.bounds.top)
        return -1;
    if (a.bounds.top > b.bounds.bottom)
        return 1;
    return 0;
}

// Keeps a place's flags as they were after the menu drew it.
class PlaceFlagsForMenu {
  public:
    explicit PlaceFlagsForMenu(Place* place) : place_(place) {
        if (place_ == nullptr)
            return;
        saved_ = place_->placeFlags;
        place_->placeFlags = (saved_ & ~uint32_t(0x8)) | 0x10;
    }
    ~PlaceFlagsForMenu() {
        if (place_ != nullptr)
            place_->placeFlags = saved_;
    }
    PlaceFlagsForMenu(const PlaceFlagsForMenu&) = delete;
    PlaceFlagsForMenu& operator=(const PlaceFlagsForMenu&) = delete;

  private:
    Place* place_;
    uint32_t saved_ = 0;
};

} // namespace

const char* LibraryString(int number) {
    switch (number) {
    case 1:
        return "Use As Primitive";
    case 2:
        return "Use As Place";
    case 3:
        return "Load Library...";
    default:
        return "";
    }
}

void SortSymbols(std::vector<Drawable*>& symbols) {
    // The comparison is no strict order (overlapping symbols compare equal),
    // so the passes are bounded rather than repeated until nothing moves.
    const size_t count = symbols.size();
    for (size_t pass = 1; pass < count; ++pass)
        for (size_t i = 0; i + pass < count; ++i)
            if (CompareSymbols(*symbols[i], *symbols[i + 1]) > 0)
                std::swap(symbols[i], symbols[i + 1]);
}

// ---- one model's sub-menu ----

TLibMenu::TLibMenu(QWidget* parent) : QMenu(parent) {}

Drawable* TLibMenu::SymbolAt(int index) const {
    const std::vector<Drawable*>& symbols = Symbols();
    if (index < 0 || index >= static_cast<int>(symbols.size()))
        return nullptr;
    return symbols[static_cast<size_t>(index)];
}

QSize TLibMenu::ItemSize(bool places) {
    return places ? QSize(140, 114) : QSize(70, 64);
}

std::string TLibMenu::SymbolName(Drawable& symbol, int index) {
    if (Master* master = MasterOf(symbol); master != nullptr && !master->name.empty())
        return master->name;
    if (auto* group = dynamic_cast<PrimitiveGroup*>(&symbol))
        if (const auto* text = dynamic_cast<const TextPrimitive*>(group->FindTextMember());
            text != nullptr && !text->text.empty())
            return text->text;
    return Format("Symbol %d", index + 1);
}

QImage TLibMenu::Picture(Drawable& symbol, bool place, QSize size) {
    QImage image(size.expandedTo(QSize(1, 1)), QImage::Format_RGB32);
    image.fill(Qt::white);
    CRect rect(2, 2, image.width() - 2, image.height() - 2);
    PainterDC dc(&image);
    if (place) {
        // The master's name across the top, in bold.
        QPainter& painter = dc.Painter();
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(11);
        painter.setFont(font);
        painter.setPen(Qt::black);
        Master* master = MasterOf(symbol);
        painter.drawText(QRect(rect.left, rect.top, rect.Width(), 14), Qt::AlignCenter,
                         QString::fromStdString(master != nullptr ? master->name : ""));
        rect.top += 14;
    }
    const double width = std::max(1, symbol.bounds.Width());
    const double height = std::max(1, symbol.bounds.Height());
    const double scale = place ? std::min(rect.Width() / width, rect.Height() / height) : 1.0;
    // Centred along the axis that has room to spare.
    const int left = rect.left + static_cast<int>((rect.Width() - width * scale) / 2);
    const int top = rect.top + static_cast<int>((rect.Height() - height * scale) / 2);
    dc.SetViewportOrg(CPoint(left - static_cast<int>(symbol.bounds.left * scale),
                             top - static_cast<int>(symbol.bounds.top * scale)));
    MenuDrawingSettings settings(Settings());
    ScopedInstall<const UserSettings> installed(&settings);
    PlaceFlagsForMenu flags(place ? dynamic_cast<Place*>(&symbol) : nullptr);
    symbol.Draw(dc, &symbol.looks, scale, nullptr, nullptr, 0);
    return image;
}

int TLibMenu::Build(int firstId, Model& model) {
    firstId_ = firstId;
    model_ = &model;
    primitives_.clear();
    places_.clear();
    for (const auto& drawable : model.Drawables()) {
        if (!drawable->IsGroup())
            continue;
        (drawable->IsPrimitive() ? primitives_ : places_).push_back(drawable.get());
    }
    // One kind of symbol a model: the more numerous, places on a tie.
    if (places_.size() >= primitives_.size())
        primitives_.clear();
    else
        places_.clear();
    std::vector<Drawable*>& kept = places_.empty() ? primitives_ : places_;
    SortSymbols(kept);

    setTitle(QString::fromStdString(model.name));
    setWindowTitle(title());
    const bool asPlaces = HoldsPlaces();
    const QSize size = ItemSize(asPlaces);
    grid_ = new QWidget(this);
    auto* layout = new QGridLayout(grid_);
    layout->setSpacing(0);
    layout->setContentsMargins(2, 2, 2, 2);
    for (size_t i = 0; i < kept.size(); ++i) {
        const int index = static_cast<int>(i);
        const int id = firstId + index;
        const QString name = QString::fromStdString(SymbolName(*kept[i], index));
        auto* item = new QAction(name, grid_);
        item->setData(id);
        item->setIcon(QIcon(QPixmap::fromImage(Picture(*kept[i], asPlaces, size))));
        connect(item, &QAction::triggered, this, [this, id] {
            hide();
            if (onCommand)
                onCommand(id);
        });
        auto* button = new QToolButton(grid_);
        button->setDefaultAction(item);
        button->setAutoRaise(true);
        button->setIconSize(size);
        button->setAccessibleName(name);
        layout->addWidget(button, index % kRowsPerColumn, index / kRowsPerColumn);
        items_.push_back(item);
    }
    auto* holder = new QWidgetAction(this);
    holder->setDefaultWidget(grid_);
    addAction(holder);
    setEnabled(!kept.empty());
    return static_cast<int>(kept.size());
}

// ---- the menu ----

LibraryMenu::LibraryMenu(DocumentContext& context, const std::string& path)
    : context_(context), menu_(std::make_unique<QMenu>("User-defined Library")) {
    menu_->setObjectName("Library");
    // The pop-up windows carry names, as assistive technology announces them.
    menu_->setWindowTitle(menu_->title());
    for (int number = 1; number <= 3; ++number) {
        const int id = cmd::LibraryUseAsPrimitive + number - 1;
        QAction* entry = menu_->addAction(LibraryString(number));
        entry->setData(id);
        entry->setCheckable(id != cmd::LibraryLoad);
        QObject::connect(entry, &QAction::triggered, [this, id] { Run(id); });
    }
    menu_->addSeparator();
    SetMode(symbolsAsPlaces_);
    Load(path);
}

LibraryMenu::~LibraryMenu() {
    Clear();
    if (document_ != nullptr)
        document_->OnCloseDocument();
}

void LibraryMenu::Run(int id) {
    // A chosen entry closes the whole menu, as a menu item does.
    for (const auto& submenu : submenus_)
        submenu->hide();
    menu_->hide();
    if (onCommand)
        onCommand(id);
}

QAction* LibraryMenu::Entry(int command) const {
    for (QAction* action : menu_->actions())
        if (action->data().isValid() && action->data().toInt() == command)
            return action;
    return nullptr;
}

void LibraryMenu::SetMode(int mode) {
    symbolsAsPlaces_ = mode;
    if (QAction* primitive = Entry(cmd::LibraryUseAsPrimitive))
        primitive->setChecked(mode == 0);
    if (QAction* place = Entry(cmd::LibraryUseAsPlace))
        place->setChecked(mode > 0);
}

void LibraryMenu::Clear() {
    const QList<QAction*> entries = menu_->actions();
    for (int i = kFixedItems; i < entries.size(); ++i) {
        menu_->removeAction(entries[i]);
        if (entries[i]->parent() == menu_.get())
            delete entries[i];
    }
    submenus_.clear();
}

void LibraryMenu::Load(const std::string& path) {
    if (document_ != nullptr && !document_->GetPathName().empty() && path == path_)
        return;
    Clear();
    if (document_ != nullptr)
        document_->OnCloseDocument();
    document_.reset();
    path_ = path;
    if (path.empty())
        return;
    document_ = std::make_unique<CCASEDoc>(context_, true);
    auto cannotOpen = [&] {
        // An unreadable library leaves an empty hidden document behind.
        document_->OnCloseDocument();
        document_ = std::make_unique<CCASEDoc>(context_, true);
        QAction* entry =
            menu_->addAction(QString::fromStdString(Format("Can't open %s", path.c_str())));
        entry->setEnabled(false);
    };
    const std::optional<std::string> text = ReadWholeFile(path, kMaxProjectFileBytes);
    if (!text) {
        cannotOpen();
        return;
    }
    try {
        ScopedLibraryLoad reading(context_);
        document_->LoadText(*text);
    } catch (const std::exception&) {
        cannotOpen();
        return;
    }
    document_->SetPathName(path);

    int nextId = kFirstSymbolId;
    std::vector<TLibMenu*> placeMenus;
    for (size_t i = 0; i < document_->ModelCount(); ++i) {
        Model* model = document_->GetModelAt(i);
        if (model == nullptr)
            continue;
        auto submenu = std::make_unique<TLibMenu>();
        // Ids past the last symbol command would reach other commands: the
        // models beyond it are left out.
        const int count = submenu->Build(nextId, *model);
        if (nextId + count - 1 > kLastSymbolId)
            break;
        nextId += count;
        submenu->onCommand = [this](int id) { Run(id); };
        if (submenu->HoldsPlaces())
            placeMenus.push_back(submenu.get());
        else
            menu_->addMenu(submenu.get());
        submenus_.push_back(std::move(submenu));
    }
    if (placeMenus.empty())
        return;
    menu_->addSeparator();
    for (TLibMenu* submenu : placeMenus)
        menu_->addMenu(submenu);
}

TLibMenu* LibraryMenu::FindSubmenu(int command) const {
    for (const auto& submenu : submenus_)
        if (command >= submenu->FirstId() && command < submenu->FirstId() + submenu->Count())
            return submenu.get();
    return nullptr;
}

Drawable* LibraryMenu::GetSymbolForCommand(int command) const {
    TLibMenu* submenu = FindSubmenu(command);
    return submenu != nullptr ? submenu->SymbolAt(command - submenu->FirstId()) : nullptr;
}

Model* LibraryMenu::GetModelForCommand(int command) const {
    TLibMenu* submenu = FindSubmenu(command);
    return submenu != nullptr ? submenu->LibraryModel() : nullptr;
}

} // namespace qm
