#pragma once
// The whole program in the test's process, started on a program folder of its own
// with the sample photos, its frame loop running; events are pumped by the test.

#include "../base/TestFiles.h"
#include "QtTestSupport.h"
#include "app/FPhotoBookApp.h"
#include "framework/qt/FQtFramework.h"
#include "render/FBookLayout.h"
#include "ui/qt/FShell.h"

#include <QFileDialog>

#include <filesystem>
#include <functional>
#include <memory>

namespace fs = std::filesystem;

// The deadline only ends a failing wait: a sanitized build on a busy machine
// takes seconds to load the sample photos.
inline bool PumpUntil(const std::function<bool()>& done, int ms = 20000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// Types a full path into a chooser's file name field and confirms it, as a user would.
inline void ChooseInDialog(QFileDialog* chooser, const std::string& path)
{
    auto* name = Child<QLineEdit>(chooser, "fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(path));
    PressKey(name, Qt::Key_Return);
}

class ShellFixture : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { EnsureQApplication(); }

    void SetUp() override
    {
        // A program folder of our own with the sample photos, and a data home for the trash.
        fs::copy(PHOTOBOOK_SOURCE_MEDIA, dir.file("media"), fs::copy_options::recursive);
        qputenv("XDG_DATA_HOME", QByteArray::fromStdString(dir.file("data")));
        FSettings settings({dir.dirF(), 1280, 1024});
        settings.TimePage = 1;
        settings.TimeZoom = 1;
        settings.RenderTransparentPage = false;
        Adjust(settings);
        ASSERT_EQ(settings.SettingsSave(), FSaveResult::Saved);
        BeforeStart();
        shell = std::make_unique<FShell>(app);
        FSettingsEnvironment environment{dir.dirF(), 1280, 1024};
        ASSERT_TRUE(shell->Start(&environment));
        framework().Window()->activateWindow();
        ASSERT_TRUE(framework().StartIdleLoop());
        ASSERT_TRUE(PumpUntil([&] { return app.framesRendered > 2 && !app.ArePhotoTexturesPending(); }));
    }

    void TearDown() override
    {
        if (framework().Window() && framework().Window()->isVisible())
            framework().Close();
        PumpUntil([] { return false; }, 50);
        shell.reset();
    }

    FQtFramework& framework() { return shell->Framework(); }
    // A test's own settings before the program starts, and what it does then.
    virtual void Adjust(FSettings&) {}
    virtual void BeforeStart() {}

    void Click(Qt::MouseButton button, QPointF at)
    {
        QMouseEvent press(QEvent::MouseButtonPress, at, framework().Surface()->mapToGlobal(at), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(framework().Surface(), &press);
    }

    // Client position of the middle of a photo on a page, in the frame the book shows now.
    QPointF PhotoCentre(int page, int slot)
    {
        const FFrame frame = app.DescribeFrame(framework().ClientWidth(), framework().ClientHeight());
        FBookLayout layout;
        layout.LayAll(frame);
        const FGridMesh& mesh = *layout.Page(page).photoSlot[static_cast<size_t>(slot)].photoMesh;
        const FBookVertex& v = mesh.vertices[static_cast<size_t>(mesh.rows / 2 * mesh.columns + mesh.columns / 2)];
        const FVector3 ndc = TransformCoord({v.x, v.y, v.z}, frame.world * frame.view * frame.projection);
        const double ratio = framework().Surface()->devicePixelRatio();
        return {(ndc.x + 1) * 0.5 * framework().ClientWidth() / ratio,
                (1 - ndc.y) * 0.5 * framework().ClientHeight() / ratio};
    }

    ScratchDir dir;
    FPhotoBookApp app;
    std::unique_ptr<FShell> shell;
};

