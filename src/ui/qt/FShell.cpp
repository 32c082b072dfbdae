#include "ui/qt/FShell.h"
#include "ui/qt/FViewerExport.h"
#include "ui/qt/QtText.h"

#include "app/FDevicePolicy.h"
#include "app/FPhotoBookApp.h"
#include "app/WindowRect.h"
#include "base/FClock.h"
#include "base/FCommandIds.h"
#include "base/FFile.h"
#include "base/StopSignals.h"
#include "export/FSlideshow.h"
#include "framework/qt/FQtFramework.h"
#include "gl/FBookRenderer.h"
#include "ui/FMenuModel.h"
#include "ui/MsgProc.h"
#include "ui/qt/FDialogs.h"
#include "ui/qt/FQtFileDialog.h"
#include "ui/qt/FQtMenuBar.h"
#include "ui/qt/FShell.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QScreen>
#include <QSocketNotifier>
#include <QStandardPaths>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <signal.h>
#include <unistd.h>

namespace {

// A logout sends SIGTERM, a closed terminal SIGHUP; kill, timers and a CPU limit send
// others that would end the program too. The handler may only write to a pipe; the
// main loop reads it and closes the window the usual way, which saves the settings.
int gTerminatePipe[2] = {-1, -1};

void OnTerminateSignal(int signal)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    (void)!::write(gTerminatePipe[1], &byte, 1);
    errno = saved;
}

} // namespace

class FShellImpl : public FAppHost
{
public:
    explicit FShellImpl(FPhotoBookApp& app) : app_(app) {}
    ~FShellImpl() override
    {
        // Decodes would tell a framework that is gone.
        app_.photoStream.reset();
        app_.onPhotoDecoded = nullptr;
        RemoveTerminateHandler();
    }
    FShellImpl(const FShellImpl&) = delete;
    FShellImpl& operator=(const FShellImpl&) = delete;

    FString ShowFileDialog(const FString& path, FFileDialogKind kind) override
    {
        framework_.Pause(true, true);
        const FString chosen = ::ShowFileDialog(framework_.Window(), path, kind, *app_.locale);
        framework_.Pause(false, false);
        return chosen;
    }

    void RefreshMenus() override
    {
        if (menus_)
            menus_->Apply(BuildMenuState(*app_.locale, *app_.settings));
    }

    // Start-up up to the main loop: settings and locale, the window where it was
    // closed, its menus, the device and the most recent folder.
    bool Start(const FSettingsEnvironment* environment, const FString& openPath)
    {
        InstallTerminateHandler();
        framework_.SetCallbacks(Callbacks());
        const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
        FSettingsEnvironment env =
            environment ? *environment : FSettingsEnvironment::ForRunningProgram(screen.width(), screen.height());
        env.screenWidth = screen.width();
        env.screenHeight = screen.height();
        if (!app_.Init(env, MillisecondClock())) {
            exitCode_ = 1;
            return false;
        }
        app_.host = this;
        app_.textureLoader = &book_.Loader();
        app_.onPhotoDecoded = [this] { framework_.RequestFrame(); };
        const FRect r = ClampWindowRect(app_.settings->Window, screen.width(), screen.height());
        if (!framework_.CreateMainWindow(QString::fromLatin1(kProgramTitle),
                                         QRect(r.left, r.top, r.Width(), r.Height()))) {
            exitCode_ = framework_.ExitCode();
            return false;
        }
        menus_ = std::make_unique<FQtMenuBar>(
            *framework_.MenuBar(), [this](int command) { framework_.Dispatch(FMessage::Command(command)); },
            [this](bool shown) { framework_.OnMenuShown(shown); });
        RefreshMenus();
        if (!framework_.CreateDevice(true, 640, 480)) {
            exitCode_ = framework_.ExitCode();
            return false;
        }
        if (!app_.settings->UnreadFile().IsEmpty()) {
            // Said once, now: whatever the user changes from here on is not kept.
            const QString text =
                QStringLiteral("The settings could not be read; changes to them will not be saved.\n\n") +
                ToQString(app_.settings->UnreadFile());
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
            framework_.ShowMessage(text, QMessageBox::Ok, QMessageBox::Warning);
        }
        if (openPath.IsEmpty() || !OpenPath(openPath))
            app_.ScanFolder(app_.settings->GetRecentPath(0), app_.settings->Sort != 0, MillisecondClock());
        return true;
    }

