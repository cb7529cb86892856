#pragma once

// Input to real widgets in GUI tests.
#include <QApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>

namespace ekaldo::testing {

// Types text into a widget key by key, as a Greek keyboard would (QTest's
// keyClicks knows no key for a Greek letter).
inline void TypeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}

} // namespace ekaldo::testing
