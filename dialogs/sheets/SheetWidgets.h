// Small helpers the sheet's pages and dialogs share: the text conversions,
// the editable combo box with its accessible name, the setting of a row of
// radio buttons from a code, and the combo boxes' histories in the profile.
#pragma once

#include "document/Profile.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QString>

#include <list>
#include <string>
#include <utility>
#include <vector>

namespace qm {

inline QString Q(const std::string& text) {
    return QString::fromStdString(text);
}
inline std::string S(const QString& text) {
    return text.toStdString();
}

// An editable combo box of ten visible rows, named accessible (also its edit field).
inline QComboBox* EditableCombo(QWidget* parent, const char* accessible) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setMaxVisibleItems(10);
    combo->setAccessibleName(QString::fromLatin1(accessible));
    combo->lineEdit()->setAccessibleName(QString::fromLatin1(accessible));
    return combo;
}

// Checks radios[i] for value i + 1 and clears the others (none for 0).
inline void SetRadioCode(QRadioButton* const* radios, int count, int value) {
    for (int i = 0; i < count; ++i) {
        if (radios[i] == nullptr)
            continue;
        radios[i]->setAutoExclusive(false);
        radios[i]->setChecked(value == i + 1);
        radios[i]->setAutoExclusive(true);
    }
}

// The code of the checked radio (i + 1 for radios[i]), 0 when none is.
inline int RadioCode(QRadioButton* const* radios, int count) {
    for (int i = 0; i < count; ++i) {
        if (radios[i] != nullptr && radios[i]->isChecked())
            return i + 1;
    }
    return 0;
}

// Shows a history list in a combo box's drop-down: the entries that hold a
// text, in order; empty and "<reserved>" entries are placeholders of the
// profile and stay out of sight. The edit text is kept.
inline void ShowHistoryItems(QComboBox& combo, const std::vector<std::string>& entries) {
    const QString text = combo.currentText();
    const bool blocked = combo.blockSignals(true);
    combo.clear();
    for (const std::string& item : entries)
        if (!item.empty() && item != kReservedSlot)
            combo.addItem(QString::fromStdString(item));
    combo.setEditText(text);
    combo.blockSignals(blocked);
}

// The combo boxes of one page or dialog bound to the profile's history
// lists: each keeps its list's entries, shown in the drop-down list (without
// the placeholders) and stored back (the first ten entries); a text the user
// leaves a box with takes a free slot of its list.
class ComboHistories {
  public:
    void Bind(QComboBox* combo, HistoryList list) {
        Bound& bound = bound_.emplace_back(Bound{combo, list, {}});
        QObject::connect(combo->lineEdit(), &QLineEdit::editingFinished, combo, [&bound] {
            AddComboTextToHistory(bound.entries, bound.combo->currentText().toStdString());
            ShowHistoryItems(*bound.combo, bound.entries);
        });
    }
    // Loads once per profile; nothing without a profile.
    void Load(Profile* profile) {
        if (profile == nullptr || profile == loaded_)
            return;
        for (Bound& bound : bound_) {
            ExchangeComboHistory(bound.entries, profile->Histories[bound.list], true);
            ShowHistoryItems(*bound.combo, bound.entries);
        }
        loaded_ = profile;
    }
    void Store(Profile* profile) {
        if (profile == nullptr || profile != loaded_)
            return;
        for (Bound& bound : bound_)
            ExchangeComboHistory(bound.entries, profile->Histories[bound.list], false);
    }
    // Loads the boxes from the profile's lists again, whether or not they
    // were loaded before (the lists were cleared meanwhile), or stores them.
    void Exchange(Profile* profile, bool load) {
        if (!load) {
            Store(profile);
            return;
        }
        loaded_ = nullptr;
        Load(profile);
    }

  private:
    struct Bound {
        QComboBox* combo;
        HistoryList list;
        std::vector<std::string> entries;
    };
    // A list, so that the boxes' handlers keep their entry.
    std::list<Bound> bound_;
    Profile* loaded_ = nullptr;
};

} // namespace qm
