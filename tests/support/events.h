#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QString>
#include <QTest>

namespace velmora::test {

// Lets Qt carry out what it deferred: posted events, deletions of closed windows, the program's end.
inline void settle() {
    QCoreApplication::sendPostedEvents(nullptr, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

// Types text into a widget key by key, as a keyboard or an input method delivers each character
// (QTest::keyClicks takes Latin-1 only).
inline void typeText(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

}  // namespace velmora::test
