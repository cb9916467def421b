// The texts a dialog shows a person: its buttons', check boxes', labels' and
// group boxes' texts, with their keyboard mnemonics ("&") as written, so a
// test can check each label and its access key.
#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QWidget>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace qm::test {

inline std::set<std::string> ShownTexts(const QWidget& dialog) {
    std::set<std::string> texts;
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
        texts.insert(button->text().toStdString());
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts.insert(label->text().toStdString());
    for (const QGroupBox* group : dialog.findChildren<QGroupBox*>())
        texts.insert(group->title().toStdString());
    return texts;
}

// Each expected text, mnemonic included, is among the dialog's texts.
inline void ExpectShown(const QWidget& dialog, const std::vector<std::string>& expected) {
    const std::set<std::string> texts = ShownTexts(dialog);
    for (const std::string& text : expected)
        EXPECT_EQ(texts.count(text), 1u) << "\"" << text << "\" in " << typeid(dialog).name();
}

} // namespace qm::test
