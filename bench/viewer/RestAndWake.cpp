// The viewer at rest and woken, on the sample photos in an 800 x 600 window: the
// whole process's CPU time (all threads) and the frames drawn over ten seconds of
// rest, then how long after a key its frame is drawn. Run it under a window system:
//   xvfb-run -a -s "-screen 0 1280x1024x24" build/bench_RestAndWake
//   xvfb-run -a tests/wayland/with-weston.sh headless build/bench_RestAndWake

#include "app/FPhotoBookApp.h"
#include "framework/qt/FQtFramework.h"
#include "ui/qt/FShell.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <vector>

namespace {

double ProcessSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + t.tv_nsec * 1e-9;
}

// Runs the event loop (sleeping while there is nothing to do) for ms.
void Idle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / ("bench-rest-" + std::to_string(::getpid()));
    fs::create_directories(folder);
    fs::copy(PHOTOBOOK_SOURCE_MEDIA, folder / "media", fs::copy_options::recursive);
    int status = 0;
    {
        FPhotoBookApp book;
        FShell shell(book);
        FSettingsEnvironment environment{FString::FromUtf8(folder.string()), 1280, 1024};
        if (!shell.Start(&environment) || !shell.Framework().StartIdleLoop()) {
            std::fprintf(stderr, "the viewer did not start\n");
            return 1;
        }
        FQtFramework& framework = shell.Framework();
        QElapsedTimer loading;
        loading.start();
        while ((book.ArePhotoTexturesPending() || book.WantsFrames()) && loading.elapsed() < 20000)
            Idle(50);
        Idle(1000);

        const uint64_t frames = framework.FramesPresented();
        const double cpu = ProcessSeconds();
        QElapsedTimer wall;
        wall.start();
        Idle(10000);
        const double seconds = wall.elapsed() / 1000.0;
        std::printf("%s, rest: %.2f %% of a core, %llu frames in %.1f s\n",
                    QGuiApplication::platformName().toLocal8Bit().constData(),
                    100.0 * (ProcessSeconds() - cpu) / seconds,
                    static_cast<unsigned long long>(framework.FramesPresented() - frames), seconds);

        // The light keys change the picture: each asks for exactly one frame.
        std::vector<double> latencies;
        for (int i = 0; i < 20; ++i) {
            const uint64_t before = framework.FramesPresented();
            QKeyEvent key(QEvent::KeyPress, i % 2 ? Qt::Key_1 : Qt::Key_2, Qt::NoModifier, QString());
            QElapsedTimer waited;
            waited.start();
            QApplication::sendEvent(framework.Surface(), &key);
            while (framework.FramesPresented() == before && waited.elapsed() < 2000)
                QApplication::processEvents(QEventLoop::WaitForMoreEvents);
            latencies.push_back(waited.nsecsElapsed() * 1e-6);
            Idle(300);
        }
        std::sort(latencies.begin(), latencies.end());
        std::printf("key to frame: median %.1f ms, max %.1f ms (%zu keys)\n", latencies[latencies.size() / 2],
                    latencies.back(), latencies.size());
        framework.Close();
        Idle(100);
    }
    fs::remove_all(folder);
    return status;
}
