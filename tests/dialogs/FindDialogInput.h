// Mouse and keyboard input for the dialog tests, sent to the widgets through
// QTest as the window system would send it: a click at a point, a
// double-click, and typed text as key presses.
#pragma once

#include <QAbstractButton>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace qm::test {

// A left click at a point of widget.
inline void ClickAt(QWidget* widget, QPoint at) {
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, at);
}

inline void Click(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
    ClickAt(button, button->rect().center());
}

// A click, then the second press that the window system reports as a
// double-click, and its release.
inline void DoubleClickAt(QWidget* widget, QPoint at) {
    ClickAt(widget, at);
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, at);
}

// Types text into widget, one key press and release per character.
inline void TypeText(QWidget* widget, const QString& text) {
    QTest::keyClicks(widget, text);
}

} // namespace qm::test
