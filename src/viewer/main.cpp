// Quillo's Photo Book: settings and locale first, then the window where it was
// closed, its menus, the OpenGL device, the most recent folder and the main loop;
// closing the window saves the settings.

#include "app/FPhotoBookApp.h"
#include "base/FFile.h"
#include "ui/FMenuModel.h"
#include "ui/qt/FShell.h"

#include <QApplication>
#include <QIcon>

namespace {

// The one application record, alive for the whole process.
FPhotoBookApp gApp;

} // namespace

int main(int argc, char** argv)
{
    // The program takes no command-line arguments; Qt still sees its own.
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kProgramTitle));
    QApplication::setDesktopFileName(QStringLiteral("quillo-photobook"));
    QApplication::setWindowIcon(
        QIcon(QString::fromStdString(GetModuleDirectory().ToUtf8() + "/media/quillo-photobook.png")));
    FShell shell(gApp);
    if (!shell.Start())
        return shell.ExitCode();
    return shell.Run();
}
