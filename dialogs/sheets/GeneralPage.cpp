// CObjPage1 "General": load, store, captions and the tool switching.
#include "dialogs/sheets/GeneralPage.h"
#include "dialogs/model/DialogServices.h"

#include "dialogs/sheets/ParamsDialog.h"
#include "dialogs/sheets/SheetWidgets.h"
#include "document/CCASEDoc.h"
#include "drawables/Link.h"
#include "drawables/Model.h"
#include "drawables/NotationTemplate.h"
#include "drawables/Place.h"
#include "drawables/Primitives.h"
#include "drawables/Tag.h"
#include "drawables/ToolModel.h"
#include "platform/PathHelpers.h"
#include "platform/TextHelpers.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

namespace qm {

namespace {

const char* const kTextKinds[] = {"Plain", "For Details", "For Parameters"};

ToolModel* ToolOf(MasterTool* tool) {
    return dynamic_cast<ToolModel*>(tool);
}

bool HasSemantics(MasterTool* tool, int semantics) {
    ToolModel* model = ToolOf(tool);
    return model != nullptr && model->Semantics() == semantics;
}

void SetBit(uint32_t& word, uint32_t bit, bool on) {
    word = on ? (word | bit) : (word & ~bit);
}

} // namespace

CObjPage1::CObjPage1(CObjSheet& sheet) : SheetPage(sheet, QStringLiteral("General")) {
    Layout();
}

void CObjPage1::Layout() {
    auto* grid = new QGridLayout(this);
    int row = 0;
    auto addRow = [&](QLabel* label, QWidget* field) {
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1, 1, 3);
        label->setBuddy(field);
        ++row;
    };
    nameLabel_ = new QLabel(QStringLiteral("Name:"), this);
    name = EditableCombo(this, "Name:");
    addRow(nameLabel_, name);
    kindLabel_ = new QLabel(QStringLiteral("Kind:"), this);
    kind = new QComboBox(this);
    kind->setAccessibleName(QStringLiteral("Kind:"));
    addRow(kindLabel_, kind);
    label1182_ = new QLabel(QStringLiteral("Nm'space:"), this);
    auto* line1182 = new QWidget(this);
    auto* box1182 = new QHBoxLayout(line1182);
    box1182->setContentsMargins(0, 0, 0, 0);
    semantics = new QComboBox(line1182);
    semantics->setAccessibleName(QStringLiteral("Semantics:"));
    nameSpace = EditableCombo(line1182, "Nm'space:");
    type = EditableCombo(line1182, "Type:");
    box1182->addWidget(semantics);
    box1182->addWidget(nameSpace);
    box1182->addWidget(type);
    addRow(label1182_, line1182);
    stereotypeLabel_ = new QLabel(QStringLiteral("Stereotype:"), this);
    auto* lineStereo = new QWidget(this);
    auto* boxStereo = new QHBoxLayout(lineStereo);
    boxStereo->setContentsMargins(0, 0, 0, 0);
    graphical = new QCheckBox(QStringLiteral("&Graphical"), lineStereo);
    graphicalList = new QComboBox(lineStereo);
    graphicalList->setAccessibleName(QStringLiteral("Graphical stereotype"));
    stereotype = EditableCombo(lineStereo, "Stereotype:");
    boxStereo->addWidget(graphical);
    boxStereo->addWidget(graphicalList, 1);
    boxStereo->addWidget(stereotype, 1);
    addRow(stereotypeLabel_, lineStereo);
    linkToButton = new QPushButton(QStringLiteral("&Link To:"), this);
    linkTo = EditableCombo(this, "Link To:");
    url = new QCheckBox(QStringLiteral("&URL"), this);
    grid->addWidget(linkToButton, row, 0);
    grid->addWidget(linkTo, row, 1, 1, 2);
    grid->addWidget(url, row, 3);
    ++row;
    label1049_ = new QLabel(QStringLiteral("Cardinality:"), this);
    auto* lineCard = new QWidget(this);
    auto* boxCard = new QHBoxLayout(lineCard);
    boxCard->setContentsMargins(0, 0, 0, 0);
    bases = new QListWidget(lineCard);
    bases->setAccessibleName(QStringLiteral("Bases:"));
    bases->setMaximumHeight(60);
    sourceCard = new QLineEdit(lineCard);
    sourceCard->setAccessibleName(QStringLiteral("Source cardinality"));
    targetCard = new QLineEdit(lineCard);
    targetCard->setAccessibleName(QStringLiteral("Target cardinality"));
    arrows_[0] = new QLabel(QStringLiteral("==>"), lineCard);
    boxCard->addWidget(bases);
    boxCard->addWidget(sourceCard);
    boxCard->addWidget(arrows_[0]);
    boxCard->addWidget(targetCard);
    addRow(label1049_, lineCard);
    rolesLabel_ = new QLabel(QStringLiteral("Roles:"), this);
    auto* lineRoles = new QWidget(this);
    auto* boxRoles = new QHBoxLayout(lineRoles);
    boxRoles->setContentsMargins(0, 0, 0, 0);
    sourceRole = new QLineEdit(lineRoles);
    sourceRole->setAccessibleName(QStringLiteral("Source role"));
    targetRole = new QLineEdit(lineRoles);
    targetRole->setAccessibleName(QStringLiteral("Target role"));
    arrows_[1] = new QLabel(QStringLiteral("==>"), lineRoles);
    boxRoles->addWidget(sourceRole);
    boxRoles->addWidget(arrows_[1]);
    boxRoles->addWidget(targetRole);
    addRow(rolesLabel_, lineRoles);
    fileNameLabel_ = new QLabel(QStringLiteral("File Name:"), this);
    fileName = new QLineEdit(this);
    fileName->setAccessibleName(QStringLiteral("File Name:"));
    addRow(fileNameLabel_, fileName);
    commentLabel_ = new QLabel(QStringLiteral("Comment:"), this);
    comment = new QPlainTextEdit(this);
    comment->setAccessibleName(QStringLiteral("Comment:"));
    addRow(commentLabel_, comment);

