// Mouse and keyboard input for the dialog tests, sent to the widgets as the
// window system would send it: a click (press and release) at a point, a
// double-click, and typed text as key presses.
#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <gtest/gtest.h>

namespace qm::test {

inline void SendMouse(QWidget* widget, QEvent::Type type, QPoint at) {
    const QPointF local(at);
    const QPointF global(widget->mapToGlobal(at));
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, local, local, global, Qt::LeftButton, held, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// A left click in the middle of widget (or at a point of it).
inline void ClickAt(QWidget* widget, QPoint at) {
    SendMouse(widget, QEvent::MouseButtonPress, at);
    SendMouse(widget, QEvent::MouseButtonRelease, at);
}

inline void Click(QAbstractButton* button) {
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isEnabled()) << button->text().toStdString();
    ClickAt(button, button->rect().center());
}

inline void DoubleClickAt(QWidget* widget, QPoint at) {
    ClickAt(widget, at);
    SendMouse(widget, QEvent::MouseButtonDblClick, at);
    SendMouse(widget, QEvent::MouseButtonRelease, at);
}

// Types text into widget, one key press and release per character.
inline void TypeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

} // namespace qm::test
