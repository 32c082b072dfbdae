// Quillo's Photo Book: start-up in the order the book needs it. Settings and
// locale come first, then the window where it was closed, its menus, the OpenGL
// device, and the main loop; closing the window saves the settings.

#include "app/FDevicePolicy.h"
#include "app/FPhotoBookApp.h"
#include "app/WindowRect.h"
#include "base/FClock.h"
#include "framework/qt/FQtFramework.h"
#include "render/gl/FGlFrame.h"
#include "ui/FCommandIds.h"
#include "ui/FMenuModel.h"
#include "ui/qt/FQtFileDialog.h"
#include "ui/qt/FQtMenuBar.h"

#include <QApplication>
#include <QMessageBox>
#include <QScreen>

#include <cstdio>
#include <memory>

namespace {

// The one application record, alive for the whole process.
FPhotoBookApp gApp;

QString ToQString(const FString& text)
{
    return QString::fromUtf16(text.Text(), text.Length());
}

class FShell : public FAppHost
{
public:
    FShell() = default;

    FString ShowFileDialog(const FString& path, FFileDialogKind kind) override
    {
        framework_.Pause(true, true);
        const FString chosen = ::ShowFileDialog(framework_.Window(), path, kind, *gApp.locale);
        framework_.Pause(false, false);
        return chosen;
    }

    void RefreshMenus() override
    {
        if (menus_)
            menus_->Apply(BuildMenuState(*gApp.locale, *gApp.settings));
    }

    int Run()
    {
        framework_.SetCallbacks(Callbacks());
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        if (!gApp.Init(FSettingsEnvironment::ForRunningProgram(screen.width(), screen.height()), MillisecondClock()))
            return 1;
        gApp.host = this;
        const FRect r = ClampWindowRect(gApp.settings->Window, screen.width(), screen.height());
        if (!framework_.CreateMainWindow(QString::fromLatin1(kProgramTitle),
                                         QRect(r.left, r.top, r.Width(), r.Height())))
            return framework_.ExitCode();
        menus_ = std::make_unique<FQtMenuBar>(
            *framework_.MenuBar(), [this](int command) { framework_.Dispatch(FMessage::Command(command)); },
            [this](bool shown) { framework_.OnMenuShown(shown); });
        RefreshMenus();
        if (!framework_.CreateDevice(true, 640, 480))
            return framework_.ExitCode();
        gApp.ScanFolder(gApp.settings->GetRecentPath(0), gApp.settings->Sort != 0, MillisecondClock());
        return framework_.MainLoop();
    }

private:
    FFrameworkCallbacks Callbacks()
    {
        FFrameworkCallbacks c;
        c.isDeviceAcceptable = [](const FDeviceCaps& caps, bool windowed) { return IsDeviceAcceptable(caps, windowed); };
        c.modifyDeviceSettings = [this](FDeviceSettings& settings) {
            return ModifyDeviceSettings(settings, framework_.ClientWidth(), framework_.ClientHeight());
        };
        c.onDeviceCreated = [this](const FBackBufferDesc& desc) { return OnDeviceReset(desc); };
        c.onDeviceReset = [this](const FBackBufferDesc& desc) { return OnDeviceReset(desc); };
        c.onDeviceLost = [] {};
        c.onDeviceDestroyed = [] {};
        c.onMsgProc = [this](const FMessage& message) { return MsgProc(message); };
        c.onFrameRender = [this](double, float) { FrameRender(); };
        c.onFrameMove = [](double, float) { gApp.FrameMove(MillisecondClock()); };
        return c;
    }

    FResult OnDeviceReset(const FBackBufferDesc& desc)
    {
        backBuffer_ = desc;
        return kOk;
    }

    void FrameRender()
    {
        const FColour& bg = gApp.settings->BGColour;
        GlClearFrame({bg.red, bg.green, bg.blue}, backBuffer_.width, backBuffer_.height);
        ++gApp.framesRendered;
        const QString title = ToQString(WindowTitle(gApp.pageIndex, gApp.photoCount, gApp.ArePhotoTexturesPending(), *gApp.locale));
        if (framework_.Window()->windowTitle() != title)
            framework_.Window()->setWindowTitle(title);
    }

    int ToggleFullScreen()
    {
        framework_.Pause(true, true);
        const int result = framework_.ToggleFullScreen();
        framework_.Pause(false, false);
        return result;
    }

    bool MsgProc(const FMessage& message)
    {
        switch (message.kind) {
        case FMessageKind::Close:
            Shutdown();
            return false;
        case FMessageKind::Command:
            if (message.command == kCmdToggleFullScreen)
                ToggleFullScreen();
            else if (message.command == kCmdExit)
                framework_.Close();
            return false;
        case FMessageKind::KeyDown:
            if (message.key == FKey::Escape) {
                if (framework_.IsWindowed())
                    framework_.Close();
                else
                    ToggleFullScreen();
                return true;
            }
            return false;
        default:
            return false;
        }
    }

    void Shutdown()
    {
        if (!gApp.IsInitialised())
            return;
        // In full screen the window's place is the screen; the place to reopen at is
        // the window it was before.
        QRect outer = framework_.Window()->frameGeometry();
        if (!framework_.IsWindowed())
            outer = framework_.Window()->normalGeometry();
        FString error;
        if (!gApp.Shutdown({outer.left(), outer.top(), outer.left() + outer.width(), outer.top() + outer.height()},
                           &error)) {
            const QString text = QStringLiteral("The settings could not be saved.\n\n") + ToQString(error);
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
            framework_.ShowMessage(text, QMessageBox::Ok, QMessageBox::Warning);
        }
    }

    FQtFramework framework_;
    std::unique_ptr<FQtMenuBar> menus_;
    FBackBufferDesc backBuffer_;
};

} // namespace

int main(int argc, char** argv)
{
    // The program takes no command-line arguments; Qt still sees its own.
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kProgramTitle));
    FShell shell;
    return shell.Run();
}