    modes_ = new QGroupBox(QStringLiteral("Modes"), this);
    auto* modesBox = new QGridLayout(modes_);
    genCode = new QCheckBox(QStringLiteral("&Gen.Code"), modes_);
    check1145 = new QCheckBox(QStringLiteral("Auto &Size"), modes_);
    check1144 = new QCheckBox(QStringLiteral("A&nnotate"), modes_);
    interfaceBox = new QCheckBox(QStringLiteral("&Interface"), modes_);
    abstractBox = new QCheckBox(QStringLiteral("&Abstract"), modes_);
    finalBox = new QCheckBox(QStringLiteral("&Final"), modes_);
    check1121 = new QCheckBox(QStringLiteral("&Editable"), modes_);
    QCheckBox* boxes[] = {genCode,     check1145, check1144, interfaceBox,
                          abstractBox, finalBox,  check1121};
    for (int i = 0; i < 7; ++i)
        modesBox->addWidget(boxes[i], i / 4, i % 4);
    grid->addWidget(modes_, row++, 0, 1, 4);
    accessGroup_ = new QGroupBox(QStringLiteral("Access"), this);
    auto* accessBox = new QHBoxLayout(accessGroup_);
    const char* accessLabels[] = {"P&rivate", "&Protected", "Pu&blic", "Pac&kage"};
    for (int i = 0; i < 4; ++i) {
        access[i] = new QRadioButton(QString::fromLatin1(accessLabels[i]), accessGroup_);
        accessBox->addWidget(access[i]);
    }
    parameters = new QPushButton(QStringLiteral("Pars/Args..."), accessGroup_);
    accessBox->addWidget(parameters);
    grid->addWidget(accessGroup_, row++, 0, 1, 4);
    auto* buttons = new QHBoxLayout;
    okButton = new QPushButton(QStringLiteral("OK"), this);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    auto* help = new QPushButton(QStringLiteral("&Help"), this);
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancel);
    buttons->addWidget(help);
    grid->addLayout(buttons, row, 0, 1, 4);
    okButton->setDefault(true);
    connect(help, &QPushButton::clicked, this,
            [] { ShowDialogHelp("Chapter8.html#Edit:Properties"); });
    histories_.Bind(name, HL_NAME);
    histories_.Bind(nameSpace, HL_NAMESPACE);
    histories_.Bind(type, HL_CONTAINER);
    histories_.Bind(linkTo, HL_LINK);
    histories_.Bind(stereotype, HL_STEREO);

    connect(okButton, &QPushButton::clicked, this, [this] { sheet_.CloseSheet(true); });
    connect(cancel, &QPushButton::clicked, this, [this] { sheet_.CloseSheet(false); });
    connect(name, &QComboBox::editTextChanged, this, [this] { ApplyCaption(); });
    connect(kind, &QComboBox::activated, this, &CObjPage1::OnKindChanged);
    connect(graphical, &QCheckBox::toggled, this, [this] { ShowStereotype(!noStereotype_); });
    connect(graphicalList, &QComboBox::activated, this, [this] { OnGraphicalChanged(); });
    connect(parameters, &QPushButton::clicked, this, &CObjPage1::EditParameters);
    connect(linkToButton, &QPushButton::clicked, this, &CObjPage1::BrowseLinkTo);
    // Step and curve links of a diagram type exclude each other.
    connect(check1145, &QCheckBox::toggled, this, [this](bool on) {
        if (on && sheet_.Kind() == PtDiagramType)
            check1144->setChecked(false);
    });
    connect(check1144, &QCheckBox::toggled, this, [this](bool on) {
        if (on && sheet_.Kind() == PtDiagramType)
            check1145->setChecked(false);
    });
}

