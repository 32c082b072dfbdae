#include "framework/qt/FQtFramework.h"

#include "framework/qt/FQtEvents.h"

#include <QAbstractNativeEventFilter>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QScreen>
#include <QSurfaceFormat>
#include <QWidget>
#include <QThread>
#include <QWindow>
#include <QWindowStateChangeEvent>

#include <cstdio>
#include <xcb/xcb.h>

namespace {

// An interactive resize sends a stream of size changes; the device follows once
// the stream has been quiet this long, as it would at the end of a drag.
constexpr int kResizeSettleMs = 250;
// How long the start waits for a window manager to frame the new window.
constexpr int kFrameWaitMs = 2000;
// How often a resting book looks at its files.
constexpr int kRestCheckMs = 1000;
// How often a window destroyed from outside looks whether it may close.
constexpr int kGoneCloseMs = 100;

// Qt does not notice when another X client destroys a top-level window: the
// window's own DestroyNotify (it listens to its structure events) tells.
class FDestroyWatch : public QAbstractNativeEventFilter
{
public:
    explicit FDestroyWatch(FQtFramework& host) : host_(host) {}

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override
    {
        if (type != "xcb_generic_event_t" ||
            (static_cast<const xcb_generic_event_t*>(message)->response_type & 0x7f) != XCB_DESTROY_NOTIFY)
            return false;
        const QWidget* window = host_.Window();
        const auto* event = static_cast<const xcb_destroy_notify_event_t*>(message);
        if (window && window->internalWinId() != 0 && event->window == window->internalWinId())
            QMetaObject::invokeMethod(&host_, [host = &host_] { host->OnWindowDestroyed(); }, Qt::QueuedConnection);
        return false;
    }

private:
    FQtFramework& host_;
};

QSurfaceFormat RequestedFormat(FDepthStencil depthStencil)
{
    QSurfaceFormat format;
    format.setRenderableType(QSurfaceFormat::OpenGL);
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    const FDepthStencilBits bits = BitsOf(depthStencil);
    format.setDepthBufferSize(bits.depth);
    format.setStencilBufferSize(bits.stencil);
    format.setRedBufferSize(8);
    format.setGreenBufferSize(8);
    format.setBlueBufferSize(8);
    // No alpha: a compositor would blend the book with what lies behind the window.
    format.setAlphaBufferSize(0);
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setSwapInterval(1);
    return format;
}

// The formats a framebuffer with these bits can stand in for.
FDeviceCaps CapsOf(int depth, int stencil)
{
    FDeviceCaps caps;
    caps.blendingRenderTarget = true; // every OpenGL 3.3 context blends into both
    for (FDepthStencil format :
         {FDepthStencil::D24S8, FDepthStencil::D24X4S4, FDepthStencil::D15S1, FDepthStencil::D24FS8}) {
        const FDepthStencilBits bits = BitsOf(format);
        if (depth >= bits.depth && stencil >= bits.stencil)
            caps.usableDepthStencil.push_back(format);
    }
    return caps;
}

bool IsCore33(const QSurfaceFormat& actual)
{
    return actual.majorVersion() > 3 || (actual.majorVersion() == 3 && actual.minorVersion() >= 3);
}

// The menu bar takes its height only once its menus have titles, after the window
// was shown: the layout is brought up to date and the widget given time to make its
// context and framebuffer, so the device is made once, for the client area the first
// frame fills.
void SettleClientArea(QMainWindow& window, QOpenGLWidget& surface)
{
    if (QLayout* layout = window.layout())
        layout->activate();
    QCoreApplication::sendPostedEvents();
    QElapsedTimer waited;
    waited.start();
    while (!surface.isValid() && waited.elapsed() < kFrameWaitMs)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
}

} // namespace

// ---------------------------------------------------------------------------

FGlSurface::FGlSurface(FQtFramework& host, QWidget* parent) : QOpenGLWidget(parent), host_(host)
{
    // What the export draws between paints stays in the framebuffer until shown.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(1, 1);
}

bool FGlSurface::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyRelease:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            host_.NoteEscape(false);
        break;
    case QEvent::KeyPress: {
        // Before QWidget sees it: Tab would move the focus instead of reaching the book.
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            host_.NoteEscape(true);
        FMessage message;
        if (TranslateKey(*static_cast<QKeyEvent*>(event), message)) {
            host_.Dispatch(message);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        FMessage message;
        if (TranslateMouse(*static_cast<QMouseEvent*>(event), devicePixelRatio(), clicks_, message)) {
            host_.Dispatch(message);
            return true;
        }
        break;
    }
    default: break;
    }
    return QOpenGLWidget::event(event);
}

