#pragma once
// Shared by the widget tests: one QApplication for the run, and answering the
// next modal dialog from inside its own event loop.

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

// The whole test run shares one application object.
inline void EnsureQApplication()
{
    if (QApplication::instance())
        return;
    static int argc = 1;
    static char name[] = "test_uiqt";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv); // lives for the whole run
}

// Runs action on the next modal dialog once it shows, inside its own event loop.
// A dialog the action fails to close is closed after a while, so a broken test
// fails instead of hanging.
inline void WhenModal(std::function<void(QWidget*)> action)
{
    auto* poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
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
    poll->start();
}