void CObjPage1::FillKindCombo() {
    const bool saved = loading_;
    loading_ = true;
    kind->clear();
    CCASEDoc* document = sheet_.Document();
    NotationTemplate* notation = document != nullptr ? document->Template() : nullptr;
    switch (sheet_.Kind()) {
    case PtModel:
        kind->addItems({QStringLiteral("Custom Model"), QStringLiteral("Link Model"),
                        QStringLiteral("Place Model")});
        break;
    case PtMaster:
        kind->addItem(QString());
        if (notation != nullptr) {
            for (int i = 0; i < notation->CountPlaceTools(false); ++i) {
                ToolModel* tool = notation->GetTool(notation->PlaceToolIdAt(i, false));
                kind->addItem(tool != nullptr ? Q(tool->name) : QString());
            }
        }
        break;
    case PtLink:
        if (notation != nullptr) {
            for (int i = 0; i < notation->CountLinkTools(false); ++i) {
                ToolModel* tool = notation->GetTool(notation->LinkToolIdAt(i, false));
                kind->addItem(tool != nullptr ? Q(tool->name) : QString());
            }
        }
        break;
    case PtTextPrimitive:
        for (const char* text : kTextKinds)
            kind->addItem(QString::fromLatin1(text));
        break;
    default:
        break;
    }
    loading_ = saved;
}

void CObjPage1::ShowStereotype(bool shown) {
    stereotypeLabel_->setVisible(shown);
    graphical->setVisible(shown);
    graphicalList->setVisible(shown && graphical->isChecked());
    stereotype->setVisible(shown && !graphical->isChecked());
}

void CObjPage1::FillGraphicalList() {
    graphicalList->clear();
    graphicalList->addItem(QString());
    CCASEDoc* document = sheet_.Document();
    NotationTemplate* notation = document != nullptr ? document->Template() : nullptr;
    ToolModel* tool = nullptr;
    if (auto* master = dynamic_cast<Master*>(sheet_.WorkingCopy()))
        tool = ToolOf(master->tool);
    else if (auto* link = dynamic_cast<Link*>(sheet_.WorkingCopy()); link != nullptr && notation)
        tool = notation->GetTool(link->kindCode);
    if (notation == nullptr || tool == nullptr)
        return;
    std::vector<ToolModel*> family;
    notation->GetToolVariants(tool->IsVariant() ? tool->baseId : tool->id, tool->IsLinkTool(),
                              family);
    for (ToolModel* member : family) {
        if (!member->IsHidden())
            graphicalList->addItem(Q(member->name));
    }
    graphicalList->setCurrentText(Q(tool->name));
}

