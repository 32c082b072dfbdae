// "Export as Movie..." in this process through the real window and dialogs: the
// encoder choice and quality are kept, and a resize from outside (no window manager
// here to refuse it) neither changes the preview nor freezes the movie.

#include "../base/TestFiles.h"
#include "../exportmedia/MovieReader.h"
#include "QtTestSupport.h"
#include "app/FPhotoBookApp.h"
#include "base/FCommandIds.h"
#include "framework/qt/FQtFramework.h"
#include "ui/qt/FQtFileDialog.h"
#include "ui/qt/FQtMenuBar.h"
#include "ui/qt/FShell.h"

#include <QAction>
#include <QFileDialog>
#include <QMessageBox>
#include <QSpinBox>

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

TEST(ViewerExport, UncompressedChoiceQualityAndAResizeMidExport)
{
    EnsureQApplication();
    ScratchDir dir;
    fs::copy(PHOTOBOOK_SOURCE_MEDIA, dir.file("media"), fs::copy_options::recursive);
    {
        FSettings settings({dir.dirF(), 1280, 1024});
        settings.TimePage = settings.TimeZoom = settings.TimeView = 1;
        settings.ExportWidth = 160;
        settings.ExportHeight = 120;
        settings.ExportFPS = 10;
        settings.ExportType = 1;
        settings.EncoderName = FString(u"MPEG-4 part 2");
        ASSERT_EQ(settings.SettingsSave(), FSaveResult::Saved);
    }
    FPhotoBookApp app;
    FShell shell(app);
    FSettingsEnvironment environment{dir.dirF(), 1280, 1024};
    ASSERT_TRUE(shell.Start(&environment));
    FQtFramework& framework = shell.Framework();
    QWidget* window = framework.Window();

    const std::string movie = dir.file("clip.avi");
    WhenModal([&](QWidget* settingsBox) {
        WhenModal<QFileDialog>([&](QFileDialog* chooser) {
            WhenModal([&](QWidget* encoders) {
                auto* combo = Child<QComboBox>(encoders, "combo1045");
                ChooseRow(encoders, "combo1045", combo->count() - 1);
                auto* quality = Child<QSpinBox>(encoders, "quality");
                ASSERT_NE(quality, nullptr);
                EXPECT_EQ(quality->value(), 80);
                quality->setValue(55);
                ClickButton(encoders, "button1");
            });
            auto* name = Child<QLineEdit>(chooser, "fileNameEdit");
            name->setText(QString::fromStdString(dir.file("clip"))); // the AVI filter adds .avi
            PressKey(name, Qt::Key_Return);
        });
        ClickButton(settingsBox, "button1");
    });

    // Mid-export, once: an outside resize, then the state a window manager's maximise leaves.
    QSize preview, duringResize, duringMaximise;
    int resizedAt = 0;
    QTimer watch;
    QString report;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()); box && box->isVisible()) {
            report = box->text();
            box->accept();
            return;
        }
        const QStringList progress = window->windowTitle().section(QStringLiteral(", "), 1).split(QLatin1Char('/'));
        const int frame = progress.value(0).trimmed().toInt();
        if (progress.size() != 2 || frame < 10)
            return;
        if (resizedAt == 0) {
            resizedAt = frame;
            preview = QSize(framework.ClientWidth(), framework.ClientHeight());
            std::system(("xdotool windowsize " + std::to_string(window->winId()) + " 900 700").c_str());
        } else if (frame > resizedAt + 10 && duringResize.isEmpty()) {
            duringResize = QSize(framework.ClientWidth(), framework.ClientHeight());
            window->setWindowState(Qt::WindowMaximized);
        } else if (frame > resizedAt + 20 && duringMaximise.isEmpty()) {
            duringMaximise = QSize(framework.ClientWidth(), framework.ClientHeight());
        }
    });
    watch.start(5);
    shell.Menus()->Action(kCmdExportMovie)->trigger();
    watch.stop();

    EXPECT_TRUE(report.contains(QStringLiteral("Frames stored"))) << report.toStdString();
    EXPECT_TRUE(app.settings->EncoderName.IsEmpty()) << "the uncompressed entry keeps no encoder";
    EXPECT_EQ(app.settings->ExportQuality, 55);
    ASSERT_GT(resizedAt, 0) << "the export never showed its progress";
    EXPECT_EQ(duringResize, preview);
    EXPECT_EQ(duringMaximise, preview);
    // The window is free again.
    EXPECT_EQ(window->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
    EXPECT_TRUE(window->windowFlags() & Qt::WindowMaximizeButtonHint);

    const FDecodedMovie decoded = DecodeMovie(movie);
    ASSERT_EQ(decoded.error, "");
    EXPECT_EQ(decoded.codec, "rawvideo");
    ASSERT_GT(decoded.frames.size(), static_cast<size_t>(resizedAt + 30));
    std::set<std::vector<uint8_t>> after(decoded.frames.begin() + resizedAt + 2, decoded.frames.end());
    EXPECT_GT(after.size(), 10u) << "frames after the resize are frozen";
    framework.Close();
}

// A first export's chooser opens in the videos folder with the program's name
// ready; the MP4 filter gives a bare name its extension.
TEST(ViewerExport, FirstMovieChooserOpensInVideosAndTheMp4FilterNamesTheFile)
{
    EnsureQApplication();
    ScratchDir dir;
    fs::create_directory(dir.file("films"));
    qputenv("XDG_VIDEOS_DIR", QByteArray::fromStdString(dir.file("films")));
    QString folder, name;
    WhenModal<QFileDialog>([&](QFileDialog* chooser) {
        folder = chooser->directory().absolutePath();
        auto* edit = Child<QLineEdit>(chooser, "fileNameEdit");
        name = edit->text();
        chooser->selectNameFilter(chooser->nameFilters().value(1));
        edit->setText(QStringLiteral("trip"));
        PressKey(edit, Qt::Key_Return);
    });
    const FString chosen = ShowFileDialog(nullptr, FString(kFirstMoviePath), FFileDialogKind::Movie, FLocale());
    qunsetenv("XDG_VIDEOS_DIR");
    EXPECT_EQ(folder.toStdString(), dir.file("films"));
    EXPECT_EQ(name.toStdString(), "QuilloPhotoBook.avi");
    EXPECT_EQ(chosen.ToUtf8(), dir.file("films/trip.mp4"));
}

} // namespace
