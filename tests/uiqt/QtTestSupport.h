#pragma once
// Shared by the widget tests: one QApplication for the run, and answering the
// next modal dialog from inside its own event loop.

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

inline void EnsureQApplication()
{
    static int argc = 1;
    static char name[] = "test_uiqt";
    static char* argv[] = {name, nullptr};
    if (!QApplication::instance())
        new QApplication(argc, argv); // lives for the whole run
}

// Runs action on the next modal widget of type T inside its own event loop, if one
// comes within five seconds; one it fails to close is closed after five more, so a
// broken test fails instead of hanging.
template <typename T = QWidget, typename Action> void WhenModal(Action action)
{
    auto* poll = new QTimer;
    QElapsedTimer started;
    started.start();
    QObject::connect(poll, &QTimer::timeout, [poll, action, started] {
        T* modal = qobject_cast<T*>(QApplication::activeModalWidget());
        const bool late = started.elapsed() > 5000;
        if (!late && (!modal || !modal->isVisible()))
            return;
        poll->stop();
        poll->deleteLater();
        if (late)
            return;
        QPointer<QWidget> dialog(modal);
        action(modal);
        QTimer::singleShot(5000, [dialog] {
            if (dialog && dialog->isVisible()) {
                ADD_FAILURE() << "dialog still open: " << dialog->objectName().toStdString();
                if (auto* d = qobject_cast<QDialog*>(dialog.data()))
                    d->done(-1);
            }
        });
    });
    poll->start(10);
}

inline void PressKey(QWidget* w, int key, const QString& text = QString())
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(w, &release);
}

template <typename T> T* Child(QWidget* dialog, const char* name)
{
    return dialog->findChild<T*>(QString::fromLatin1(name));
}

inline QString EditText(QWidget* dialog, const char* name)
{
    auto* edit = Child<QLineEdit>(dialog, name);
    return edit ? edit->text() : QStringLiteral("<missing>");
}

// Replaces an edit's text by typing, so its validator sees every key.
inline void Type(QWidget* dialog, const char* editName, const QString& text)
{
    auto* edit = Child<QLineEdit>(dialog, editName);
    ASSERT_NE(edit, nullptr) << editName;
    edit->selectAll();
    PressKey(edit, Qt::Key_Delete);
    for (QChar c : text)
        PressKey(edit, c.toUpper().unicode(), QString(c));
}

// A left press and release near the left end of w, where a radio button has its circle.
inline void Click(QWidget* w)
{
    ASSERT_NE(w, nullptr);
    const QPointF at(std::min(8, w->width() / 2), w->height() / 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, w->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, at, w->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(w, &release);
}

inline void ClickButton(QWidget* dialog, const char* name)
{
    Click(Child<QPushButton>(dialog, name));
}

// Picks a row of a drop-down list the way the keyboard does: from the row above, Down.
inline void ChooseRow(QWidget* dialog, const char* comboName, int row)
{
    auto* combo = Child<QComboBox>(dialog, comboName);
    ASSERT_NE(combo, nullptr) << comboName;
    combo->setCurrentIndex(row - 1);
    PressKey(combo, Qt::Key_Down);
    ASSERT_EQ(combo->currentIndex(), row);
}