void CObjPage1::LoadPage() {
    ModelObject* copy = sheet_.WorkingCopy();
    if (copy == nullptr)
        return;
    loading_ = true;
    histories_.Load(sheet_.HistoryProfile());
    const int k = sheet_.Kind();
    auto* master = dynamic_cast<Master*>(copy);
    auto* link = dynamic_cast<Link*>(copy);
    auto* model = dynamic_cast<Model*>(copy);
    auto* toolModel = dynamic_cast<ToolModel*>(copy);
    auto* diagramType = dynamic_cast<DiagramType*>(copy);
    auto* text = dynamic_cast<TextPrimitive*>(copy);
    auto* floater = dynamic_cast<Floater*>(copy);
    Place* place = sheet_.ThePlace();
    const bool classTool = master != nullptr && HasSemantics(master->tool, SemClass);
    const bool packageTool = master != nullptr && HasSemantics(master->tool, SemPackage);
    const bool placeToolModel = toolModel != nullptr && toolModel->IsPlaceTool();
    const bool sequence = diagramType != nullptr && diagramType->kind == MkSequence;
    placeFlagsAtLoad_ = place != nullptr ? place->placeFlags : 0;

    // Labels.
    check1145->setText(k == PtDiagramType ? QStringLiteral("&Step Link")
                                          : QStringLiteral("Auto &Size"));
    check1144->setText(k == PtDiagramType ? QStringLiteral("&Curve Link")
                       : placeToolModel   ? QStringLiteral("Fi&xed Upper")
                                          : QStringLiteral("A&nnotate"));
    commentLabel_->setText(k == PtTextPrimitive ? QStringLiteral("Text:")
                                                : QStringLiteral("Comment:"));
    interfaceBox->setText(QStringLiteral("&Interface"));
    abstractBox->setText(QStringLiteral("&Abstract"));
    const char* label1121 = k == PtDiagramType      ? "&Supported Diagram"
                            : k == PtMessageFloater ? "&Reverse"
                                                    : "&Editable";
    check1121->setText(QString::fromLatin1(label1121));

    // Visibility.
    const bool named = k != PtTextPrimitive;
    nameLabel_->setVisible(named);
    name->setVisible(named);
    const bool kinded = k == PtModel || k == PtMaster || k == PtLink || k == PtTextPrimitive;
    kindLabel_->setVisible(kinded);
    kind->setVisible(kinded);
    kind->setEnabled(k != PtModel);
    const bool toolModelShown = k == PtModel && toolModel != nullptr;
    semantics->setVisible(toolModelShown);
    nameSpace->setVisible(k == PtMaster);
    type->setVisible(k == PtLink);
    label1182_->setVisible(toolModelShown || k == PtMaster || k == PtLink);
    label1182_->setText(toolModelShown ? QStringLiteral("Semantics:")
                        : k == PtLink  ? QStringLiteral("Type:")
                                       : QStringLiteral("Nm'space:"));
    noStereotype_ = !((k == PtMaster && master->tool != nullptr) || k == PtLink);
    const bool flagged = k == PtModel || k == PtDiagramType || k == PtMaster || k == PtLink;
    modes_->setVisible(true);
    genCode->setVisible(flagged);
    // Models and diagram types keep no access code, so their empty group
    // is not shown; masters and links show the four radios.
    const bool accessible = k == PtMaster || k == PtLink;
    accessGroup_->setVisible(accessible);
    for (QRadioButton* radio : access)
        radio->setVisible(accessible);
    check1121->setVisible(k == PtDiagramType || k == PtTextPrimitive || k == PtMessageFloater);
    interfaceBox->setVisible(classTool);
    abstractBox->setVisible(classTool);
    finalBox->setVisible(classTool);
    bases->setVisible(k == PtMaster);
    parameters->setVisible(k == PtMaster);
    const bool linked = k == PtMaster || k == PtLink || k == PtMessageFloater;
    linkToButton->setVisible(linked);
    linkTo->setVisible(linked);
    url->setVisible(linked);
    label1049_->setVisible(k == PtMaster || k == PtLink);
    label1049_->setText(k == PtMaster ? QStringLiteral("Bases:") : QStringLiteral("Cardinality:"));
    sourceCard->setVisible(k == PtLink);
    targetCard->setVisible(k == PtLink);
    arrows_[0]->setVisible(k == PtLink);
    rolesLabel_->setVisible(k == PtLink);
    sourceRole->setVisible(k == PtLink);
    targetRole->setVisible(k == PtLink);
    arrows_[1]->setVisible(k == PtLink);
    fileNameLabel_->setVisible(k == PtMaster);
    fileName->setVisible(k == PtMaster);
    check1145->setVisible(
        toolModelShown || (k == PtDiagramType && !sequence) ||
        (k == PtMaster && place != nullptr && (classTool || place->IsPlaceGroup())));
    check1144->setVisible(
        placeToolModel || (k == PtDiagramType && !sequence) ||
        (k == PtMaster && place != nullptr && (place->IsPlaceGroup() || classTool || packageTool)));
    if (k == PtMaster && place != nullptr && place->IsPlaceGroup()) {
        interfaceBox->setVisible(true);
        interfaceBox->setText(QStringLiteral("B&order"));
        check1144->setText(QStringLiteral("Lock &Mem."));
        check1145->setText(QStringLiteral("&Auto Size"));
    } else if (k == PtMaster && place != nullptr && classTool) {
        check1145->setText(QStringLiteral("&Detailed"));
    }

    // Values.
    QCheckBox* all[] = {genCode,  check1145, check1144, interfaceBox, abstractBox,
                        finalBox, check1121, url,       graphical};
    for (QCheckBox* box : all)
        box->setChecked(false);
    SetAccessRadios(0);
    comment->clear();
    name->setEditText(QString());
    if (model != nullptr) {
        name->setEditText(Q(model->name));
        kind->setCurrentIndex(toolModel == nullptr ? 0 : placeToolModel ? 2 : 1);
        semantics->clear();
        if (toolModel != nullptr) {
            const int count = placeToolModel ? 3 : 12;
            for (int i = 0; i < count; ++i)
                semantics->addItem(Q(SemanticsName(placeToolModel, i)));
            semantics->setCurrentIndex(toolModel->semantics);
        }
        genCode->setChecked((model->modelFlags & MfGenCode) != 0);
        check1145->setChecked((model->modelFlags & 0x2) != 0);
        check1144->setChecked((model->modelFlags & 0x100) != 0);
        comment->setPlainText(Q(model->comment));
    } else if (diagramType != nullptr) {
        name->setEditText(Q(diagramType->name));
        const uint32_t flags = uint32_t(diagramType->newModelFlags);
        genCode->setChecked((flags & 0x1) != 0);
        check1145->setChecked((flags & 0x4) != 0);
        check1144->setChecked((flags & 0x8) != 0);
        check1121->setChecked((flags & 0x10) != 0);
        comment->setPlainText(Q(diagramType->description));
    } else if (master != nullptr) {
        QString shown = Q(master->name);
        if (place != nullptr && classTool && (place->placeFlags & PfInstanceLabel) != 0)
            shown = Q(place->label) + QLatin1Char(':') + shown;
        name->setEditText(shown);
        CCASEDoc* document = sheet_.Document();
        NotationTemplate* notation = document != nullptr ? document->Template() : nullptr;
        const int position = master->tool != nullptr && notation != nullptr
                                 ? notation->PlaceToolIndex(master->tool->ToolId(), false) + 1
                                 : 0;
        kind->setCurrentIndex(position);
        nameSpace->setEditText(Q(master->nameSpace));
        linkTo->setEditText(Q(master->link));
        ToolModel* tool = ToolOf(master->tool);
        graphical->setChecked((master->masterFlags & 0x20) != 0 ||
                              (tool != nullptr && tool->IsVariant()));
        stereotype->setEditText(Q(master->stereotype));
        fileName->setText(Q(master->file));
        genCode->setChecked((master->masterFlags & 0x1) != 0);
        interfaceBox->setChecked((master->masterFlags & 0x2) != 0);
        abstractBox->setChecked((master->masterFlags & 0x4) != 0);
        finalBox->setChecked((master->masterFlags & 0x8) != 0);
        url->setChecked((master->masterFlags & 0x10) != 0);
        comment->setPlainText(Q(master->comment));
        SetAccessRadios(master->access);
        bases->clear();
        bases->addItem(Q(master->name));
        for (Master* base : sheet_.BaseMasters())
            bases->addItem(Q(base->name));
        parameterMode_ = master->HasToolText() ? 2 : 3;
        parameters->setText(parameterMode_ == 2 ? QStringLiteral("Pars...")
                                                : QStringLiteral("Args..."));
        if (place != nullptr && place->IsPlaceGroup()) {
            interfaceBox->setChecked((place->placeFlags & 0x8) != 0);
            check1144->setChecked((place->placeFlags & 0x20) != 0);
            check1145->setChecked((place->placeFlags & 0x40) != 0);
        } else if (place != nullptr) {
            check1144->setChecked((place->placeFlags & 0x1) != 0);
            check1145->setChecked((place->placeFlags & 0x2) != 0);
        }
    } else if (link != nullptr) {
        name->setEditText(Q(link->name));
        CCASEDoc* document = sheet_.Document();
        NotationTemplate* notation = document != nullptr ? document->Template() : nullptr;
        kind->setCurrentIndex(notation != nullptr ? notation->LinkToolIndex(link->kindCode, false)
                                                  : -1);
        type->setEditText(Q(link->type));
        linkTo->setEditText(Q(link->file));
        ToolModel* tool = notation != nullptr ? notation->GetTool(link->kindCode) : nullptr;
        graphical->setChecked((link->options & LoGraphical) != 0 ||
                              (tool != nullptr && tool->IsVariant()));
        stereotype->setEditText(Q(link->stereotype));
        sourceRole->setText(Q(SplitDoublePercent(link->sourceEnd, false)));
        sourceCard->setText(Q(SplitDoublePercent(link->sourceEnd, true)));
        targetRole->setText(Q(SplitDoublePercent(link->targetEnd, false)));
        targetCard->setText(Q(SplitDoublePercent(link->targetEnd, true)));
        genCode->setChecked((link->options & LoGenCode) != 0);
        url->setChecked((link->options & LoWebPage) != 0);
        comment->setPlainText(Q(link->comment));
        SetAccessRadios(link->access);
    } else if (text != nullptr) {
        kind->setCurrentIndex((text->textFlags & 0x2) != 0   ? 1
                              : (text->textFlags & 0x4) != 0 ? 2
                                                             : 0);
        check1121->setChecked((text->textFlags & 0x1) != 0);
        comment->setPlainText(Q(text->text));
    } else if (floater != nullptr) {
        name->setEditText(Q(floater->text));
        linkTo->setEditText(Q(floater->attachment));
        check1121->setChecked((floater->tagFlags & FfReversed) != 0);
        url->setChecked((floater->tagFlags & FfAttachmentOpen) != 0);
        comment->setPlainText(Q(floater->secondText));
    }
    if (!noStereotype_)
        FillGraphicalList();
    ShowStereotype(!noStereotype_);
    loading_ = false;
    ApplyCaption();
    name->setFocus();
    name->lineEdit()->selectAll();
}

