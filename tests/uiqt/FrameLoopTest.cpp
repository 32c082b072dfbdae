// The book on screen under whichever window system the run has: X11, or a Wayland
// compositor (ctest runs this suite under both). What the screen shows, how often
// the book draws, and that nothing holds the user interface while it does.

#include "ShellFixture.h"
#include "base/FCommandIds.h"
#include "ui/qt/FQtMenuBar.h"

#include <QAction>
#include <QDir>
#include <QImage>
#include <QMessageBox>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>

#include <optional>

namespace {

bool Wayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// Pumps events for ms; returns the longest the event loop was held in one pass.
qint64 PumpFor(int ms)
{
    QElapsedTimer total, pass;
    total.start();
    qint64 longest = 0;
    while (total.elapsed() < ms) {
        pass.start();
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        longest = std::max(longest, pass.elapsed());
    }
    return longest;
}

// The whole screen as the window system shows it: the X server's root window, or
// what the compositor composed (weston allows its screenshooter with --debug).
QImage Screen()
{
    if (!Wayland())
        return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    QTemporaryDir dir;
    QProcess shooter;
    shooter.setWorkingDirectory(dir.path());
    shooter.start(QStringLiteral("weston-screenshooter"), {});
    shooter.waitForFinished(10000);
    const QStringList shots = QDir(dir.path()).entryList({QStringLiteral("*.png")});
    return shots.isEmpty() ? QImage() : QImage(dir.filePath(shots.first())).convertToFormat(QImage::Format_RGB32);
}

bool Near(QRgb a, QRgb b, int tolerance)
{
    return std::abs(qRed(a) - qRed(b)) <= tolerance && std::abs(qGreen(a) - qGreen(b)) <= tolerance &&
           std::abs(qBlue(a) - qBlue(b)) <= tolerance;
}

// The share of pixels that differ visibly.
double Difference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 1;
    int64_t differing = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            differing += !Near(a.pixel(x, y), b.pixel(x, y), 16);
    return static_cast<double>(differing) / (a.width() * a.height());
}

// Where picture lies on screen, to the pixel.
std::optional<QPoint> Locate(const QImage& screen, const QImage& picture)
{
    std::vector<QPoint> samples;
    for (int i = 1; i < 8; ++i)
        for (int j = 1; j < 8; ++j)
            samples.emplace_back(picture.width() * i / 8, picture.height() * j / 8);
    for (int y = 0; y + picture.height() <= screen.height(); ++y)
        for (int x = 0; x + picture.width() <= screen.width(); ++x) {
            const bool candidate = std::all_of(samples.begin(), samples.end(), [&](const QPoint& p) {
                return Near(screen.pixel(x + p.x(), y + p.y()), picture.pixel(p), 8);
            });
            if (candidate && Difference(screen.copy(QRect(QPoint(x, y), picture.size())), picture) < 0.005)
                return QPoint(x, y);
        }
    return std::nullopt;
}

using FrameLoopTest = ShellFixture;

// Nothing moves: nothing is drawn. A key wakes the book at once, the turn is drawn
// at the compositor's pace without holding the event loop, and then it rests again.
TEST_F(FrameLoopTest, DrawsNothingAtRestAndKeepsPaceWhileThePageTurns)
{
    PumpFor(500);
    const uint64_t rested = framework().FramesPresented();
    PumpFor(1000);
    EXPECT_EQ(framework().FramesPresented(), rested) << "frames at rest";

    QElapsedTimer turning;
    turning.start();
    PressKey(framework().Surface(), Qt::Key_PageDown);
    ASSERT_EQ(app.turnState, 1);
    qint64 held = 0;
    while (app.turnState != 0 && turning.elapsed() < 5000)
        held = std::max(held, PumpFor(10));
    const double seconds = turning.elapsed() / 1000.0;
    const double rate = (framework().FramesPresented() - rested) / seconds;
    std::printf("%.1f frames a second while the page turned, the event loop held %lld ms at most\n", rate,
                static_cast<long long>(held));
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // (A sanitizer's build draws too slowly to say anything about the pace.)
    EXPECT_GE(rate, 15) << "frames a second while the page turned (TimePage 1)";
    EXPECT_LT(held, 250) << "ms the event loop was held";
#endif

    ASSERT_TRUE(PumpUntil([&] { return !app.ArePhotoTexturesPending() && !app.WantsFrames(); }));
    PumpFor(300);
    const uint64_t after = framework().FramesPresented();
    PumpFor(1000);
    EXPECT_EQ(framework().FramesPresented(), after) << "frames at rest after the turn";
}

