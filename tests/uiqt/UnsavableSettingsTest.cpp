// Closing the viewer when its settings cannot be written: the user is told, and
// nothing runs on the book while the message is up (it used to crash there, the
// frame loop running on settings already freed).

#include "../base/TestFiles.h"
#include "QtTestSupport.h"
#include "app/FPhotoBookApp.h"
#include "framework/qt/FQtFramework.h"
#include "ui/qt/FShell.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>

#include <filesystem>

namespace {

TEST(UnsavableSettings, ClosingSaysSoAndEndsCleanly)
{
    EnsureQApplication();
    ScratchDir dir;
    // A folder in the settings file's place: the save fails.
    std::filesystem::create_directories(dir.file("QuilloPhotoBook.ini"));
    FPhotoBookApp app;
    auto shell = std::make_unique<FShell>(app);
    FSettingsEnvironment environment{dir.dirF(), 1280, 1024};
    ASSERT_TRUE(shell->Start(&environment));
    FQtFramework& framework = shell->Framework();
    ASSERT_TRUE(framework.StartIdleLoop());
    QElapsedTimer timer;
    timer.start();
    while (app.framesRendered < 3 && timer.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);

    QString said;
    WhenModal([&](QWidget* box) {
        // Frames would run now if the loop went on: give them time to.
        QElapsedTimer shown;
        shown.start();
        while (shown.elapsed() < 300)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        said = qobject_cast<QMessageBox*>(box) ? qobject_cast<QMessageBox*>(box)->text() : QString();
        qobject_cast<QDialog*>(box)->accept();
    });
    framework.Close();
    EXPECT_TRUE(said.startsWith(QStringLiteral("The settings could not be saved.")));
    EXPECT_FALSE(app.IsInitialised());
    shell.reset();
}

} // namespace