    // A photo or folder handed over; false (the user told why) when it cannot be shown.
    bool OpenPath(const FString& path)
    {
        const FString reason = app_.OpenPath(path, MillisecondClock());
        if (reason.IsEmpty())
            return true;
        DebugOutput(reason);
        ShowMessage(reason, FMessageIcon::Warning);
        return false;
    }

    int MainLoop() { return framework_.MainLoop(); }
    int ExitCode() const { return exitCode_; }
    FQtFramework& Framework() { return framework_; }
    FQtMenuBar* Menus() { return menus_.get(); }

private:
    FFrameworkCallbacks Callbacks()
    {
        FFrameworkCallbacks c;
        c.isDeviceAcceptable = [](const FDeviceCaps& caps, bool windowed) {
            return IsDeviceAcceptable(caps, windowed);
        };
        c.modifyDeviceSettings = [this](FDeviceSettings& settings) {
            return ModifyDeviceSettings(settings, framework_.ClientWidth(), framework_.ClientHeight());
        };
        // The reset that always follows creation sets the book up: once is enough.
        c.onDeviceCreated = [](const FBackBufferDesc&) { return kOk; };
        c.onDeviceReset = [this](const FBackBufferDesc& desc) { return OnDeviceReset(desc); };
        c.onDeviceLost = [this] {
            book_.DeviceLost();
            app_.ReleaseDeviceTextures();
        };
        c.onDeviceDestroyed = [this] {
            book_.DeviceDestroyed();
            app_.ReleaseDeviceTextures();
        };
        c.onMsgProc = [this](const FMessage& message) { return MsgProc(message); };
        c.onOpenPath = [this](const FString& path) {
            if (app_.IsInitialised()) {
                StopSlideshow();
                OpenPath(path);
            }
        };
        c.onFrameRender = [this](double, float) { FrameRender(); };
        c.onFrameMove = [this](double, float) {
            if (app_.IsInitialised())
                slideshow_.FrameMove(app_, MillisecondClock());
        };
        c.wantsFrames = [this] {
            return app_.IsInitialised() && (app_.WantsFrames() || slideshow_.IsPlaying() ||
                                            (!app_.effectPath.IsEmpty() && book_.EffectFollowsClock()));
        };
        return c;
    }

    FResult OnDeviceReset(const FBackBufferDesc& desc)
    {
        backBuffer_ = desc;
        const FGlScreen screen{framework_.ScreenFramebuffer(), desc.width, desc.height};
        const FResult result = book_.DeviceReset(screen, app_.effectPath);
        if (result < 0) {
            std::fprintf(stderr, "%s\n", book_.LastError().c_str());
            return result;
        }
        app_.ReloadDecorations();
        return result;
    }

    void FrameRender()
    {
        if (book_.HasDevice() && app_.IsInitialised()) {
            book_.SetScreen({framework_.ScreenFramebuffer(), framework_.ClientWidth(), framework_.ClientHeight()});
            book_.Render(app_.BeginFrame(framework_.ClientWidth(), framework_.ClientHeight(), MillisecondClock()));
        }
        const QString title = ToQString(WindowTitle(app_.pageIndex, app_.photoCount, app_.ArePhotoTexturesPending(),
                                                    *app_.locale, slideshow_.IsPlaying()));
        if (framework_.Window()->windowTitle() != title)
            framework_.Window()->setWindowTitle(title);
    }

    // Host services the book asks for.
    int ShowMessage(const FString& text, FMessageIcon icon) override
    {
        static constexpr QMessageBox::Icon kIcons[] = {QMessageBox::NoIcon, QMessageBox::Information,
                                                       QMessageBox::Warning, QMessageBox::Critical};
        return framework_.ShowMessage(ToQString(text), QMessageBox::Ok, kIcons[static_cast<int>(icon)]);
    }