// What a click meets is what the book drew there, to the device pixel, at any
// scale (ctest runs the Wayland book at 1.25).
TEST_F(FrameLoopTest, AClickPicksWhatIsDrawnThereToTheDevicePixel)
{
    const FFrame frame = app.DescribeFrame(framework().ClientWidth(), framework().ClientHeight());
    FBookLayout layout;
    layout.LayAll(frame);
    const FGridMesh& mesh = *layout.Page(3).photoSlot[1].photoMesh; // photo 1, lower right
    const auto device = [&](const FBookVertex& v) {
        const FVector3 ndc = TransformCoord({v.x, v.y, v.z}, frame.world * frame.view * frame.projection);
        return QPointF((ndc.x + 1) * 0.5 * framework().ClientWidth(), (1 - ndc.y) * 0.5 * framework().ClientHeight());
    };
    const QPointF corner = device(mesh.vertices.front());
    const QPointF centre = device(mesh.vertices[static_cast<size_t>(mesh.rows / 2 * mesh.columns + mesh.columns / 2)]);
    const QPointF inward = (centre - corner) / std::hypot(centre.x() - corner.x(), centre.y() - corner.y());
    const double ratio = framework().Surface()->devicePixelRatio();
    for (const auto& [pixels, onPhoto] : {std::pair{4.0, true}, std::pair{-4.0, false}}) {
        app.selectedPhoto = -1;
        QTimer::singleShot(200, [] {
            if (QWidget* menu = QApplication::activePopupWidget())
                menu->close();
        });
        Click(Qt::RightButton, (corner + inward * pixels) / ratio);
        EXPECT_EQ(app.selectedPhoto, onPhoto ? 1 : -1) << pixels << " device pixels in, scale " << ratio;
    }
}

// A resting book draws nothing, yet a photo that could not be read comes in once
// its file is mended, with no key pressed.
TEST_F(FrameLoopTest, AMendedPhotoComesInWhileTheBookRests)
{
    const std::string photo = dir.file("media/photos/quillo1.jpg");
    const std::string good = ReadBytes(photo);
    WriteBytes(photo, "not a photo");
    shell->Menus()->Action(kCmdLowQuality)->trigger(); // the photos are read again
    ASSERT_TRUE(PumpUntil([&] { return app.photoTextures[6].Failed; }));
    PumpFor(1500);
    WriteBytes(photo, good);
    EXPECT_TRUE(PumpUntil([&] { return app.photoTextures[6].HasTexture(); }, 4000));
}

class RippleTest : public ShellFixture
{
protected:
    void Adjust(FSettings& settings) override { settings.EffectPath = dir.fileF("media/Effects/Ripple.fx"); }
};

TEST_F(RippleTest, AnEffectThatFollowsTheClockKeepsDrawing)
{
    ASSERT_FALSE(app.effectPath.IsEmpty());
    PumpFor(300);
    const uint64_t before = framework().FramesPresented();
    PumpFor(1000);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    EXPECT_GE(framework().FramesPresented() - before, 15u) << "frames in a second of the rippling photos";
#else
    EXPECT_GT(framework().FramesPresented() - before, 2u) << "frames in a second of the rippling photos";
#endif
}

// The window keeps its size and, where the program places windows, its place:
// closed and opened again, the stored rectangle does not move.
TEST_F(FrameLoopTest, TheStoredWindowDoesNotDriftOverRestarts)
{
    const auto stored = [&] {
        FSettings settings({dir.dirF(), 1280, 1024});
        settings.SettingsLoad();
        return settings.Window;
    };
    const FRect first = stored();
    for (int run = 0; run < 2; ++run) {
        framework().Close();
        PumpFor(100);
        EXPECT_EQ(stored(), first) << "after run " << run;
        shell = std::make_unique<FShell>(app);
        FSettingsEnvironment environment{dir.dirF(), 1280, 1024};
        ASSERT_TRUE(shell->Start(&environment));
        ASSERT_TRUE(framework().StartIdleLoop());
        PumpFor(300);
    }
}