void FGlSurface::paintGL()
{
    host_.OnPaint();
}

void FGlSurface::resizeGL(int, int)
{
    host_.OnSurfaceResized();
}

FMainWindow::FMainWindow(FQtFramework& host) : host_(host)
{
    setMinimumSize(kMinimumWindowSize, kMinimumWindowSize);
    setAcceptDrops(true);
}

void FMainWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (host_.AcceptsDrop(*event->mimeData()))
        event->acceptProposedAction();
}

void FMainWindow::dropEvent(QDropEvent* event)
{
    if (!host_.AcceptsDrop(*event->mimeData()))
        return;
    event->acceptProposedAction();
    // The source waits for the drop to end: the folder opens after it has.
    const QMimeData* data = event->mimeData();
    QList<QUrl> urls = data->urls();
    QTimer::singleShot(0, this, [this, urls] {
        QMimeData copy;
        copy.setUrls(urls);
        host_.OnDrop(copy);
    });
}

void FMainWindow::closeEvent(QCloseEvent* event)
{
    // The host tears everything down itself once the application has seen the close.
    event->ignore();
    host_.OnCloseRequested();
}

void FMainWindow::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::WindowStateChange)
        host_.OnWindowStateChanged();
    else if (event->type() == QEvent::ActivationChange)
        host_.OnActivationChanged(isActiveWindow());
    QMainWindow::changeEvent(event);
}

void FMainWindow::keyReleaseEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        host_.NoteEscape(false);
    QMainWindow::keyReleaseEvent(event);
}

bool FMainWindow::event(QEvent* event)
{
    // A key that reaches the window itself (nothing inside it has the focus) is the
    // book's before QWidget makes Tab a focus move.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_Escape)
            host_.NoteEscape(true);
        FMessage message;
        if (TranslateKey(*key, message)) {
            host_.Dispatch(message);
            return true;
        }
    }
    return QMainWindow::event(event);
}

// ---------------------------------------------------------------------------

FQtFramework::FQtFramework()
{
    clock_.start();
    sleepStep_.setSingleShot(true);
    sleepStep_.setInterval(kIdleSleepMs);
    connect(&sleepStep_, &QTimer::timeout, this, [this] { OnSleepStep(); });
    restCheck_.setInterval(kRestCheckMs);
    connect(&restCheck_, &QTimer::timeout, this, [this] {
        if (!frameRequested_ && !idleSuspended_)
            Step(false);
    });
    resizeSettle_.setSingleShot(true);
    resizeSettle_.setInterval(kResizeSettleMs);
    connect(&resizeSettle_, &QTimer::timeout, this, [this] { CheckWindowSize(); });
    goneClose_.setInterval(kGoneCloseMs);
    connect(&goneClose_, &QTimer::timeout, this, [this] {
        // What runs finishes first, as it would before a close by the user.
        if (!inMainLoop_ || idleSuspended_ || QApplication::activeModalWidget() || QApplication::activePopupWidget())
            return;
        goneClose_.stop();
        Close();
    });
}

FQtFramework::~FQtFramework()
{
    DestroyDevice();
}

QMenuBar* FQtFramework::MenuBar() const
{
    return window_ ? window_->menuBar() : nullptr;
}

QOpenGLContext* FQtFramework::Context() const
{
    return surface_ ? surface_->context() : nullptr;
}

uint32_t FQtFramework::ScreenFramebuffer() const
{
    return surface_ ? surface_->defaultFramebufferObject() : 0;
}

