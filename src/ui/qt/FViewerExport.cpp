#include "ui/qt/FViewerExport.h"
#include "ui/qt/QtText.h"

#include "base/FClock.h"
#include "export/FMovieExporter.h"
#include "export/MovieContainer.h"
#include "export/ffmpeg/FEncoderList.h"
#include "export/ffmpeg/FMovieWriter.h"
#include "framework/qt/FQtFramework.h"
#include "gl/FBookRenderer.h"
#include "ui/FMenuModel.h"
#include "ui/FileDialogRules.h"
#include "ui/qt/FDialogs.h"
#include "ui/qt/FExportDialogs.h"
#include "ui/qt/FExportProgressWindow.h"
#include "ui/qt/FQtFileDialog.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QOpenGLContext>
#include <QScreen>
#include <QWindow>

namespace {

// While the export runs, the main window shows frames but takes no input: no
// other command may start. Escape is noted for the export to ask about. Other
// windows (the export's own boxes) work as usual.
class FExportInputGuard : public QObject
{
public:
    explicit FExportInputGuard(FQtFramework& framework) : framework_(framework)
    {
        framework_.ForgetEscape();
        qApp->installEventFilter(this);
    }
    ~FExportInputGuard() override { qApp->removeEventFilter(this); }

protected:
    bool eventFilter(QObject* target, QEvent* event) override
    {
        if (!IsMainWindow(target))
            return false;
        switch (event->type()) {
        case QEvent::KeyPress:
        case QEvent::KeyRelease: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape)
                framework_.NoteEscape(event->type() == QEvent::KeyPress);
            return true;
        }
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::Close:
        case QEvent::ContextMenu: return true;
        default: return false;
        }
    }

private:
    bool IsMainWindow(QObject* target) const
    {
        QWidget* window = framework_.Window();
        if (!window)
            return false;
        if (target == framework_.Surface() || target == window->windowHandle())
            return true;
        auto* widget = qobject_cast<QWidget*>(target);
        return widget && widget->window() == window;
    }

    FQtFramework& framework_;
};

// A resize during the export would reset the device and take the render target
// with it: the window keeps its size and offers no maximise while the export runs.
// Flags change on the live window (no new native window under the GL surface).
class FWindowSizeLock
{
public:
    explicit FWindowSizeLock(QWidget* window)
        : window_(window), flags_(window->windowFlags()), minimum_(window->minimumSize()),
          maximum_(window->maximumSize())
    {
        if (window_->windowState() == Qt::WindowMaximized)
            window_->showNormal();
        SetFlags((flags_ | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                  Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) &
                 ~(Qt::WindowMaximizeButtonHint | Qt::WindowFullscreenButtonHint));
        Fix();
    }
    ~FWindowSizeLock()
    {
        window_->setMinimumSize(minimum_);
        window_->setMaximumSize(maximum_);
        SetFlags(flags_);
    }
    FWindowSizeLock(const FWindowSizeLock&) = delete;
    FWindowSizeLock& operator=(const FWindowSizeLock&) = delete;

    // Around a size change of the export's own.
    void Release()
    {
        window_->setMinimumSize(minimum_);
        window_->setMaximumSize(maximum_);
    }
    void Fix() { window_->setFixedSize(window_->size()); }

private:
    void SetFlags(Qt::WindowFlags flags)
    {
        window_->overrideWindowFlags(flags);
        if (QWindow* handle = window_->windowHandle())
            handle->setFlags(flags);
    }

    QWidget* window_;
    Qt::WindowFlags flags_;
    QSize minimum_, maximum_;
};

class FViewerExportHost : public FExportHost
{
public:
    FViewerExportHost(FQtFramework& framework, FBookRenderer& book, const FString& cancelText)
        : framework_(framework), book_(book), guard_(framework), lock_(framework.Window()),
          progress_(framework.Window(), ToQString(cancelText))
    {}

