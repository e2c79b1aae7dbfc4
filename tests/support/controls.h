#pragma once

#include <QTest>
#include <QWidget>

// A control of a window by its name; fails the test when there is none.
template <typename T = QWidget> T* control(QWidget* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromUtf8(name));
    if (!found)
        qFatal("no control %s in %s", name, qPrintable(window->objectName()));
    return found;
}

// Types a text key by key, accents included (QTest::keyClicks takes ASCII only).
inline void typeText(QWidget* widget, const QString& text) {
    for (QChar ch : text) {
        const auto key = static_cast<Qt::Key>(ch.toUpper().unicode());
        QTest::sendKeyEvent(QTest::Press, widget, key, QString(ch), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, key, QString(ch), Qt::NoModifier);
    }
}