bool FQtFramework::CreateMainWindow(const QString& title, const QRect& outer)
{
    if (QGuiApplication::platformName() == QLatin1String("wayland")) {
        // A compositor paces the window itself (frame callbacks). A swap that also
        // waits for the display would hold the user interface thread.
        QSurfaceFormat format = QSurfaceFormat::defaultFormat();
        format.setSwapInterval(0);
        QSurfaceFormat::setDefaultFormat(format);
    }
    if (QGuiApplication::platformName() == QLatin1String("xcb") && !destroyWatch_) {
        destroyWatch_ = std::make_unique<FDestroyWatch>(*this);
        QCoreApplication::instance()->installNativeEventFilter(destroyWatch_.get());
    }
    window_ = std::make_unique<FMainWindow>(*this);
    window_->setWindowTitle(title);
    surface_ = new FGlSurface(*this, window_.get());
    surface_->setFormat(RequestedFormat(FDepthStencil::D24S8));
    window_->setCentralWidget(surface_);
    window_->menuBar(); // the menu bar exists before the first layout
    window_->move(outer.topLeft());
    window_->resize(outer.size());
    window_->show();
    // The outer rectangle includes the frame. A window manager frames the window
    // only after show(), and it is exposed once framed: until then the frame's
    // margins read as none, and the client area would take the outer size.
    QWindow* handle = window_->windowHandle();
    QElapsedTimer waited;
    waited.start();
    while (handle && !handle->isExposed() && waited.elapsed() < kFrameWaitMs)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
    const QMargins margins = handle ? handle->frameMargins() : QMargins();
    if (!margins.isNull()) {
        window_->resize(outer.size().shrunkBy(margins));
        window_->move(outer.topLeft());
    }
    surface_->setFocus();
    active_ = true;
    return true;
}

int FQtFramework::ClientWidth() const
{
    // The widget's framebuffer is its size in device pixels, rounded as Qt makes it.
    return surface_ ? (surface_->size() * surface_->devicePixelRatio()).width() : 0;
}

int FQtFramework::ClientHeight() const
{
    return surface_ ? (surface_->size() * surface_->devicePixelRatio()).height() : 0;
}

FBackBufferDesc FQtFramework::BackBuffer() const
{
    return {backBuffer_.width(), backBuffer_.height()};
}

bool FQtFramework::MakeCurrent()
{
    if (!surface_ || !surface_->isValid())
        return false;
    surface_->makeCurrent();
    return QOpenGLContext::currentContext() == surface_->context();
}

bool FQtFramework::CheckDrawable(FDeviceCaps& caps, QString& problem)
{
    const QSurfaceFormat actual = surface_->format();
    int depth = 0, stencil = 0;
    if (MakeCurrent()) {
        // What the framebuffer really has, not what the format was asked for.
        QOpenGLFunctions* gl = surface_->context()->functions();
        const auto bits = [gl](GLenum attachment, GLenum size) {
            GLint type = GL_NONE, value = 0;
            gl->glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, attachment,
                                                      GL_FRAMEBUFFER_ATTACHMENT_OBJECT_TYPE, &type);
            if (type != GL_NONE)
                gl->glGetFramebufferAttachmentParameteriv(GL_FRAMEBUFFER, attachment, size, &value);
            return static_cast<int>(value);
        };
        depth = bits(GL_DEPTH_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_DEPTH_SIZE);
        stencil = bits(GL_STENCIL_ATTACHMENT, GL_FRAMEBUFFER_ATTACHMENT_STENCIL_SIZE);
    }
    caps = CapsOf(depth, stencil);
    const bool core = IsCore33(actual) && actual.profile() == QSurfaceFormat::CoreProfile &&
                      actual.renderableType() == QSurfaceFormat::OpenGL;
    if (core && depth >= 24 && stencil >= 8)
        return true;
    problem = QStringLiteral("The book needs desktop OpenGL 3.3 (core profile) with 24-bit depth and 8-bit "
                             "stencil; this display (%1) gives %2 %3.%4%5 with %6-bit depth and %7-bit stencil.")
                  .arg(QGuiApplication::platformName(),
                       actual.renderableType() == QSurfaceFormat::OpenGLES ? QStringLiteral("OpenGL ES")
                                                                            : QStringLiteral("OpenGL"))
                  .arg(actual.majorVersion())
                  .arg(actual.minorVersion())
                  .arg(actual.profile() == QSurfaceFormat::CoreProfile ? QStringLiteral(" core") : QString())
                  .arg(depth)
                  .arg(stencil);
    return false;
}

