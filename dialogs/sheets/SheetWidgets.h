// Small helpers the sheet's pages and dialogs share: the text conversions,
// the editable combo box with its accessible name, and the setting of a
// row of radio buttons from a code.
#pragma once

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QString>

#include <string>

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

} // namespace qm