void CObjPage1::StorePage() {
    ModelObject* copy = sheet_.WorkingCopy();
    if (copy == nullptr)
        return;
    histories_.Store(sheet_.HistoryProfile());
    const std::string nameText = S(name->currentText());
    const std::string commentText = S(comment->toPlainText());
    if (auto* model = dynamic_cast<Model*>(copy)) {
        model->name = nameText;
        uint32_t flags = model->modelFlags & (0x4 | 0x8);
        SetBit(flags, 0x1, genCode->isChecked());
        SetBit(flags, 0x2, check1145->isChecked());
        SetBit(flags, 0x100, check1144->isChecked());
        model->modelFlags = flags;
        if (auto* toolModel = dynamic_cast<ToolModel*>(copy);
            toolModel && semantics->currentIndex() >= 0)
            toolModel->semantics = uint8_t(semantics->currentIndex());
        model->comment = commentText;
    } else if (auto* diagramType = dynamic_cast<DiagramType*>(copy)) {
        uint32_t flags = 0;
        SetBit(flags, 0x1, genCode->isChecked());
        SetBit(flags, 0x4, check1145->isChecked());
        SetBit(flags, 0x8, check1144->isChecked());
        SetBit(flags, 0x10, check1121->isChecked());
        diagramType->newModelFlags = int32_t(flags);
        diagramType->name = nameText;
        diagramType->description = commentText;
    } else if (auto* master = dynamic_cast<Master*>(copy)) {
        NameAndType parts{nameText, {}, false};
        if (sheet_.ThePlace() != nullptr && HasSemantics(master->tool, SemClass))
            parts = SplitNameAndType(nameText);
        master->name = parts.split ? parts.type : parts.name;
        if (!graphical->isChecked()) {
            master->stereotype = S(stereotype->currentText());
        } else if (CCASEDoc* document = sheet_.Document(); document && master->tool != nullptr) {
            if (document->Template() != nullptr) {
                if (ToolModel* variant = document->Template()->FindVariant(
                        master->tool->ToolId(), S(graphicalList->currentText())))
                    master->tool = variant;
            }
        }
        master->nameSpace = S(nameSpace->currentText());
        master->link = S(linkTo->currentText());
        master->file = S(fileName->text());
        uint32_t flags = 0;
        SetBit(flags, 0x1, genCode->isChecked());
        Place* place = sheet_.ThePlace();
        const bool border = place != nullptr && place->IsPlaceGroup();
        SetBit(flags, 0x2, !border && interfaceBox->isChecked());
        SetBit(flags, 0x4, abstractBox->isChecked());
        SetBit(flags, 0x8, finalBox->isChecked());
        SetBit(flags, 0x10, url->isChecked());
        SetBit(flags, 0x20, graphical->isChecked());
        master->masterFlags = int32_t(flags);
        master->comment = commentText;
        master->access = AccessFromRadios();
    } else if (auto* link = dynamic_cast<Link*>(copy)) {
        link->name = nameText;
        link->stereotype = graphical->isChecked() ? link->stereotype : S(stereotype->currentText());
        link->file = S(linkTo->currentText());
        link->type = S(type->currentText());
        link->sourceEnd = JoinDoublePercent(S(sourceRole->text()), S(sourceCard->text()));
        link->targetEnd = JoinDoublePercent(S(targetRole->text()), S(targetCard->text()));
        uint32_t flags = uint32_t(link->options) & (0x2 | 0x4 | 0x8);
        SetBit(flags, LoGenCode, genCode->isChecked());
        SetBit(flags, LoWebPage, url->isChecked());
        SetBit(flags, LoGraphical, graphical->isChecked());
        link->options = int32_t(flags);
        link->comment = commentText;
        link->access = AccessFromRadios();
    } else if (auto* text = dynamic_cast<TextPrimitive*>(copy)) {
        uint32_t flags = 0;
        SetBit(flags, 0x1, check1121->isChecked());
        if (kind->currentText() == QLatin1String("For Details"))
            flags |= 0x2;
        else if (kind->currentText() == QLatin1String("For Parameters"))
            flags |= 0x4;
        text->textFlags = int32_t(flags);
        text->text = commentText;
    } else if (auto* floater = dynamic_cast<Floater*>(copy)) {
        floater->text = nameText;
        floater->attachment = S(linkTo->currentText());
        uint32_t flags = 0;
        SetBit(flags, FfReversed, check1121->isChecked());
        SetBit(flags, FfAttachmentOpen, url->isChecked());
        floater->tagFlags = uint8_t(flags);
        floater->secondText = commentText;
    }
}

