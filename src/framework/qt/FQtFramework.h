#pragma once
// The Qt host: main window with its menu bar, an OpenGL 3.3 core widget as the
// client area (the "device"), and the frame loop that drives the application's
// callbacks: a frame whenever something changed, at the pace Qt and the compositor
// set, and none while the book rests. One instance per process.

#include "framework/FFramework.h"
#include "framework/qt/FQtEvents.h"

#include <QElapsedTimer>
#include <QMainWindow>
#include <QMessageBox>
#include <QObject>
#include <QOpenGLWidget>
#include <QRect>
#include <QTimer>

#include <memory>

class QAbstractNativeEventFilter;
class QOpenGLContext;
class QMenuBar;
class QMimeData;
class FQtFramework;

// The client area: an OpenGL widget that reports its input to the host and asks it
// for a frame whenever Qt has it painted. Qt composes it into the window itself, so
// under Wayland there is no subsurface whose frames wait on the window's commits.
class FGlSurface : public QOpenGLWidget
{
public:
    FGlSurface(FQtFramework& host, QWidget* parent);

protected:
    bool event(QEvent* event) override;
    void paintGL() override;
    void resizeGL(int width, int height) override;

private:
    FQtFramework& host_;
    FClickSeries clicks_;
};

class FMainWindow : public QMainWindow
{
public:
    explicit FMainWindow(FQtFramework& host);

protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    FQtFramework& host_;
};

class FQtFramework : public QObject
{
public:
    FQtFramework();
    ~FQtFramework() override;

    void SetCallbacks(FFrameworkCallbacks callbacks) { callbacks_ = std::move(callbacks); }
    // Message boxes on error; off in automated runs that only read stderr.
    void SetErrorBoxes(bool show) { errorBoxes_ = show; }

    bool CreateMainWindow(const QString& title, const QRect& outer);
    bool CreateDevice(bool windowed, int width, int height);
    // Runs until the window closes; returns the exit code.
    int MainLoop();
    // Starts the frame loop without running the event loop: for callers that pump
    // events themselves (tests, the export's own loop). False when refused.
    bool StartIdleLoop();
    // A command that drives frames itself (the export) stops the frame loop for its
    // duration.
    void SuspendIdleLoop();
    void ResumeIdleLoop();
    // For such a command: the device's context current, and what it drew shown.
    bool MakeCurrent();
    void Present();
    // Something changed: one more frame, at the compositor's pace. Frames go on by
    // themselves only while the application wants them; otherwise nothing is drawn
    // until the next input, resize or expose. Thread-safe.
    void RequestFrame();

    void Pause(bool pauseTime, bool pauseRendering);
    // Outer size = frame + the given client size, centred on the screen; then the
    // device follows the new client size. Nothing unless both are above 0 and differ.
    void SetClientSize(int width, int height);
    // Escape is down now, or was pressed since the last query.
    bool IsEscapeDown();
    // A message box on the main window captioned with the program's name; nothing
    // (result 0) in full screen, where a box would hide behind the book.
    int ShowMessage(const QString& text, QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                    QMessageBox::Icon icon = QMessageBox::Information);
    void NoteEscape(bool down);
    // Forgets earlier presses, so an Escape that left full screen long ago does
    // not end the next export at its first frame.
    void ForgetEscape() { escapeDown_ = escapePressed_ = false; }
    int ToggleFullScreen();
    void CheckWindowSize();
    void Close();

    FMainWindow* Window() const { return window_.get(); }
    FGlSurface* Surface() const { return surface_; }
    QMenuBar* MenuBar() const;
    QOpenGLContext* Context() const;
    // The framebuffer the book draws to: the widget's own, remade at every resize.
    uint32_t ScreenFramebuffer() const;
    bool IsWindowed() const { return windowed_; }
    // The outer rectangle (frame included) of the window as it is, or in full screen
    // as it was before: the place to reopen at.
    QRect WindowedFrameGeometry() const;
    // Whether the window's position is the program's to choose and to read back. A
    // Wayland compositor places windows itself and tells no client where.
    static bool PlacesWindows();
    QRect ModeChangeClientRect() const { return QRect(0, 0, savedWindowedSize_.width(), savedWindowedSize_.height()); }
    int ExitCode() const { return exitCode_.Value(); }
    bool DeviceReady() const { return deviceReset_; }
    int ClientWidth() const;
    int ClientHeight() const;
    // Frames drawn so far.
    uint64_t FramesPresented() const { return frames_; }
    bool IsActive() const { return active_; }
    bool RenderingPaused() const { return pause_.RenderingPaused(); }

    // Host side of the window messages.
    bool Dispatch(const FMessage& message);
    // detail, when given, says what exactly was found, below the error's own text.
    void ReportError(FFrameworkError error, const QString& detail = QString());
    void OnSurfaceResized();
    void OnCloseRequested();
    void OnWindowStateChanged();
    void OnActivationChanged(bool active);
    void OnMenuShown(bool shown);
    void OnPaint();
    // Photos or folders handed over by a drop: the first local one is opened.
    bool AcceptsDrop(const QMimeData& data) const;
    void OnDrop(const QMimeData& data);
    // Another X client destroyed the main window (xdotool windowclose, say): nothing
    // is drawn any more, and the window closes as if the user had closed it once no
    // dialog, menu or command (the export) is running.
    void OnWindowDestroyed();
    bool WindowGone() const { return windowGone_; }

private:
    // One frame: the clock, the application's frame move, and with render its frame.
    void Step(bool render);
    void OnSleepStep();
    void ResetDevice();
    // What the drawable offers; false, with what it lacks in problem, when the book
    // cannot draw on it.
    bool CheckDrawable(FDeviceCaps& caps, QString& problem);
    bool CallDeviceReset();
    void DestroyDevice();
    FBackBufferDesc BackBuffer() const;

    FFrameworkCallbacks callbacks_;
    std::unique_ptr<FMainWindow> window_;
    FGlSurface* surface_ = nullptr; // owned by the window
    // Steps that wait: while rendering is paused or the window is minimised.
    QTimer sleepStep_;
    // A resting book still looks at its files now and then: a photo that could not
    // be read may have been mended.
    QTimer restCheck_;
    QTimer resizeSettle_;
    // While the window is gone: closes it once that is safe.
    QTimer goneClose_;
    std::unique_ptr<QAbstractNativeEventFilter> destroyWatch_;
    QElapsedTimer clock_;
    double time_ = 0;
    double pausedAt_ = 0;
    double pausedTotal_ = 0;
    float elapsed_ = 0;
    FPauseCounters pause_;
    FExitCode exitCode_;
    FDeviceSettings deviceSettings_;
    bool errorBoxes_ = true;
    bool deviceCreated_ = false;
    bool deviceReset_ = false;
    bool windowed_ = true;
    bool active_ = true;
    bool minimised_ = false;
    bool inResize_ = false;
    bool closing_ = false;
    bool windowGone_ = false;
    bool inMainLoop_ = false;
    bool idleSuspended_ = true; // until the loop starts
    bool frameRequested_ = false;
    QSize backBuffer_;
    QSize savedWindowedSize_;
    QSize savedFullScreenSize_;
    QRect savedWindowedGeometry_;
    QRect savedWindowedFrame_;
    uint64_t frames_ = 0;
    bool escapeDown_ = false;
    bool escapePressed_ = false;
};
