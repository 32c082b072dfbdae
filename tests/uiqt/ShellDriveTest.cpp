// The whole program in this process, driven through its real window: keys, a
// popup menu, menu commands, choosers, the trash and a failing save on closing.

#include "ShellFixture.h"
#include "base/FCommandIds.h"
#include "base/FFile.h"
#include "ui/qt/FQtMenuBar.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>

#include <filesystem>
#include <functional>

namespace {

using ShellDriveTest = ShellFixture;

// Left clicks on photos are in DesktopTest, with real X input.
TEST_F(ShellDriveTest, ARightClickSelectsThePhotoAndItsMenuShowsItsPathGreyed)
{
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

// Each item names its key once, in the shortcut column (after the tab) as the menu
// draws it: its text, and the action's own shortcut when the text names none.
TEST_F(ShellDriveTest, MenuItemsShowTheirKeyOnce)
{
    const auto shown = [](const QAction* action) {
        QString text = action->text();
        if (!text.contains(QLatin1Char('\t')) && !action->shortcut().isEmpty())
            text += QLatin1Char('\t') + action->shortcut().toString(QKeySequence::NativeText);
        return text.toStdString();
    };
    for (const QAction* top : framework().MenuBar()->actions())
        for (const QAction* action : top->menu()->actions())
            EXPECT_EQ(shown(action).find('\t'), shown(action).rfind('\t')) << shown(action);
}

TEST_F(ShellDriveTest, MenusFollowTheLanguage)
{
    // Set Language... with the German file: menus in German, the confirmation box.
    const std::string german = dir.file("media/Locales/German.txt");
    QString confirmation;
    WhenModal<QFileDialog>([&](QFileDialog* chooser) {
        WhenModal<QMessageBox>([&](QMessageBox* message) {
            confirmation = message->text();
            message->accept();
        });
        ChooseInDialog(chooser, german);
    });
    shell->Menus()->Action(kCmdSetLanguage)->trigger();
    EXPECT_EQ(confirmation.toStdString(), "Die Sprache ist jetzt Deutsch");
    EXPECT_EQ(framework().MenuBar()->actions().value(0)->text().toStdString(), "Datei");
}

TEST_F(ShellDriveTest, DeleteMovesThePhotoToTheTrashAndCopyNeverOverwrites)
{
    const std::string photo = dir.file("media/photos/quillo1.jpg");
    app.selectedPhoto = 0;

    // Copy onto an existing file: refused, the target keeps its bytes.
    WriteBytes(dir.file("existing.jpg"), "keep me");
    WhenModal<QFileDialog>([&](QFileDialog* chooser) {
        // Even a yes to the chooser's "replace?" must not let the copy overwrite it.
        WhenModal<QMessageBox>([](QMessageBox* message) { message->button(QMessageBox::Yes)->click(); });
        ChooseInDialog(chooser, dir.file("existing.jpg"));
    });
    shell->Menus()->Action(kCmdCopyPhoto)->trigger();
    EXPECT_EQ(ReadBytes(dir.file("existing.jpg")), "keep me");

    WhenModal<QMessageBox>([](QMessageBox* box) { box->button(QMessageBox::Yes)->click(); });
    shell->Menus()->Action(kCmdDeletePhoto)->trigger();
    EXPECT_FALSE(fs::exists(photo));
    EXPECT_TRUE(fs::exists(dir.file("data/Trash/files/quillo1.jpg")));
    // Its slot is drawn without a picture, and the book does not wait for it.
    ASSERT_TRUE(PumpUntil([&] {
        return app.photoTextures[6].Failed &&
               framework().Window()->windowTitle() == QStringLiteral("Quillo's Photo Book, Page 1 of 3");
    }));
}

TEST_F(ShellDriveTest, AltEnterGoesFullScreenAndEscapeBack)
{
    // Alt+Enter is the accelerator, not Enter's page turn; the menu bar goes.
    QKeyEvent altEnter(QEvent::KeyPress, Qt::Key_Return, Qt::AltModifier);
    QApplication::sendEvent(framework().Surface(), &altEnter);
    ASSERT_TRUE(PumpUntil([&] { return framework().Window()->isFullScreen(); }, 3000));
    EXPECT_FALSE(framework().MenuBar()->isVisible());
    EXPECT_EQ(app.turnState, 0);
    // Escape in full screen goes back to the window rather than closing it.
    QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QApplication::sendEvent(framework().Surface(), &escape);
    ASSERT_TRUE(PumpUntil([&] { return !framework().Window()->isFullScreen(); }, 3000));
    EXPECT_TRUE(framework().Window()->isVisible());
}

// F12 (Play > Slideshow) plays the movie's script; any key stops it where it stands:
// the camera settles on the photo it was moving to, the page stays and the frames stop.
TEST_F(ShellDriveTest, AKeyStopsTheSlideshowWhereItStands)
{
    QAction* item = shell->Menus()->Action(kCmdSlideshow);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text().toStdString(), "Slideshow\tF12");
    const QString resting = framework().Window()->windowTitle();
    PressKey(framework().Surface(), Qt::Key_F12);
    const FCameraPresets& presets = app.settings->cameraPresets;
    const FCamera& camera = *app.camera;
    // Half-way from the front view to the first photo.
    ASSERT_TRUE(PumpUntil(
        [&] { return camera.presetIndex == 6 && !(camera.current == presets[0]) && !(camera.current == presets[6]); }));
    const auto title = [&] { return framework().Window()->windowTitle().toStdString(); };
    EXPECT_EQ(title(), resting.toStdString() + ", Slideshow");
    PressKey(framework().Surface(), Qt::Key_Right); // would turn the page if nothing played
    ASSERT_TRUE(PumpUntil([&] { return !app.WantsFrames(); }));
    EXPECT_EQ(app.pageIndex, 0);
    EXPECT_EQ(app.turnState, 0);
    EXPECT_EQ(camera.presetIndex, 6u);
    EXPECT_TRUE(camera.current == presets[6]) << "the camera settles on the photo";
    EXPECT_EQ(title(), resting.toStdString());
    const uint64_t frames = framework().FramesPresented();
    PumpUntil([] { return false; }, 500);
    EXPECT_EQ(framework().FramesPresented(), frames) << "frames after the slideshow stopped";

    // Started from the menu, it ends at a menu command, which then runs.
    item->trigger();
    ASSERT_TRUE(PumpUntil([&] { return framework().Window()->windowTitle().endsWith(QStringLiteral("Slideshow")); }));
    shell->Menus()->Action(kCmdGoToLastPage)->trigger();
    EXPECT_EQ(app.pageIndex, app.LastPageIndex());
    ASSERT_TRUE(PumpUntil([&] { return !app.WantsFrames() && !app.ArePhotoTexturesPending(); }));
    EXPECT_EQ(title(), "Quillo's Photo Book, Page 3 of 3");
}

// It used to crash here: the frame loop ran on, under the message, on settings
// already freed.
TEST_F(ShellDriveTest, ClosingWithUnsavableSettingsSaysSoAndEndsCleanly)
{
    fs::remove(dir.file("QuilloPhotoBook.ini"));
    fs::create_directory(dir.file("QuilloPhotoBook.ini")); // a folder in its place: the save fails
    QString said;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        PumpUntil([] { return false; }, 300); // frames would run now if the loop went on
        said = box->text();
        box->accept();
    });
    framework().Close();
    EXPECT_TRUE(said.startsWith(QStringLiteral("The settings could not be saved."))) << said.toStdString();
    EXPECT_FALSE(app.IsInitialised());
}