void CObjPage1::StorePlace(Place& place) {
    auto* master = dynamic_cast<Master*>(sheet_.WorkingCopy());
    const bool classTool = master != nullptr && HasSemantics(master->tool, SemClass);
    uint32_t flags = placeFlagsAtLoad_ & PfInstanceLabel;
    if (classTool) {
        NameAndType parts = SplitNameAndType(S(name->currentText()));
        SetBit(flags, PfInstanceLabel, parts.split);
        if (parts.split)
            place.label = parts.name;
    }
    // A box counts when the page shows it, whichever page of the sheet is
    // in front (isVisible would be false for every box of a page behind
    // another tab); a box the page does not offer keeps the place's bit.
    auto stored = [&](QCheckBox* box, uint32_t bit) {
        if (place.IsPlaceGroup())
            return false;
        return box->isVisibleTo(this) ? box->isChecked() : (placeFlagsAtLoad_ & bit) != 0;
    };
    SetBit(flags, PfCompartments, stored(check1144, PfCompartments));
    SetBit(flags, PfDetails, stored(check1145, PfDetails));
    if (place.IsPlaceGroup()) {
        SetBit(flags, 0x8, interfaceBox->isChecked());
        SetBit(flags, 0x20, check1144->isChecked());
        SetBit(flags, 0x40, check1145->isChecked());
    }
    SetBit(flags, PfSwimlane, place.IsSwimlane());
    if (place.placeFlags == flags)
        return;
    place.placeFlags = flags;
    place.Relayout();
    place.UpdateRepaintRect();
}