    void ShowPopupMenu(int x, int y, PopupKind kind) override
    {
        if (!framework_.IsWindowed())
            return;
        const FString photoPath = app_.selectedPhoto >= 0 && app_.selectedPhoto < app_.photoCount
                                      ? app_.photoPaths[static_cast<size_t>(app_.selectedPhoto)]
                                      : FString();
        QMenu menu(framework_.Window());
        for (const FPopupItem& item : PopupMenuItems(kind, *app_.locale, photoPath)) {
            if (item.kind == FMenuItemKind::Separator) {
                menu.addSeparator();
                continue;
            }
            QAction* action = menu.addAction(ToQString(MenuText(item.text)));
            action->setEnabled(item.enabled);
            action->setData(item.command);
        }
        framework_.OnMenuShown(true);
        const double ratio = framework_.Surface()->devicePixelRatio();
        const QPoint global =
            framework_.Surface()->mapToGlobal(QPoint(static_cast<int>(x / ratio), static_cast<int>(y / ratio)));
        QAction* chosen = menu.exec(global);
        framework_.OnMenuShown(false);
        if (chosen && chosen->data().toInt() != 0)
            framework_.Dispatch(FMessage::Command(chosen->data().toInt()));
    }

    bool IsWindowed() const override { return framework_.IsWindowed(); }

    void ToggleFullScreen() override
    {
        framework_.Pause(true, true);
        framework_.ToggleFullScreen();
        framework_.Pause(false, false);
    }

    void CloseMainWindow() override { framework_.Close(); }
    void InvalidateWindow() override { framework_.Window()->update(); }
    int ClientWidth() const override { return framework_.ClientWidth(); }
    int ClientHeight() const override { return framework_.ClientHeight(); }

    bool CopyFileNoOverwrite(const FString& from, const FString& to) override
    {
        // QFile::copy never replaces an existing file.
        return QFile::copy(QFile::decodeName(from.ToUtf8().c_str()), QFile::decodeName(to.ToUtf8().c_str()));
    }

