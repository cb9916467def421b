// The font dialog: the platform's font chooser embedded without its own
// buttons, the "Color" list of the named text colours with their swatches,
// the "Align" group, and OK, Cancel and Help.
#include "dialogs/font/TFontDialog.h"

#include "dialogs/model/ModelDialogs.h"
#include "platform/Colors.h"
#include "platform/PainterDC.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace qm {

namespace {

// Model units per inch, and points per inch.
constexpr double kUnitsPerPoint = 96.0 / 72.0;
// The codes the colour list names: the sixteen plain colours.
constexpr uint32_t kListedColors = 16;

QIcon ColorSwatch(uint32_t code) {
    QPixmap pixmap(16, 12);
    const COLORREF c = ColorFromCode(code);
    pixmap.fill(QColor(GetRValue(c), GetGValue(c), GetBValue(c)));
    QPainter painter(&pixmap);
    painter.setPen(Qt::black);
    painter.drawRect(pixmap.rect().adjusted(0, 0, -1, -1));
    return QIcon(pixmap);
}

} // namespace

QFont ChooserFontOf(const LogFont& log) {
    QFont font(QString::fromStdString(log.faceName));
    const int32_t height = log.height == 0 ? -12 : log.height;
    font.setPointSizeF(std::max(1.0, std::abs(double(height)) / kUnitsPerPoint));
    font.setWeight(QFont::Weight(std::clamp<int32_t>(log.weight == 0 ? 400 : log.weight, 1, 1000)));
    font.setItalic(log.italic != 0);
    font.setUnderline(log.underline != 0);
    font.setStrikeOut(log.strikeOut != 0);
    // The chooser lists installed families: a stored face ("Arial") is shown
    // as the family that draws it.
    InstallFontSubstitutions();
    font.setFamily(QFontInfo(font).family());
    return font;
}

LogFont LogFontOf(const QFont& font, const LogFont& base) {
    LogFont log = base;
    log.faceName = font.family().toStdString();
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : 9.0;
    log.height = -std::max<int32_t>(1, int32_t(std::lround(points * kUnitsPerPoint)));
    log.weight = int32_t(font.weight());
    log.italic = font.italic() ? 1 : 0;
    log.underline = font.underline() ? 1 : 0;
    log.strikeOut = font.strikeOut() ? 1 : 0;
    return log;
}

TFontDialog::TFontDialog(const FontRecord& record, QWidget* parent)
    : QDialog(parent), record_(record) {
    setWindowTitle("Font");
    auto* layout = new QVBoxLayout(this);

    chooser_ = new QFontDialog(this);
    chooser_->setOptions(QFontDialog::NoButtons | QFontDialog::DontUseNativeDialog);
    chooser_->setWindowFlags(Qt::Widget);
    chooser_->setCurrentFont(ChooserFontOf(record.logFont));
    shown_ = chooser_->currentFont();
    layout->addWidget(chooser_);

    auto* row = new QHBoxLayout;
    auto* colorForm = new QFormLayout;
    colors_ = new QComboBox(this);
    colors_->setAccessibleName("Color");
    for (uint32_t code = 0; code < kListedColors; ++code)
        colors_->addItem(ColorSwatch(code), ColorCodeName(code), code);
    int shownColor = colors_->findData(record.textColor);
    if (shownColor < 0) {
        // A code the list does not name (inherit, a light colour or a colour
        // value) is offered as it is rather than lost on OK.
        const char* name = ColorCodeName(record.textColor);
        colors_->addItem(ColorSwatch(record.textColor),
                         name != nullptr                         ? name
                         : record.textColor == kColorCodeInherit ? "Auto"
                                                                 : "Custom",
                         record.textColor);
        shownColor = colors_->count() - 1;
    }
    colors_->setCurrentIndex(shownColor);
    colorForm->addRow("Color", colors_);
    row->addLayout(colorForm);

    auto* alignBox = new QGroupBox("Align", this);
    auto* alignRow = new QHBoxLayout(alignBox);
    auto* group = new QButtonGroup(alignBox);
    const char* labels[3] = {"&Left", "&Center", "&Right"};
    for (int i = 0; i < 3; ++i) {
        align_[i] = new QRadioButton(labels[i], alignBox);
        group->addButton(align_[i]);
        alignRow->addWidget(align_[i]);
    }
    const int alignment =
        int32_t(record.alignment) <= 0 ? 0 : std::min<uint32_t>(record.alignment, 2);
    align_[alignment]->setChecked(true);
    row->addWidget(alignBox);
    layout->addLayout(row);

    layout->addWidget(
        AddDialogButtons(*this, "OK", "Chapter8.html#FontToolButn", nullptr, nullptr));
}

QRadioButton* TFontDialog::AlignButton(int alignment) const {
    return align_[std::clamp(alignment, 0, 2)];
}

void TFontDialog::accept() {
    const QFont chosen = chooser_->currentFont();
    LogFont log = LogFontOf(chosen, record_.logFont);
    // What the user left as shown keeps the record's own value, so that a
    // face the chooser only substituted or a height between two point sizes
    // comes back unchanged.
    if (chosen.family() == shown_.family())
        log.faceName = record_.logFont.faceName;
    if (chosen.pointSizeF() == shown_.pointSizeF())
        log.height = record_.logFont.height;
    if (chosen.weight() == shown_.weight())
        log.weight = record_.logFont.weight;
    if (chosen.italic() == shown_.italic())
        log.italic = record_.logFont.italic;
    if (chosen.underline() == shown_.underline())
        log.underline = record_.logFont.underline;
    if (chosen.strikeOut() == shown_.strikeOut())
        log.strikeOut = record_.logFont.strikeOut;
    record_.logFont = log;
    record_.alignment = align_[0]->isChecked() ? 0 : align_[1]->isChecked() ? 1 : 2;
    record_.textColor = colors_->currentData().toUInt();
    QDialog::accept();
}

} // namespace qm
