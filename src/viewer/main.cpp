// Quillo's Photo Book: settings and locale first, then the window where it was
// closed, its menus, the OpenGL device, the most recent folder and the main loop;
// closing the window saves the settings.

#include "app/FPhotoBookApp.h"
#include "base/FFile.h"
#include "ui/FMenuModel.h"
#include "ui/qt/FShell.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

#include <string>

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
    // Read as every other file is, so that no name in media/ can stall the start.
    std::string iconBytes;
    int iconError = 0;
    QPixmap icon;
    if (ReadFileBytes(GetModuleDirectory().Concat(FString(u"/media/quillo-photobook.png")), uint64_t(16) << 20,
                      iconBytes, iconError) &&
        icon.loadFromData(reinterpret_cast<const uchar*>(iconBytes.data()), static_cast<uint>(iconBytes.size())))
        QApplication::setWindowIcon(QIcon(icon));
    FShell shell(gApp);
    if (!shell.Start())
        return shell.ExitCode();
    return shell.Run();
}