// A settings file that cannot be read (here far too large) is not replaced at the
// close: the user is told so once, at the start.
class UnreadSettingsTest : public ShellFixture
{
protected:
    void BeforeStart() override
    {
        fs::resize_file(dir.file("QuilloPhotoBook.ini"), kMaxTextFileBytes + 1);
        // Every box of the run is noted and answered.
        QObject::connect(&answer, &QTimer::timeout, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                said.push_back(box->text());
                box->accept();
            }
        });
        answer.start(10);
    }
    QTimer answer;
    QStringList said;
};

TEST_F(UnreadSettingsTest, AreLeftAsTheyAreAndTheUserIsToldOnce)
{
    ASSERT_EQ(said.size(), 1);
    EXPECT_TRUE(
        said[0].startsWith(QStringLiteral("The settings could not be read; changes to them will not be saved.")))
        << said[0].toStdString();
    EXPECT_TRUE(said[0].endsWith(QStringLiteral("QuilloPhotoBook.ini: too large"))) << said[0].toStdString();
    framework().Close();
    EXPECT_FALSE(app.IsInitialised());
    EXPECT_EQ(said.size(), 1);
    EXPECT_EQ(fs::file_size(dir.file("QuilloPhotoBook.ini")), kMaxTextFileBytes + 1);
}

} // namespace