bool FQtFramework::CreateDevice(bool windowed, int width, int height)
{
    if (!window_) {
        ReportError(FFrameworkError::Generic);
        return false;
    }
    windowed_ = windowed;
    SettleClientArea(*window_, *surface_);
    if (!surface_->isValid()) {
        // No context at all cannot initialise; one that is not 3.3 core is not compatible.
        QOpenGLContext any;
        ReportError(any.create() ? FFrameworkError::NoCompatibleDevice : FFrameworkError::NoGraphics);
        return false;
    }
    deviceSettings_ = FDeviceSettings{};
    deviceSettings_.windowed = windowed;
    deviceSettings_.backBufferWidth = width;
    deviceSettings_.backBufferHeight = height;
    QString problem;
    if (!CheckDrawable(deviceSettings_.caps, problem) ||
        (callbacks_.isDeviceAcceptable && !callbacks_.isDeviceAcceptable(deviceSettings_.caps, windowed))) {
        ReportError(FFrameworkError::NoCompatibleDevice, problem);
        return false;
    }
    if (callbacks_.modifyDeviceSettings && !callbacks_.modifyDeviceSettings(deviceSettings_)) {
        ReportError(FFrameworkError::CreatingDevice);
        return false;
    }
    // The widget's framebuffer is depth 24 / stencil 8, which stands in for every
    // pair the policy may choose (CheckDrawable made sure).
    backBuffer_ = QSize(deviceSettings_.backBufferWidth, deviceSettings_.backBufferHeight);
    deviceCreated_ = true;
    connect(surface_->context(), &QOpenGLContext::aboutToBeDestroyed, this, [this] { DestroyDevice(); });
    if (callbacks_.onDeviceCreated) {
        const FResult r = callbacks_.onDeviceCreated(BackBuffer());
        if (r < 0) {
            ReportError(r == kMediaNotFound ? FFrameworkError::MediaNotFound : FFrameworkError::CreateCallback);
            return false;
        }
    }
    return CallDeviceReset();
}

bool FQtFramework::CallDeviceReset()
{
    if (callbacks_.onDeviceReset) {
        const FResult r = callbacks_.onDeviceReset(BackBuffer());
        if (r < 0) {
            // What the failed reset did create is released before the error shows.
            if (callbacks_.onDeviceLost)
                callbacks_.onDeviceLost();
            ReportError(r == kMediaNotFound ? FFrameworkError::MediaNotFound : FFrameworkError::ResetCallback);
            return false;
        }
    }
    deviceReset_ = true;
    return true;
}

void FQtFramework::ResetDevice()
{
    if (!deviceCreated_ || !MakeCurrent())
        return;
    if (deviceReset_) {
        if (callbacks_.onDeviceLost)
            callbacks_.onDeviceLost();
        deviceReset_ = false;
    }
    deviceSettings_.windowed = windowed_;
    deviceSettings_.backBufferWidth = ClientWidth();
    deviceSettings_.backBufferHeight = ClientHeight();
    if (callbacks_.modifyDeviceSettings)
        callbacks_.modifyDeviceSettings(deviceSettings_);
    backBuffer_ = QSize(deviceSettings_.backBufferWidth, deviceSettings_.backBufferHeight);
    if (!CallDeviceReset())
        Close();
    RequestFrame();
}

void FQtFramework::DestroyDevice()
{
    if (!deviceCreated_)
        return;
    deviceCreated_ = false;
    MakeCurrent();
    if (deviceReset_ && callbacks_.onDeviceLost)
        callbacks_.onDeviceLost();
    deviceReset_ = false;
    if (callbacks_.onDeviceDestroyed)
        callbacks_.onDeviceDestroyed();
    if (surface_)
        surface_->doneCurrent();
}

void FQtFramework::CheckWindowSize()
{
    if (deviceCreated_ && QSize(ClientWidth(), ClientHeight()) != backBuffer_ && ClientWidth() > 0 &&
        ClientHeight() > 0)
        ResetDevice();
}

bool FQtFramework::StartIdleLoop()
{
    if (!window_ || !deviceCreated_ || closing_) {
        exitCode_.MainLoopRefused();
        return false;
    }
    idleSuspended_ = false;
    restCheck_.start();
    RequestFrame();
    return true;
}

void FQtFramework::SuspendIdleLoop()
{
    idleSuspended_ = true;
    sleepStep_.stop();
    restCheck_.stop();
}

void FQtFramework::ResumeIdleLoop()
{
    idleSuspended_ = false;
    frameRequested_ = false;
    restCheck_.start();
    RequestFrame();
}

void FQtFramework::Present()
{
    if (surface_)
        surface_->update();
}

int FQtFramework::MainLoop()
{
    if (!StartIdleLoop())
        return exitCode_.Value();
    inMainLoop_ = true;
    QApplication::exec();
    inMainLoop_ = false;
    SuspendIdleLoop();
    return exitCode_.Value();
}