QString CObjPage1::Caption() const {
    const QString properties = QStringLiteral("Properties");
    auto quoted = [](const QString& text) { return QLatin1Char('"') + text + QLatin1Char('"'); };
    switch (sheet_.Kind()) {
    case PtModel:
    case PtDiagramType:
    case PtLink:
    case PtMessageFloater:
        return quoted(name->currentText()) + QLatin1Char(' ') + properties;
    case PtTextPrimitive:
        return properties;
    case PtMaster:
        break;
    default:
        return QStringLiteral("No ") + properties;
    }
    auto* master = dynamic_cast<Master*>(sheet_.WorkingCopy());
    Place* place = sheet_.ThePlace();
    if (place != nullptr && master != nullptr && HasSemantics(master->tool, SemClass)) {
        NameAndType parts = SplitNameAndType(S(name->currentText()));
        if (parts.split) {
            QString instance =
                parts.name.empty() ? QStringLiteral("anonymous") : quoted(Q(parts.name));
            return instance + QStringLiteral(" instance of ") + quoted(Q(parts.type)) +
                   QLatin1Char(' ') + properties;
        }
    }
    const QString group =
        place != nullptr && place->IsPlaceGroup() ? QStringLiteral("Group ") : QString();
    return group + quoted(name->currentText()) + QLatin1Char(' ') + properties;
}