    FPreviewArea PreviewArea() const override
    {
        FPreviewArea area;
        QWidget* window = framework_.Window();
        const QSize frame = window->frameGeometry().size() - QSize(framework_.ClientWidth(), framework_.ClientHeight());
        area.frameWidth = frame.width();
        area.frameHeight = frame.height();
        const QSize screen = window->screen()->availableGeometry().size();
        area.screenWidth = screen.width();
        area.screenHeight = screen.height();
        return area;
    }
    void SetClientSize(int32_t width, int32_t height) override
    {
        lock_.Release();
        framework_.SetClientSize(width, height);
        lock_.Fix();
        clientWidth_ = framework_.ClientWidth();
        clientHeight_ = framework_.ClientHeight();
        framework_.MakeCurrent();
    }
    bool CreateRenderTarget(int32_t width, int32_t height) override
    {
        targetWidth_ = width;
        targetHeight_ = height;
        return framework_.MakeCurrent() && book_.Renderer().CreateRenderTarget(width, height);
    }
    FFrameView RenderTargetCopy() override { return FrameViewOf(book_.Renderer().GetRenderTargetCopy()); }
    FFrameView RenderFrame(FPhotoBookApp& app) override
    {
        KeepPreviewSize();
        if (!framework_.MakeCurrent())
            return {};
        // A device reset (a resize the lock could not stop, a lost context) takes the
        // target along: make it again at the same size, so the grabber's layout holds.
        if (!book_.Renderer().RenderTarget() &&
            (targetWidth_ <= 0 || !book_.Renderer().CreateRenderTarget(targetWidth_, targetHeight_)))
            return {};
        book_.Render(app.BeginFrame(framework_.ClientWidth(), framework_.ClientHeight(), Now()));
        framework_.Present();
        if (!book_.Renderer().CopyRenderTarget())
            return {};
        return FrameViewOf(book_.Renderer().GetRenderTargetCopy());
    }
    std::unique_ptr<FFrameSink> CreateSink() override { return std::make_unique<FMovieWriter>(); }
    // The guard keeps every command out while the framework reads the keyboard (and
    // the progress window its Cancel). A window destroyed from outside shows no
    // preview any more: the export stops as at Escape, with what it has.
    bool IsEscapeDown() override
    {
        const bool escape = framework_.IsEscapeDown() || framework_.WindowGone();
        return escape || progress_.CancelRequested();
    }
    // The title counts frames as well, for a glance at the task bar.
    void Progress(const FExportProgress& progress) override
    {
        framework_.Window()->setWindowTitle(QStringLiteral("%1, %2 / %3")
                                                .arg(QString::fromLatin1(kProgramTitle))
                                                .arg(progress.frame)
                                                .arg(progress.total));
        progress_.Show(progress);
    }
    // Any box ends the export: the progress window goes first.
    void ShowMessage(const FString& text, FMessageIcon icon) override
    {
        progress_.hide();
        framework_.ShowMessage(ToQString(text), QMessageBox::Ok,
                               icon == FMessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information);
    }
    void ShowExportBox(const FString& text, FMessageIcon icon) override
    {
        progress_.hide();
        QMessageBox box(icon == FMessageIcon::Error ? QMessageBox::Critical : QMessageBox::Information,
                        QStringLiteral("Vetra"), ToQString(text), QMessageBox::Ok);
        box.exec();
    }
    uint32_t Now() override { return MillisecondClock(); }

private:
    // Without a window manager that honours the lock the window can still be resized
    // (or maximised) from outside: put the preview back.
    void KeepPreviewSize()
    {
        QWidget* window = framework_.Window();
        if (clientWidth_ <= 0 || !framework_.IsWindowed())
            return;
        const bool zoomed = window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen);
        if (!zoomed && framework_.ClientWidth() == clientWidth_ && framework_.ClientHeight() == clientHeight_)
            return;
        if (zoomed)
            window->showNormal();
        lock_.Release();
        framework_.SetClientSize(clientWidth_, clientHeight_);
        lock_.Fix();
    }

    FQtFramework& framework_;
    FBookRenderer& book_;
    FExportInputGuard guard_;
    FWindowSizeLock lock_;
    FExportProgressWindow progress_;
    int clientWidth_ = 0, clientHeight_ = 0;
    int32_t targetWidth_ = 0, targetHeight_ = 0;
};

} // namespace

bool RunExportCommand(FPhotoBookApp& app, FQtFramework& framework, FBookRenderer& book, const FFileChooser& chooseFile)
{
    FSettings& settings = *app.settings;
    if (ExportSettingsDialog(framework.Window(), settings, *app.locale, app.photoCount) != kDialogOk)
        return false;
    // The book's folder names a first movie; the recent list's first path lies in it.
    const FString proposed = MovieChooserPath(settings.ExportMoviePath, VideosFolder(UserFolders()),
                                              settings.GetRecentPath(0).DirectoryPart(), settings.ExportType);
    const FString path = chooseFile(proposed, FFileDialogKind::Movie);
    if (path.IsEmpty())
        return false;
    // A name of no movie type is refused here, before the encoder is asked for.
    if (const FString refusal = MovieTypeRefusal(path); !refusal.IsEmpty()) {
        framework.ShowMessage(ToQString(refusal), QMessageBox::Ok, QMessageBox::Critical);
        return false;
    }
    settings.ExportMoviePath = path;
    if (settings.ExportType == 1) {
        std::vector<FEncoderNames> encoders;
        // Only what the chosen file type can carry.
        ListEncoders(encoders, *ContainerForPath(path));
        FString chosen = settings.EncoderName;
        int32_t quality = settings.ExportQuality;
        if (!EncoderDialog(framework.Window(), encoders, chosen, quality))
            return false;
        settings.EncoderName = chosen;
        settings.ExportQuality = quality;
    }

    // No idle frames of the interactive book while the export drives it.
    framework.SuspendIdleLoop();
    bool written = false;
    {
        FViewerExportHost host(framework, book, app.locale->GetText(65));
        written = ExportMovie(app, ExportSettingsFrom(settings), path, host);
    }
    framework.ResumeIdleLoop();
    return written;
}