void FQtFramework::RequestFrame()
{
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(this, [this] { RequestFrame(); }, Qt::QueuedConnection);
        return;
    }
    if (closing_ || windowGone_ || !deviceCreated_ || idleSuspended_ || frameRequested_)
        return;
    frameRequested_ = true;
    // Minimised or paused (a menu or a dialog is open): the book still moves on, at
    // the idle pace, and draws when it may. A window merely in the background draws
    // at the compositor's pace, which throttles what cannot be seen.
    if (pause_.RenderingPaused() || minimised_ || !surface_->isVisible())
        sleepStep_.start();
    else
        surface_->update();
}

void FQtFramework::OnSleepStep()
{
    if (!pause_.RenderingPaused() && !minimised_ && surface_->isVisible()) {
        surface_->update(); // the frame is still asked for; the paint takes it
        return;
    }
    frameRequested_ = false;
    Step(false);
}

void FQtFramework::OnPaint()
{
    // Qt paints the widget for its own reasons too (shown, exposed, resized): every
    // paint gets a whole frame, so no framebuffer is ever shown undrawn.
    if (idleSuspended_ && deviceReset_)
        return; // a command draws for itself and has drawn already
    if (!deviceReset_ || closing_) {
        QOpenGLFunctions* gl = surface_->context()->functions();
        gl->glClearColor(0, 0, 0, 1);
        gl->glClear(GL_COLOR_BUFFER_BIT);
        return;
    }
    frameRequested_ = false;
    Step(true);
}

void FQtFramework::Step(bool render)
{
    if (closing_ || !deviceCreated_)
        return;
    const double now = clock_.nsecsElapsed() * 1e-9;
    if (!pause_.TimePaused()) {
        const double time = now - pausedTotal_;
        elapsed_ = static_cast<float>(time - time_);
        time_ = time;
    } else {
        elapsed_ = 0;
    }
    if (callbacks_.onFrameMove)
        callbacks_.onFrameMove(time_, elapsed_);
    if (closing_ || !deviceCreated_)
        return;
    if (render && deviceReset_) {
        if (callbacks_.onFrameRender)
            callbacks_.onFrameRender(time_, elapsed_);
        if (closing_ || !deviceCreated_)
            return;
        ++frames_;
    }
    if (callbacks_.wantsFrames && callbacks_.wantsFrames())
        RequestFrame();
}

void FQtFramework::Pause(bool pauseTime, bool pauseRendering)
{
    const bool wasTimePaused = pause_.TimePaused();
    const bool wasPaused = pause_.RenderingPaused();
    pause_.Pause(pauseTime, pauseRendering);
    const double now = clock_.nsecsElapsed() * 1e-9;
    if (!wasTimePaused && pause_.TimePaused())
        pausedAt_ = now;
    else if (wasTimePaused && !pause_.TimePaused())
        pausedTotal_ += now - pausedAt_;
    if (wasPaused && !pause_.RenderingPaused()) {
        // Back from a menu or a dialog: the picture may have changed under it.
        frameRequested_ = false;
        sleepStep_.stop();
        RequestFrame();
    }
}

void FQtFramework::SetClientSize(int width, int height)
{
    if (!window_ || width <= 0 || height <= 0 || (ClientWidth() == width && ClientHeight() == height))
        return;
    const QSize screen = window_->screen() ? window_->screen()->geometry().size() : QSize(width, height);
    const double ratio = surface_->devicePixelRatio();
    const QSize client(static_cast<int>(width / ratio), static_cast<int>(height / ratio));
    const QSize frame = window_->frameGeometry().size() - surface_->size();
    const int x = static_cast<int>(0.5 * (screen.width() - frame.width() - client.width()));
    const int y = static_cast<int>(0.5 * (screen.height() - frame.height() - client.height()));
    const QSize inner = window_->size() - surface_->size() + client;
    window_->move(x, y);
    window_->resize(inner);
    window_->show();
    QCoreApplication::sendPostedEvents();
    CheckWindowSize();
}

void FQtFramework::NoteEscape(bool down)
{
    escapeDown_ = down;
    if (down)
        escapePressed_ = true;
}

bool FQtFramework::IsEscapeDown()
{
    // Lets the window repaint and the keyboard be read.
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
    const bool result = escapeDown_ || escapePressed_;
    escapePressed_ = false;
    return result;
}

int FQtFramework::ShowMessage(const QString& text, QMessageBox::StandardButtons buttons, QMessageBox::Icon icon)
{
    if (!windowed_)
        return 0;
    QMessageBox box(icon, QStringLiteral("Quillo's Photo Book"), text, buttons, window_.get());
    return box.exec();
}

