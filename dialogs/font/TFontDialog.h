// The font dialog of the looks commands: the platform's font choice with a
// text colour list and the three alignment buttons beside it. It edits a
// font record (a logical font, the alignment and the text colour code).
#pragma once

#include "drawables/Looks.h"

#include <QDialog>
#include <QFont>

class QComboBox;
class QFontDialog;
class QRadioButton;

namespace qm {

class TFontDialog : public QDialog {
  public:
    // Shows record: its font in the chooser, its colour code selected in the
    // colour list (a code outside the named colours gets an item of its own,
    // so that it survives an OK) and the button of its alignment checked
    // (Left for 0 or less, Center for 1, Right for anything above).
    explicit TFontDialog(const FontRecord& record, QWidget* parent = nullptr);

    // After OK the chosen record; before, the one shown. Fields of the
    // logical font that the user left alone keep their values exactly.
    const FontRecord& Record() const { return record_; }

    QFontDialog* FontChooser() const { return chooser_; }
    QComboBox* ColorList() const { return colors_; }
    // The button of alignment 0 (Left), 1 (Center) or 2 (Right).
    QRadioButton* AlignButton(int alignment) const;
    void accept() override;

  private:
    FontRecord record_;
    // The font the chooser showed at first, to tell what the user changed.
    QFont shown_;
    QFontDialog* chooser_ = nullptr;
    QComboBox* colors_ = nullptr;
    QRadioButton* align_[3] = {};
};

// The chooser's form of a logical font (in the installed family that draws
// its face), and the logical font a chosen font gives, starting from base: the face, height, weight
// and the three effects are taken from font; the rest of base stays. Heights are in model units,
// shown as points at 96 units to the inch.
QFont ChooserFontOf(const LogFont& font);
LogFont LogFontOf(const QFont& font, const LogFont& base);

} // namespace qm