    bool DeleteToTrash(const FString& path) override
    {
        const QString file = QFile::decodeName(path.ToUtf8().c_str());
        if (framework_.IsWindowed() &&
            QMessageBox::question(framework_.Window(), QString::fromLatin1(kProgramTitle),
                                  QStringLiteral("Move \"%1\" to the trash?").arg(QFileInfo(file).fileName())) !=
                QMessageBox::Yes)
            return false;
        // Qt 6.4's trash call "succeeds" into a files/ folder of the working
        // directory when the data home is missing.
        QDir().mkpath(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
        return QFile::moveToTrash(file);
    }

    bool ChooseColour(int& red, int& green, int& blue) override
    {
        framework_.Pause(true, true);
        const bool chosen = ::ChooseColour(framework_.Window(), red, green, blue);
        framework_.Pause(false, false);
        return chosen;
    }

    void SpeedDialog() override
    {
        framework_.Pause(true, true);
        ::SpeedDialog(framework_.Window(), *app_.settings, *app_.locale);
        framework_.Pause(false, false);
    }

    void AboutDialog() override
    {
        framework_.Pause(true, true);
        ::AboutDialog(framework_.Window(), *app_.locale);
        framework_.Pause(false, false);
    }

    void OpenDocument(const FString& path) override { ::OpenDocument(framework_.Window(), path); }

    void ExportMovie() override
    {
        RunExportCommand(app_, framework_, book_,
                         [this](const FString& path, FFileDialogKind kind) { return ShowFileDialog(path, kind); });
        framework_.Window()->setWindowTitle(QString());
    }

    void StartSlideshow() override
    {
        const FString reason = slideshow_.Start(app_, MillisecondClock());
        if (!reason.IsEmpty()) {
            ShowMessage(reason, FMessageIcon::Information);
            return;
        }
        framework_.RequestFrame();
    }

    bool StopSlideshow() override
    {
        if (!slideshow_.IsPlaying())
            return false;
        slideshow_.Stop(app_, MillisecondClock());
        framework_.RequestFrame();
        return true;
    }

    void ChangeEffect() override
    {
        auto makeCurrent = [this] { return framework_.DeviceReady() && framework_.MakeCurrent(); };
        if (!makeCurrent() || !book_.Renderer().SupportsPixelShader(2, 0)) {
            ShowMessage(FString(u"Your graphics card is not powerful enough to use effects. To use effects you "
                                u"need a graphics card that supports pixel shader 2.0"),
                        FMessageIcon::Error);
            return;
        }
        // The trailing "/" keeps the chooser in the folder itself even when the
        // program's path holds a ".".
        const FString chosen =
            ShowFileDialog(GetModuleDirectory().Concat(FString(u"/media/Effects/")), FFileDialogKind::Effect);
        if (chosen.IsEmpty())
            return;
        // The chooser's own painting may have left another context current.
        if (!makeCurrent())
            return;
        const FString error = book_.SelectEffect(chosen);
        app_.SetEffectPath(error.IsEmpty() ? chosen : FString());
        if (!error.IsEmpty())
            ShowMessage(error, FMessageIcon::Error);
    }

private:
    void InstallTerminateHandler()
    {
        if (terminateNotifier_ || ::pipe2(gTerminatePipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return;
        terminateNotifier_ = std::make_unique<QSocketNotifier>(gTerminatePipe[0], QSocketNotifier::Read);
        QObject::connect(terminateNotifier_.get(), &QSocketNotifier::activated, [this] { OnTerminateRequested(); });
        CatchStopSignals(OnTerminateSignal, SA_RESTART, false);
    }

    void RemoveTerminateHandler()
    {
        if (!terminateNotifier_)
            return;
        ReleaseStopSignals(OnTerminateSignal);
        terminateNotifier_.reset();
        for (int& fd : gTerminatePipe) {
            ::close(fd);
            fd = -1;
        }
    }

    void OnTerminateRequested()
    {
        unsigned char bytes[16];
        int signal = SIGTERM;
        for (ssize_t n; (n = ::read(gTerminatePipe[0], bytes, sizeof bytes)) > 0;)
            signal = bytes[n - 1];
        // A window already closing ignores this; it is saving anyway.
        if (framework_.Window()) {
            framework_.Close();
            return;
        }
        // Before the window there is nothing to save: end as the signal would have.
        RemoveTerminateHandler();
        ::raise(signal);
    }

    bool MsgProc(const FMessage& message)
    {
        if (message.kind == FMessageKind::Close) {
            Shutdown();
            return false;
        }
        if (!app_.IsInitialised())
            return false;
        return ::MsgProc(app_, message, MillisecondClock());
    }

    void Shutdown()
    {
        if (!app_.IsInitialised())
            return;
        slideshow_.Stop(app_, MillisecondClock());
        // In full screen the window's place is the screen; the place to reopen at is
        // the window it was before, frame included. Where the compositor places
        // windows only the size is the window's own: the stored place stays.
        QRect outer = framework_.WindowedFrameGeometry();
        if (!FQtFramework::PlacesWindows())
            outer.moveTopLeft(QPoint(app_.settings->Window.left, app_.settings->Window.top));
        // The frame loop stops first: a message box below runs its own event loop,
        // and no frame may run on the book while it is being put away.
        framework_.SuspendIdleLoop();
        FString error;
        if (!app_.SaveSettings({outer.left(), outer.top(), outer.left() + outer.width(), outer.top() + outer.height()},
                               &error)) {
            const QString text = QStringLiteral("The settings could not be saved.\n\n") + ToQString(error);
            std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
            framework_.ShowMessage(text, QMessageBox::Ok, QMessageBox::Warning);
        }
        app_.Release();
    }

    FPhotoBookApp& app_;
    int exitCode_ = 0;
    FQtFramework framework_;
    FBookRenderer book_;
    FSlideshow slideshow_;
    std::unique_ptr<FQtMenuBar> menus_;
    FBackBufferDesc backBuffer_;
    std::unique_ptr<QSocketNotifier> terminateNotifier_;
};


FShell::FShell(FPhotoBookApp& app) : impl_(std::make_unique<FShellImpl>(app)) {}
FShell::~FShell() = default;
bool FShell::Start(const FSettingsEnvironment* environment, const FString& openPath)
{
    return impl_->Start(environment, openPath);
}
int FShell::Run()
{
    return impl_->MainLoop();
}
int FShell::ExitCode() const
{
    return impl_->ExitCode();
}
FQtFramework& FShell::Framework()
{
    return impl_->Framework();
}
FQtMenuBar* FShell::Menus()
{
    return impl_->Menus();
}
