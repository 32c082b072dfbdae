// The whole program in this process, driven through its real window: keys,
// clicks, popup menus, menu commands, choosers and the trash.

#include "../base/TestFiles.h"
#include "QtTestSupport.h"
#include "app/FPhotoBookApp.h"
#include "base/FCommandIds.h"
#include "framework/qt/FQtFramework.h"
#include "render/FBookLayout.h"
#include "ui/qt/FQtMenuBar.h"
#include "ui/qt/FShell.h"

#include <QAction>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

bool PumpUntil(const std::function<bool()>& done, int ms = 5000)
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
void ChooseInDialog(QFileDialog* chooser, const std::string& path)
{
    auto* name = Child<QLineEdit>(chooser, "fileNameEdit");
    ASSERT_NE(name, nullptr);
    name->setText(QString::fromStdString(path));
    PressKey(name, Qt::Key_Return);
}

// Stale answers from an earlier test must not answer this test's windows.
int gAnswerGeneration = 0;

// Answers the next modal box or chooser of type T, waiting for it up to five seconds.
template <typename T> void AnswerNextModal(std::function<void(T*)> answer)
{
    auto* timer = new QTimer;
    const int generation = gAnswerGeneration;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(timer, &QTimer::timeout, [timer, answer, generation, started] {
        const bool stale = generation != gAnswerGeneration || started->elapsed() > 5000;
        T* modal = stale ? nullptr : qobject_cast<T*>(QApplication::activeModalWidget());
        if (!stale && !modal)
            return;
        timer->stop();
        timer->deleteLater();
        if (modal)
            answer(modal);
    });
    timer->start(30);
}

class ShellDriveTest : public ::testing::Test
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
        ASSERT_EQ(settings.SettingsSave(), FSaveResult::Saved);
        shell = std::make_unique<FShell>(app);
        FSettingsEnvironment environment{dir.dirF(), 1280, 1024};
        ASSERT_TRUE(shell->Start(&environment));
        framework().Window()->activateWindow();
        ASSERT_TRUE(framework().StartIdleLoop());
        ASSERT_TRUE(PumpUntil([&] { return app.framesRendered > 2 && !app.ArePhotoTexturesPending(); }));
    }

    void TearDown() override
    {
        ++gAnswerGeneration;
        if (framework().Window() && framework().Window()->isVisible())
            framework().Close();
        PumpUntil([] { return false; }, 50);
        shell.reset();
    }

    FQtFramework& framework() { return shell->Framework(); }
    QString Title() { return framework().Window()->windowTitle(); }

    void Key(int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(framework().Surface(), &press);
    }

    void Click(Qt::MouseButton button, QPointF at)
    {
        QMouseEvent press(QEvent::MouseButtonPress, at, framework().Surface()->mapToGlobal(at), button, button,
                          Qt::NoModifier);
        QApplication::sendEvent(framework().Surface(), &press);
    }

    // Client position of the middle of a photo slot's mesh on a page, in the frame
    // the book shows now.
    QPointF PhotoCentre(int page, int slot)
    {
        const FFrame frame = app.DescribeFrame(framework().ClientWidth(), framework().ClientHeight());
        FBookLayout layout;
        for (const FFramePage& draw : frame.Pages())
            layout.Lay(draw, frame.paper);
        const auto& mesh = layout.Page(page).photoSlot[static_cast<size_t>(slot)].photoMesh;
        EXPECT_TRUE(mesh.has_value());
        FVector3 sum{0, 0, 0};
        for (const FBookVertex& v : mesh->vertices)
            sum = sum + FVector3{v.x, v.y, v.z};
        const float n = static_cast<float>(mesh->vertices.size());
        const FMatrix m = frame.world * frame.view * frame.projection;
        const FVector4 clip = Transform(FVector4{sum.x / n, sum.y / n, sum.z / n, 1}, m);
        const double ratio = framework().Surface()->devicePixelRatio();
        return {(clip.x / clip.w + 1) * 0.5 * framework().ClientWidth() / ratio,
                (1 - clip.y / clip.w) * 0.5 * framework().ClientHeight() / ratio};
    }

    ScratchDir dir;
    FPhotoBookApp app;
    std::unique_ptr<FShell> shell;
};

