#include "framework/qt/FQtFramework.h"

#include "framework/qt/FQtEvents.h"

#include <QApplication>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QScreen>
#include <QSurfaceFormat>
#include <QWidget>
#include <QWindowStateChangeEvent>

#include <cstdio>

namespace {

// An interactive resize sends a stream of size changes; the device follows once
// the stream has been quiet this long, as it would at the end of a drag.
constexpr int kResizeSettleMs = 250;
// How long the start waits for a window manager to frame the new window.
constexpr int kFrameWaitMs = 2000;

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
    format.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    format.setSwapInterval(1);
    return format;
}

// The formats a context's default framebuffer can stand in for.
FDeviceCaps CapsOf(const QSurfaceFormat& actual)
{
    FDeviceCaps caps;
    caps.blendingRenderTarget = true; // every OpenGL 3.3 context blends into both
    for (FDepthStencil format :
         {FDepthStencil::D24S8, FDepthStencil::D24X4S4, FDepthStencil::D15S1, FDepthStencil::D24FS8}) {
        const FDepthStencilBits bits = BitsOf(format);
        if (actual.depthBufferSize() >= bits.depth && actual.stencilBufferSize() >= bits.stencil)
            caps.usableDepthStencil.push_back(format);
    }
    return caps;
}

bool IsCore33(const QSurfaceFormat& actual)
{
    return actual.majorVersion() > 3 || (actual.majorVersion() == 3 && actual.minorVersion() >= 3);
}

// The menu bar takes its height only once its menus have titles, after the window
// was shown: the layout is brought up to date and the drawable given time to follow,
// so the device is made once, for the client area the first frame fills.
void SettleClientArea(QMainWindow& window, QWindow& surface)
{
    if (QLayout* layout = window.layout())
        layout->activate();
    const QWidget* container = window.centralWidget();
    if (!container)
        return;
    QCoreApplication::sendPostedEvents();
    QElapsedTimer waited;
    waited.start();
    while (surface.size() != container->size() && waited.elapsed() < 1000)
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
}

} // namespace

// ---------------------------------------------------------------------------

FGlSurface::FGlSurface(FQtFramework& host) : host_(host)
{
    setSurfaceType(QSurface::OpenGLSurface);
}

bool FGlSurface::event(QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyRelease:
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            host_.NoteEscape(false);
        break;
    case QEvent::KeyPress: {
        if (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            host_.NoteEscape(true);
        FMessage message;
        if (TranslateKey(*static_cast<QKeyEvent*>(event), message)) {
            host_.Dispatch(message);
            return true;
        }
        break;
    }
    case QEvent::MouseButtonPress: {
        FMessage message;
        if (TranslateMouse(*static_cast<QMouseEvent*>(event), devicePixelRatio(), clicks_, message)) {
            host_.Dispatch(message);
            return true;
        }
        break;
    }
    default: break;
    }
    return QWindow::event(event);
}

void FGlSurface::exposeEvent(QExposeEvent*)
{
    host_.OnExposed();
}

void FGlSurface::resizeEvent(QResizeEvent*)
{
    host_.OnSurfaceResized();
}

FMainWindow::FMainWindow(FQtFramework& host) : host_(host)
{
    setMinimumSize(kMinimumWindowSize, kMinimumWindowSize);
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

void FMainWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        host_.NoteEscape(true);
    FMessage message;
    if (TranslateKey(*event, message))
        host_.Dispatch(message);
    else
        QMainWindow::keyPressEvent(event);
}

// ---------------------------------------------------------------------------

