// Quillo's Photo Book: settings and locale first, then the window where it was
// closed, its menus, the OpenGL device, the most recent folder and the main loop;
// closing the window saves the settings.

#include "app/FPhotoBookApp.h"
#include "base/FFile.h"
#include "framework/FFramework.h"
#include "ui/FMenuModel.h"
#include "ui/ViewerArguments.h"
#include "ui/qt/FShell.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

#include <filesystem>
#include <string>
#include <vector>

#include <cstdio>
#include <cstdlib>

namespace {

// The one application record, alive for the whole process.
FPhotoBookApp gApp;

// Qt gives up on a missing display or platform with a fatal message and an abort;
// while the application starts that is the program's "could not initialize".
QtMessageHandler gQtMessages = nullptr;

void StartupMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (gQtMessages)
        gQtMessages(type, context, message);
    else
        std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
    if (type == QtFatalMsg) {
        std::fprintf(stderr, "%s\n", FrameworkErrorText(FFrameworkError::NoGraphics).ToUtf8().c_str());
        std::_Exit(static_cast<int>(FFrameworkError::NoGraphics));
    }
}

std::vector<std::string> Arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv + std::min(argc, 1), argv + argc);
}

} // namespace

int main(int argc, char** argv)
{
    const std::string program = argc > 0 ? std::filesystem::path(argv[0]).filename().string() : "quillo-photobook";
    // Answered without a display, as any command-line program would.
    if (AsksForHelpOrVersion(Arguments(argc, argv))) {
        const FViewerArguments asked = ParseViewerArguments(Arguments(argc, argv));
        std::fputs((asked.help ? ViewerUsage(program) : ViewerVersion()).c_str(), stdout);
        return 0;
    }
    gQtMessages = qInstallMessageHandler(StartupMessage);
    QApplication application(argc, argv);
    qInstallMessageHandler(gQtMessages);
    // Qt has taken its own options (-platform, -style, ...) out of argv.
    const FViewerArguments arguments = ParseViewerArguments(Arguments(argc, argv));
    if (!arguments.error.empty()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program.c_str(),
                     arguments.error.c_str(), program.c_str());
        return 2;
    }
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
    if (!shell.Start(nullptr, FString::FromUtf8(arguments.path)))
        return shell.ExitCode();
    return shell.Run();
}