TEST_F(ShellDriveTest, ClicksTurnThePageAndSelectPhotos)
{
    const QPointF photo = PhotoCentre(3, 0);
    Click(Qt::LeftButton, photo);
    EXPECT_EQ(app.selectedPhoto, 0);
    EXPECT_EQ(app.camera->presetIndex, 6u);
    Click(Qt::LeftButton, photo); // again: back to the front view
    EXPECT_EQ(app.selectedPhoto, -1);
    EXPECT_EQ(app.camera->presetIndex, 0u);
    ASSERT_TRUE(PumpUntil([&] { return !app.camera->InTransition(); }));

    // A right click opens the photo's popup with its path greyed at the top.
    QString firstItem;
    bool firstEnabled = true;
    QTimer::singleShot(200, [&] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            firstItem = menu->actions().value(0)->text();
            firstEnabled = menu->actions().value(0)->isEnabled();
            menu->close();
        }
    });
    Click(Qt::RightButton, PhotoCentre(3, 1));
    EXPECT_EQ(app.selectedPhoto, 1);
    EXPECT_TRUE(firstItem.endsWith(QStringLiteral("quillo2.jpg"))) << firstItem.toStdString();
    EXPECT_FALSE(firstEnabled);
}

TEST_F(ShellDriveTest, MenusFollowSettingsAndLanguage)
{
    shell->Menus()->Action(kCmdRenderShadows)->trigger();
    EXPECT_TRUE(shell->Menus()->Action(kCmdRenderShadows)->isChecked());

    // Set Language... with the German file: menus in German, the confirmation box.
    const std::string german = dir.file("media/Locales/German.txt");
    QString confirmation;
    AnswerNextModal<QFileDialog>([&](QFileDialog* chooser) {
        AnswerNextModal<QMessageBox>([&](QMessageBox* message) {
            confirmation = message->text();
            message->accept();
        });
        ChooseInDialog(chooser, german);
    });
    shell->Menus()->Action(kCmdSetLanguage)->trigger();
    EXPECT_EQ(confirmation.toStdString(), "Die Sprache ist jetzt Deutsch");
    EXPECT_EQ(framework().MenuBar()->actions().value(0)->text().toStdString(), "Datei");
    EXPECT_EQ(shell->Menus()->Action(kCmdSetLanguage)->text().toStdString(), "Set Language...");
}

TEST_F(ShellDriveTest, DeleteMovesThePhotoToTheTrashAndCopyNeverOverwrites)
{
    const std::string photo = dir.file("media/photos/quillo1.jpg");
    app.selectedPhoto = 0;

    // Copy onto an existing file: refused, the target keeps its bytes.
    WriteBytes(dir.file("existing.jpg"), "keep me");
    AnswerNextModal<QFileDialog>([&](QFileDialog* chooser) {
        // Even a yes to the chooser's "replace?" must not let the copy overwrite it.
        AnswerNextModal<QMessageBox>([](QMessageBox* message) { message->button(QMessageBox::Yes)->click(); });
        ChooseInDialog(chooser, dir.file("existing.jpg"));
    });
    shell->Menus()->Action(kCmdCopyPhoto)->trigger();
    EXPECT_EQ(ReadBytes(dir.file("existing.jpg")), "keep me");

    AnswerNextModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    shell->Menus()->Action(kCmdDeletePhoto)->trigger();
    EXPECT_FALSE(fs::exists(photo));
    EXPECT_TRUE(fs::exists(dir.file("data/Trash/files/quillo1.jpg")));
    // The slot stays pending, and the title says so.
    ASSERT_TRUE(PumpUntil([&] { return Title().endsWith(QStringLiteral(", Loading Photos...")); }, 2000));
}

TEST_F(ShellDriveTest, KeysTurnPagesAndGoFullScreenAndBack)
{
    EXPECT_EQ(Title(), "Quillo's Photo Book, Page 1 of 3");
    Key(Qt::Key_PageDown);
    ASSERT_TRUE(PumpUntil([&] { return Title() == "Quillo's Photo Book, Page 2 of 3"; }));

    // Alt+Enter is the accelerator, not Enter's page turn; the menu bar goes.
    QKeyEvent altEnter(QEvent::KeyPress, Qt::Key_Return, Qt::AltModifier);
    QApplication::sendEvent(framework().Surface(), &altEnter);
    ASSERT_TRUE(PumpUntil([&] { return framework().Window()->isFullScreen(); }, 3000));
    EXPECT_FALSE(framework().MenuBar()->isVisible());
    EXPECT_EQ(app.turnState, 0);
    // Escape in full screen goes back to the window rather than closing it.
    Key(Qt::Key_Escape);
    ASSERT_TRUE(PumpUntil([&] { return !framework().Window()->isFullScreen(); }, 3000));
    EXPECT_TRUE(framework().Window()->isVisible());
}

} // namespace
