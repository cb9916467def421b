// CObjPage5 "Tools": the tool mask of a diagram type.
#include "dialogs/sheets/ToolsPage.h"
#include "dialogs/model/DialogServices.h"

#include "document/CCASEDoc.h"
#include "drawables/NotationTemplate.h"
#include "drawables/ToolModel.h"
#include "platform/Format.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace qm {

namespace {

constexpr int kBuiltinTools = 24;
constexpr int kToolRole = Qt::UserRole;

QListWidget* ToolList(QWidget* parent, const char* name) {
    auto* list = new QListWidget(parent);
    list->setSortingEnabled(true);
    list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list->setAccessibleName(QString::fromLatin1(name));
    return list;
}

} // namespace

CObjPage5::CObjPage5(CObjSheet& sheet) : SheetPage(sheet, QStringLiteral("Tools")) {
    available = ToolList(this, "Available");
    selected = ToolList(this, "Selected");
    addButton = new QPushButton(QStringLiteral(">>"), this);
    removeButton = new QPushButton(QStringLiteral("<<"), this);
    addAllButton = new QPushButton(QStringLiteral("All >>"), this);
    removeAllButton = new QPushButton(QStringLiteral("<< All"), this);
    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Available"), this), 0, 0);
    layout->addWidget(new QLabel(QStringLiteral("Selected"), this), 0, 2);
    layout->addWidget(available, 1, 0);
    auto* middle = new QVBoxLayout;
    middle->addStretch();
    for (QPushButton* button : {addButton, removeButton, addAllButton, removeAllButton})
        middle->addWidget(button);
    middle->addStretch();
    layout->addLayout(middle, 1, 1);
    layout->addWidget(selected, 1, 2);
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    buttons->addStretch();
    for (QPushButton* button : {ok, cancel, help})
        buttons->addWidget(button);
    layout->addLayout(buttons, 2, 0, 1, 3);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, [this] { sheet_.CloseSheet(true); });
    connect(help, &QPushButton::clicked, this,
            [] { ShowDialogHelp("Chapter8.html#DiagramTypeProperties"); });
    connect(cancel, &QPushButton::clicked, this, [this] { sheet_.CloseSheet(false); });
    connect(addButton, &QPushButton::clicked, this, [this] { Move(true); });
    connect(removeButton, &QPushButton::clicked, this, [this] { Move(false); });
    connect(addAllButton, &QPushButton::clicked, this, [this] { MoveAll(true); });
    connect(removeAllButton, &QPushButton::clicked, this, [this] { MoveAll(false); });
    connect(available, &QListWidget::itemDoubleClicked, this, [this] { Move(true); });
    connect(selected, &QListWidget::itemDoubleClicked, this, [this] { Move(false); });
    for (QListWidget* list : {available, selected})
        connect(list, &QListWidget::itemSelectionChanged, this, &CObjPage5::UpdateButtons);
}

void CObjPage5::LoadPage() {
    available->clear();
    selected->clear();
    auto* type = dynamic_cast<DiagramType*>(sheet_.WorkingCopy());
    CCASEDoc* document = sheet_.Document();
    if (type == nullptr || document == nullptr) {
        UpdateButtons();
        return;
    }
    for (int id = 0; id < kBuiltinTools; ++id) {
        ToolModel* tool = document->FindTool(id);
        if (tool == nullptr)
            continue;
        const bool link = tool->IsLinkTool();
        const std::string text =
            Format("%c%02d: %s", link ? 'L' : 'P', link ? id + 1 : id - 9, tool->name.c_str());
        auto* item = new QListWidgetItem(QString::fromStdString(text));
        item->setData(kToolRole, id);
        ((type->toolMask & (1u << id)) != 0 ? selected : available)->addItem(item);
    }
    QListWidget* first = available->count() > 0 ? available : selected;
    if (first->count() > 0)
        first->item(0)->setSelected(true);
    UpdateButtons();
}

void CObjPage5::Move(bool toSelected) {
    auto* type = dynamic_cast<DiagramType*>(sheet_.WorkingCopy());
    if (type == nullptr)
        return;
    QListWidget* from = toSelected ? available : selected;
    QListWidget* to = toSelected ? selected : available;
    const QList<QListWidgetItem*> items = from->selectedItems();
    to->clearSelection();
    for (QListWidgetItem* item : items) {
        const int id = item->data(kToolRole).toInt();
        const uint32_t bit = 1u << (id % 32);
        type->toolMask = toSelected ? (type->toolMask | bit) : (type->toolMask & ~bit);
        QListWidgetItem* moved = from->takeItem(from->row(item));
        to->addItem(moved);
        moved->setSelected(true);
    }
    UpdateButtons();
}

void CObjPage5::MoveAll(bool toSelected) {
    QListWidget* from = toSelected ? available : selected;
    for (int i = 0; i < from->count(); ++i)
        from->item(i)->setSelected(true);
    Move(toSelected);
}

void CObjPage5::UpdateButtons() {
    addButton->setEnabled(!available->selectedItems().isEmpty());
    removeButton->setEnabled(!selected->selectedItems().isEmpty());
    addAllButton->setEnabled(available->count() > 0);
    removeAllButton->setEnabled(selected->count() > 0);
}

} // namespace qm
