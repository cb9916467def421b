// Small helpers the sheet's pages and dialogs share: the text conversions,
// the editable combo box with its accessible name, the setting of a row of
// radio buttons from a code, and the combo boxes' histories in the profile.
#pragma once

#include "document/Profile.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QString>

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

// The combo boxes of one page or dialog bound to the profile's history
// lists: loaded into the drop-down lists, stored back (the first ten
// items), and a text the user leaves a box with joins its drop-down list.
class ComboHistories {
  public:
    void Bind(QComboBox* combo, HistoryList list) {
        combos_.emplace_back(combo, list);
        QObject::connect(combo->lineEdit(), &QLineEdit::editingFinished, combo, [combo] {
            std::vector<std::string> items = Items(*combo);
            AddComboTextToHistory(items, combo->currentText().toStdString());
            SetItems(*combo, items);
        });
    }
    // Loads once per profile; nothing without a profile.
    void Load(Profile* profile) {
        if (profile == nullptr || profile == loaded_)
            return;
        for (auto& [combo, list] : combos_) {
            std::vector<std::string> items;
            ExchangeComboHistory(items, profile->Histories[list], true);
            SetItems(*combo, items);
        }
        loaded_ = profile;
    }
    void Store(Profile* profile) {
        if (profile == nullptr || profile != loaded_)
            return;
        for (auto& [combo, list] : combos_) {
            std::vector<std::string> items = Items(*combo);
            ExchangeComboHistory(items, profile->Histories[list], false);
        }
    }

  private:
    static std::vector<std::string> Items(const QComboBox& combo) {
        std::vector<std::string> items;
        for (int i = 0; i < combo.count(); ++i)
            items.push_back(combo.itemText(i).toStdString());
        return items;
    }
    // Replaces the drop-down list, keeping the edit text.
    static void SetItems(QComboBox& combo, const std::vector<std::string>& items) {
        const QString text = combo.currentText();
        const bool blocked = combo.blockSignals(true);
        combo.clear();
        for (const std::string& item : items)
            combo.addItem(QString::fromStdString(item));
        combo.setEditText(text);
        combo.blockSignals(blocked);
    }

    std::vector<std::pair<QComboBox*, HistoryList>> combos_;
    Profile* loaded_ = nullptr;
};

} // namespace qm