bool FQtFramework::Dispatch(const FMessage& message)
{
    const bool handled = callbacks_.onMsgProc && callbacks_.onMsgProc(message);
    // Whatever the message did shows in the next frame.
    RequestFrame();
    return handled;
}

namespace {

QString FirstLocalPath(const QMimeData& data)
{
    for (const QUrl& url : data.urls())
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            return url.toLocalFile();
    return QString();
}

} // namespace

bool FQtFramework::AcceptsDrop(const QMimeData& data) const
{
    return callbacks_.onOpenPath && !closing_ && !idleSuspended_ && !FirstLocalPath(data).isEmpty();
}

void FQtFramework::OnDrop(const QMimeData& data)
{
    const QString path = FirstLocalPath(data);
    if (path.isEmpty() || !callbacks_.onOpenPath || closing_)
        return;
    callbacks_.onOpenPath(FString::FromUtf8(QFile::encodeName(path).toStdString()));
    RequestFrame();
}

void FQtFramework::OnSurfaceResized()
{
    if (!deviceReset_ || closing_)
        return;
    // Frames follow the new size at once; the device itself is reset once the
    // stream of size changes has been quiet a while, as at the end of a drag.
    resizeSettle_.start();
}

void FQtFramework::OnWindowStateChanged()
{
    if (!window_)
        return;
    const bool minimised = window_->isMinimized();
    if (minimised && !minimised_) {
        minimised_ = true;
        Pause(true, true);
    } else if (!minimised && minimised_) {
        minimised_ = false;
        Pause(false, false);
    }
}

void FQtFramework::OnActivationChanged(bool active)
{
    active_ = active;
}

void FQtFramework::OnMenuShown(bool shown)
{
    Pause(shown, shown);
    // Back from a menu, keys go to the book again, not to whatever Qt focused.
    if (!shown && surface_ && windowed_ && window_ && window_->isActiveWindow())
        surface_->setFocus(Qt::OtherFocusReason);
}

void FQtFramework::OnCloseRequested()
{
    if (closing_)
        return;
    FMessage close;
    close.kind = FMessageKind::Close;
    if (Dispatch(close))
        return; // the application kept the window open
    closing_ = true;
    sleepStep_.stop();
    restCheck_.stop();
    resizeSettle_.stop();
    goneClose_.stop();
    DestroyDevice();
    window_->hide();
    // Only a running main loop may be told to quit: outside it the request would
    // stay pending and end the next dialog's or menu's own loop at once.
    if (inMainLoop_)
        QApplication::exit(0);
}

void FQtFramework::OnWindowDestroyed()
{
    if (windowGone_ || closing_)
        return;
    windowGone_ = true;
    sleepStep_.stop();
    goneClose_.start();
}

void FQtFramework::Close()
{
    if (window_)
        window_->close();
}

int FQtFramework::ToggleFullScreen()
{
    if (!window_)
        return -1;
    if (windowed_) {
        savedWindowedSize_ = QSize(ClientWidth(), ClientHeight());
        savedWindowedGeometry_ = window_->geometry();
        savedWindowedFrame_ = window_->frameGeometry();
        window_->menuBar()->hide();
        window_->showFullScreen();
        windowed_ = false;
    } else {
        savedFullScreenSize_ = QSize(ClientWidth(), ClientHeight());
        window_->showNormal();
        window_->menuBar()->show();
        if (savedWindowedGeometry_.isValid())
            window_->setGeometry(savedWindowedGeometry_);
        windowed_ = true;
    }
    surface_->setFocus(Qt::OtherFocusReason);
    return 0;
}

bool FQtFramework::PlacesWindows()
{
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QRect FQtFramework::WindowedFrameGeometry() const
{
    if (!window_)
        return QRect();
    return windowed_ || !savedWindowedFrame_.isValid() ? window_->frameGeometry() : savedWindowedFrame_;
}

void FQtFramework::ReportError(FFrameworkError error, const QString& detail)
{
    exitCode_.Set(error);
    const FString text = FrameworkErrorText(error);
    if (text.IsEmpty())
        return;
    const QString caption = QString::fromStdString(
        FrameworkErrorCaption(window_ ? FString::FromUtf8(window_->windowTitle().toStdString()) : FString()).ToUtf8());
    QString body = QString::fromStdString(text.ToUtf8());
    if (!detail.isEmpty())
        body += QStringLiteral("\n\n") + detail;
    std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(), body.toLocal8Bit().constData());
    if (errorBoxes_)
        QMessageBox::critical(window_ && window_->isVisible() ? window_.get() : nullptr, caption, body);
}