class ExportTest : public ShellFixture
{
protected:
    void Adjust(FSettings& settings) override
    {
        settings.ExportWidth = 160;
        settings.ExportHeight = 120;
        settings.ExportFPS = 5;
        settings.ExportType = 0;
        settings.TimeView = 1;
    }
};

// "Export as Movie..." from the window, its dialogs answered as a user would.
TEST_F(ExportTest, TheViewersExportWritesTheMovie)
{
    fs::create_directory(dir.file("two"));
    for (const char* name : {"quillo1.jpg", "quillo2.jpg"})
        fs::copy_file(dir.file(std::string("media/photos/") + name), dir.file(std::string("two/") + name));
    ASSERT_EQ(U8(app.OpenPath(dir.fileF("two"), 0)), "");
    const std::string movie = dir.file("two.avi");
    QString report;
    WhenModal([&](QWidget* settings) {
        WhenModal<QFileDialog>([&](QFileDialog* chooser) {
            auto* poll = new QTimer(chooser->parent());
            QObject::connect(poll, &QTimer::timeout, [&report, poll] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box || box->windowTitle() != QStringLiteral("Vetra"))
                    return;
                poll->stop();
                report = box->text();
                box->accept();
            });
            poll->start(20);
            ChooseInDialog(chooser, movie);
        });
        ClickButton(settings, "button1");
    });
    shell->Menus()->Action(kCmdExportMovie)->trigger();
    EXPECT_TRUE(report.contains(QStringLiteral("Frames stored:"))) << report.toStdString();
    EXPECT_GT(fs::file_size(movie), 10000u);
    EXPECT_FALSE(framework().RenderingPaused());
}

class ScreenTest : public ShellFixture
{
protected:
    void Adjust(FSettings& settings) override
    {
        settings.RenderShadows = true;
        settings.RenderTransparentPage = true;
    }
};

// Under a compositor the window's pixels are composed with what lies behind it:
// the book must be opaque and whole. Under Wayland the picture is also compared
// with the same scene under X11, drawn by this test in a run of its own.
TEST_F(ScreenTest, TheScreenShowsWhatTheBookDrewAndWaylandWhatX11Shows)
{
    framework().SetClientSize(640, 480);
    ASSERT_TRUE(PumpUntil([&] { return framework().ClientWidth() == 640 && framework().ClientHeight() == 480; }));
    PumpFor(500); // the device follows the size once it has settled
    ASSERT_TRUE(PumpUntil([&] { return !app.ArePhotoTexturesPending() && !app.WantsFrames(); }));
    PumpFor(300);
    const QImage drawn = framework().Surface()->grabFramebuffer().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(drawn.size(), QSize(640, 480));
    const QImage screen = Screen();
    ASSERT_FALSE(screen.isNull());
    const std::optional<QPoint> at = Locate(screen, drawn);
    ASSERT_TRUE(at) << "the screen does not show the book as it was drawn";
    const QImage shown = screen.copy(QRect(*at, drawn.size()));

    if (const QByteArray out = qgetenv("QUILLO_SCREEN_OUT"); !out.isEmpty()) {
        ASSERT_TRUE(shown.save(QString::fromLocal8Bit(out)));
        return;
    }
    if (!Wayland())
        return;
    QTemporaryDir scratch;
    const QString reference = scratch.filePath(QStringLiteral("x11.png"));
    QProcess x11;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    environment.insert(QStringLiteral("QUILLO_SCREEN_OUT"), reference);
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    x11.setProcessEnvironment(environment);
    x11.setProcessChannelMode(QProcess::MergedChannels);
    x11.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--gtest_filter=ScreenTest.*")});
    ASSERT_TRUE(x11.waitForFinished(120000));
    ASSERT_EQ(x11.exitCode(), 0) << x11.readAll().toStdString();
    EXPECT_LT(Difference(shown, QImage(reference).convertToFormat(QImage::Format_RGB32)), 0.01);
}

} // namespace