FQtFramework::FQtFramework()
{
    clock_.start();
    idleTimer_.setTimerType(Qt::PreciseTimer);
    connect(&idleTimer_, &QTimer::timeout, this, [this] { IdleStep(); });
    resizeSettle_.setSingleShot(true);
    resizeSettle_.setInterval(kResizeSettleMs);
    connect(&resizeSettle_, &QTimer::timeout, this, [this] {
        if (inResize_) {
            inResize_ = false;
            Pause(false, false);
        }
        CheckWindowSize();
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

bool FQtFramework::CreateMainWindow(const QString& title, const QRect& outer)
{
    window_ = std::make_unique<FMainWindow>(*this);
    window_->setWindowTitle(title);
    surface_ = new FGlSurface(*this);
    surface_->setFormat(RequestedFormat(FDepthStencil::D24S8));
    QWidget* container = QWidget::createWindowContainer(surface_, window_.get());
    container->setFocusPolicy(Qt::StrongFocus);
    container->setMinimumSize(1, 1);
    window_->setCentralWidget(container);
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
    container->setFocus();
    surface_->requestActivate();
    active_ = true;
    return true;
}

int FQtFramework::ClientWidth() const
{
    return surface_ ? static_cast<int>(surface_->width() * surface_->devicePixelRatio()) : 0;
}

int FQtFramework::ClientHeight() const
{
    return surface_ ? static_cast<int>(surface_->height() * surface_->devicePixelRatio()) : 0;
}

FBackBufferDesc FQtFramework::BackBuffer() const
{
    return {backBuffer_.width(), backBuffer_.height()};
}

bool FQtFramework::MakeCurrent()
{
    return context_ && surface_ && context_->makeCurrent(surface_);
}

bool FQtFramework::CreateDevice(bool windowed, int width, int height)
{
    if (!window_) {
        ReportError(FFrameworkError::Generic);
        return false;
    }
    windowed_ = windowed;
    SettleClientArea(*window_, *surface_);
    auto makeContext = [this](FDepthStencil depthStencil) {
        surface_->setFormat(RequestedFormat(depthStencil));
        if (!surface_->handle())
            surface_->create();
        auto context = std::make_unique<QOpenGLContext>();
        context->setFormat(RequestedFormat(depthStencil));
        if (!context->create() || !IsCore33(context->format()) || !context->makeCurrent(surface_))
            context.reset();
        return context;
    };
    context_ = makeContext(FDepthStencil::D24S8);
    if (!context_) {
        // An OpenGL older than 3.3 is not compatible; none at all cannot initialise.
        QOpenGLContext any;
        ReportError(any.create() ? FFrameworkError::NoCompatibleDevice : FFrameworkError::NoGraphics);
        return false;
    }
    deviceSettings_ = FDeviceSettings{};
    deviceSettings_.windowed = windowed;
    deviceSettings_.backBufferWidth = width;
    deviceSettings_.backBufferHeight = height;
    deviceSettings_.caps = CapsOf(context_->format());
    if (callbacks_.isDeviceAcceptable && !callbacks_.isDeviceAcceptable(deviceSettings_.caps, windowed)) {
        context_.reset();
        ReportError(FFrameworkError::NoCompatibleDevice);
        return false;
    }
    if (callbacks_.modifyDeviceSettings && !callbacks_.modifyDeviceSettings(deviceSettings_)) {
        context_.reset();
        ReportError(FFrameworkError::CreatingDevice);
        return false;
    }
    if (deviceSettings_.depthStencil != FDepthStencil::D24S8) {
        // The policy chose another depth/stencil pair: the drawable is made anew with it.
        context_ = makeContext(deviceSettings_.depthStencil);
        if (!context_) {
            ReportError(FFrameworkError::CreatingDevice);
            return false;
        }
    }
    backBuffer_ = QSize(deviceSettings_.backBufferWidth, deviceSettings_.backBufferHeight);
    deviceCreated_ = true;
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
}

void FQtFramework::DestroyDevice()
{
    if (!deviceCreated_)
        return;
    MakeCurrent();
    if (deviceReset_ && callbacks_.onDeviceLost)
        callbacks_.onDeviceLost();
    deviceReset_ = false;
    if (callbacks_.onDeviceDestroyed)
        callbacks_.onDeviceDestroyed();
    deviceCreated_ = false;
    if (context_)
        context_->doneCurrent();
    context_.reset();
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
    UpdateIdleTimer();
    idleTimer_.start();
    return true;
}

void FQtFramework::SuspendIdleLoop()
{
    idleSuspended_ = true;
    idleTimer_.stop();
}

void FQtFramework::ResumeIdleLoop()
{
    idleSuspended_ = false;
    if (deviceCreated_ && !closing_) {
        UpdateIdleTimer();
        idleTimer_.start();
    }
}

void FQtFramework::Present()
{
    if (context_ && surface_ && surface_->isExposed())
        context_->swapBuffers(surface_);
}

int FQtFramework::MainLoop()
{
    if (!StartIdleLoop())
        return exitCode_.Value();
    inMainLoop_ = true;
    QApplication::exec();
    inMainLoop_ = false;
    idleTimer_.stop();
    return exitCode_.Value();
}

void FQtFramework::UpdateIdleTimer()
{
    const bool sleeps = IdleStepSleeps(false, pause_.RenderingPaused(), active_);
    idleTimer_.setInterval(sleeps ? kIdleSleepMs : 0);
}

void FQtFramework::IdleStep()
{
    if (closing_ || !deviceCreated_ || idleSuspended_)
        return;
    UpdateIdleTimer();
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
    if (!pause_.RenderingPaused() && surface_->isExposed() && MakeCurrent()) {
        if (callbacks_.onFrameRender)
            callbacks_.onFrameRender(time_, elapsed_);
        if (closing_ || !deviceCreated_)
            return;
        context_->swapBuffers(surface_);
    }
    ++frames_;
}

void FQtFramework::Pause(bool pauseTime, bool pauseRendering)
{
    const bool wasTimePaused = pause_.TimePaused();
    pause_.Pause(pauseTime, pauseRendering);
    const double now = clock_.nsecsElapsed() * 1e-9;
    if (!wasTimePaused && pause_.TimePaused())
        pausedAt_ = now;
    else if (wasTimePaused && !pause_.TimePaused())
        pausedTotal_ += now - pausedAt_;
    UpdateIdleTimer();
}

void FQtFramework::SetClientSize(int width, int height)
{
    if (!window_ || width <= 0 || height <= 0 || (ClientWidth() == width && ClientHeight() == height))
        return;
    const QSize screen = window_->screen() ? window_->screen()->geometry().size() : QSize(width, height);
    const QSize frame = window_->frameGeometry().size() - QSize(ClientWidth(), ClientHeight());
    const int x = static_cast<int>(0.5 * (screen.width() - frame.width() - width));
    const int y = static_cast<int>(0.5 * (screen.height() - frame.height() - height));
    const QSize inner = window_->size() - QSize(ClientWidth(), ClientHeight()) + QSize(width, height);
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
    if (handled)
        return true;
    if (message.kind == FMessageKind::Paint && pause_.RenderingPaused() && deviceReset_ && MakeCurrent() &&
        surface_->isExposed()) {
        if (callbacks_.onFrameRender)
            callbacks_.onFrameRender(time_, elapsed_);
        context_->swapBuffers(surface_);
    }
    return false;
}

void FQtFramework::OnExposed()
{
    if (!surface_ || !surface_->isExposed())
        return;
    FMessage paint;
    paint.kind = FMessageKind::Paint;
    Dispatch(paint);
}

void FQtFramework::OnSurfaceResized()
{
    if (!deviceReset_ || closing_)
        return;
    if (!inResize_) {
        inResize_ = true;
        Pause(true, true);
    }
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
    UpdateIdleTimer();
}

void FQtFramework::OnMenuShown(bool shown)
{
    Pause(shown, shown);
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
    idleTimer_.stop();
    resizeSettle_.stop();
    DestroyDevice();
    window_->hide();
    // Only a running main loop may be told to quit: outside it the request would
    // stay pending and end the next dialog's or menu's own loop at once.
    if (inMainLoop_)
        QApplication::exit(0);
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
    return 0;
}

QRect FQtFramework::WindowedFrameGeometry() const
{
    if (!window_)
        return QRect();
    return windowed_ || !savedWindowedFrame_.isValid() ? window_->frameGeometry() : savedWindowedFrame_;
}

void FQtFramework::ReportError(FFrameworkError error)
{
    exitCode_.Set(error);
    const FString text = FrameworkErrorText(error);
    if (text.IsEmpty())
        return;
    const QString caption = QString::fromStdString(
        FrameworkErrorCaption(window_ ? FString::FromUtf8(window_->windowTitle().toStdString()) : FString()).ToUtf8());
    const QString body = QString::fromStdString(text.ToUtf8());
    std::fprintf(stderr, "%s: %s\n", caption.toLocal8Bit().constData(), body.toLocal8Bit().constData());
    if (errorBoxes_)
        QMessageBox::critical(window_ && window_->isVisible() ? window_.get() : nullptr, caption, body);
}