void CObjPage1::ApplyCaption() {
    if (loading_ || sheet_.WorkingCopy() == nullptr)
        return;
    sheet_.setWindowTitle(Caption());
}

void CObjPage1::OnKindChanged(int index) {
    if (loading_)
        return;
    CCASEDoc* document = sheet_.Document();
    NotationTemplate* notation = document != nullptr ? document->Template() : nullptr;
    if (notation == nullptr)
        return;
    if (auto* master = dynamic_cast<Master*>(sheet_.WorkingCopy())) {
        master->tool =
            index > 0 ? document->FindTool(notation->PlaceToolIdAt(index - 1, false)) : nullptr;
    } else if (auto* link = dynamic_cast<Link*>(sheet_.WorkingCopy())) {
        const int id = notation->LinkToolIdAt(index, false);
        link->kindCode = id;
        link->SetTool(document->FindTool(id));
    } else {
        return;
    }
    noStereotype_ = dynamic_cast<Master*>(sheet_.WorkingCopy()) != nullptr &&
                    dynamic_cast<Master*>(sheet_.WorkingCopy())->tool == nullptr;
    if (!noStereotype_)
        FillGraphicalList();
    ShowStereotype(!noStereotype_);
    sheet_.RefreshPageSet();
}

void CObjPage1::OnGraphicalChanged() {
    if (loading_ || !graphical->isChecked())
        return;
    CCASEDoc* document = sheet_.Document();
    NotationTemplate* notation = document != nullptr ? document->Template() : nullptr;
    if (notation == nullptr)
        return;
    const std::string chosen = S(graphicalList->currentText());
    if (auto* master = dynamic_cast<Master*>(sheet_.WorkingCopy()); master && master->tool) {
        if (ToolModel* tool = notation->FindVariant(master->tool->ToolId(), chosen))
            master->tool = tool;
    } else if (auto* link = dynamic_cast<Link*>(sheet_.WorkingCopy())) {
        if (ToolModel* tool = notation->FindVariant(link->kindCode, chosen)) {
            link->kindCode = tool->id;
            link->SetTool(tool);
        }
    }
    sheet_.RefreshPageSet();
}

int CObjPage1::AccessFromRadios() const {
    return RadioCode(access, 4);
}

void CObjPage1::SetAccessRadios(int value) {
    SetRadioCode(access, 4, value);
}

void CObjPage1::EditParameters() {
    auto* master = dynamic_cast<Master*>(sheet_.WorkingCopy());
    if (master == nullptr)
        return;
    ParameterList copy;
    CopyList(copy, master->parameters);
    CParamsDialog& dialog = sheet_.ParamsDialogOf();
    dialog.SetClassParameters(&copy, parameterMode_);
    dialog.SetReadOnly(false);
    if (dialog.RunModal() == QDialog::Accepted)
        CopyList(master->parameters, copy);
}

void CObjPage1::BrowseLinkTo() {
    const std::string folder = DirectoryOfPath(S(linkTo->currentText()));
    QFileDialog dialog(this, QStringLiteral("Link To"), Q(folder), QStringLiteral("*.*"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    const QStringList chosen = RunFileDialog(dialog);
    if (!chosen.isEmpty())
        linkTo->setEditText(chosen.front());
}

void CObjPage1::UpdateNameFromTarget() {
    ModelObject* target = sheet_.Target();
    if (auto* model = dynamic_cast<Model*>(target))
        name->setEditText(Q(model->name));
    else if (auto* type = dynamic_cast<DiagramType*>(target))
        name->setEditText(Q(type->name));
    else if (auto* master = dynamic_cast<Master*>(target))
        name->setEditText(Q(master->name));
    else if (auto* link = dynamic_cast<Link*>(target))
        name->setEditText(Q(link->name));
    else if (auto* text = dynamic_cast<TextPrimitive*>(target))
        comment->setPlainText(Q(text->text));
}

} // namespace qm
