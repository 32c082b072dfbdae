// The export dialogs and the movie chooser driven by typed keys and clicks in their
// own modal loops. The decisions themselves are in ExportDialogRulesTest and
// MovieChooserTest; here only their wiring.

#include "../base/TestFiles.h"
#include "QtTestSupport.h"
#include "ui/qt/FDialogs.h"
#include "ui/qt/FExportDialogs.h"
#include "ui/qt/FQtFileDialog.h"

#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>
#include <QSpinBox>

#include <array>

namespace {

// The five resolution fields as "w h fps dar par", and the preset.
QString Shown(QWidget* d)
{
    QStringList fields;
    for (const char* edit : {"edit1033", "edit1034", "edit1035", "edit1036", "edit1037"})
        fields << EditText(d, edit);
    auto* combo = Child<QComboBox>(d, "combo1044");
    return fields.join(QLatin1Char(' ')) + QLatin1Char('|') + (combo ? combo->currentText() : QString());
}

TEST(ExportDialogs, OpensOnItsPresetPresetsAndTypingKeepTheRatiosTogetherAndOkStores)
{
    EnsureQApplication();
    QWidget owner;
    owner.show();
    FSettings settings{FSettingsEnvironment{FString(u"/nowhere")}}; // 640 x 480, PAR 1, 25 fps
    settings.TimeZoom = 7;
    QString opened, palWide, afterSize, afterAspect, afterFps, lengths;
    const auto length = [](QWidget* d) { return Child<QLabel>(d, "movieLength")->text(); };
    WhenModal([&](QWidget* d) {
        // Someone who never exported starts on MP4 (H.264).
        opened = Shown(d) + QLatin1Char('|') + EditText(d, "edit1046") + EditText(d, "edit1047") +
                 EditText(d, "edit1048") + (Child<QRadioButton>(d, "radioMp4")->isChecked() ? "|mp4" : "");
        lengths = length(d);
        ChooseRow(d, "combo1044", 17);
        palWide = Shown(d);
        ChooseRow(d, "combo1044", 3);

        Type(d, "edit1033", QStringLiteral("1000"));
        Type(d, "edit1034", QStringLiteral("750"));
        afterSize = Shown(d);
        Type(d, "edit1033", QStringLiteral("640"));
        Type(d, "edit1036", QStringLiteral("4:3"));
        afterAspect = EditText(d, "edit1034");
        Type(d, "edit1036", QStringLiteral("16:9"));
        afterAspect += QLatin1Char(' ') + EditText(d, "edit1034");
        ChooseRow(d, "combo1044", 3);
        Type(d, "edit1035", QStringLiteral("30"));
        afterFps = Shown(d); // the frame rate is no part of the picture's shape: the preset stays
        Type(d, "edit1037", QStringLiteral("8:9"));
        Type(d, "edit1047", QStringLiteral("99"));
        lengths += QLatin1Char('|') + length(d);
        Click(Child<QRadioButton>(d, "radio1050"));
        ClickButton(d, "button1");
    });
    EXPECT_EQ(ExportSettingsDialog(&owner, settings, FLocale(), 4), kDialogOk);
    EXPECT_EQ(opened, "640 480 25 4:3 1:1|Computer 4:3 - 640 x 480|373|mp4");
    // Four photos: 3 turns, 8 moves, 5 holds, at 25 and then 30 frames a second.
    EXPECT_EQ(lengths, "Length 1:20 (2000 frames)|Length 3:04 (5520 frames)");
    EXPECT_EQ(palWide, "720 576 25 16:9 1.42222|PAL DVD Widescreen");
    EXPECT_EQ(afterSize, "1000 750 25 4:3 1:1|Custom");
    // Held in single precision, 4:3 gives 479.99998 rows and 16:9 359.99998: truncated.
    EXPECT_EQ(afterAspect, "479 359");
    EXPECT_EQ(afterFps, "640 480 30 4:3 1:1|Computer 4:3 - 640 x 480");
    EXPECT_EQ((std::array{settings.ExportWidth, settings.ExportHeight, settings.TimeZoom, settings.ExportType}),
              (std::array{640, 480, 20, 1}));
    EXPECT_FLOAT_EQ(settings.ExportFPS, 30.0f);
    EXPECT_FLOAT_EQ(settings.ExportPAR, 8.0f / 9.0f);

    // Cancel stores nothing.
    WhenModal([](QWidget* d) {
        Type(d, "edit1033", QStringLiteral("100"));
        ClickButton(d, "button2");
    });
    EXPECT_EQ(ExportSettingsDialog(&owner, settings, FLocale()), kDialogCancel);
    EXPECT_EQ(settings.ExportWidth, 640);
}

TEST(ExportDialogs, EncoderChoiceUncompressedClearsTheNameQualityIsKeptCancelKeepsBoth)
{
    EnsureQApplication();
    const std::vector<FEncoderNames> names = {{FString(u"mpeg4"), FString(u"MPEG-4 part 2")},
                                              {FString(u"mjpeg"), FString(u"Motion JPEG")}};
    FString chosen(u"Motion JPEG");
    int32_t quality = 80;
    int shownRow = -1, shownQuality = -1;
    WhenModal([&](QWidget* d) {
        shownRow = Child<QComboBox>(d, "combo1045")->currentIndex();
        shownQuality = Child<QSpinBox>(d, "quality")->value();
        ChooseRow(d, "combo1045", 2); // the uncompressed entry, after the encoders
        Child<QSpinBox>(d, "quality")->setValue(55);
        ClickButton(d, "button1");
    });
    EXPECT_TRUE(EncoderDialog(nullptr, names, chosen, quality));
    EXPECT_EQ((std::pair{shownRow, shownQuality}), (std::pair{1, 80}));
    EXPECT_TRUE(chosen.IsEmpty()) << "the uncompressed entry keeps no encoder";
    EXPECT_EQ(quality, 55);

    WhenModal([&](QWidget* d) {
        ChooseRow(d, "combo1045", 1);
        Child<QSpinBox>(d, "quality")->setValue(10);
        ClickButton(d, "button2");
    });
    EXPECT_FALSE(EncoderDialog(nullptr, names, chosen, quality));
    EXPECT_TRUE(chosen.IsEmpty());
    EXPECT_EQ(quality, 55);
}

// The rows of the music list, " | " between them.
QString MusicRows(QWidget* d)
{
    QStringList rows;
    auto* list = Child<QListWidget>(d, "musicList");
    for (int i = 0; list && i < list->count(); ++i)
        rows << list->item(i)->text();
    return rows.join(QStringLiteral(" | "));
}

QString Summary(QWidget* d)
{
    auto* label = Child<QLabel>(d, "musicSummary");
    return label ? label->text() : QStringLiteral("<missing>");
}

// The music dialog over the export dialog: files added through the chooser in the
// order given, moved, removed; its OK shows the list beside the button and the export
// dialog's OK stores it. Cancel in either keeps what was there.
TEST(ExportDialogs, MusicIsChosenOrderedAndStoredOnlyByOk)
{
    EnsureQApplication();
    ScratchDir dir;
    for (const char* name : {"b.ogg", "c d \xc3\xa9.flac"})
        WriteBytes(dir.file(name), "audio");
    FSettings settings{FSettingsEnvironment{FString(u"/nowhere")}};
    settings.ExportMusic = {FString(u"/music/holiday.mp3")};
    QString shown, opened, added, edited;
    WhenModal([&](QWidget* d) {
        shown = Summary(d);
        WhenModal([&](QWidget* music) {
            opened = MusicRows(music);
            WhenModal<QFileDialog>([&](QFileDialog* chooser) {
                chooser->setDirectory(QString::fromStdString(dir.path()));
                auto* edit = Child<QLineEdit>(chooser, "fileNameEdit");
                edit->setText(QStringLiteral("\"b.ogg\" \"c d \u00e9.flac\""));
                PressKey(edit, Qt::Key_Return);
            });
            ClickButton(music, "musicAdd");
            added = MusicRows(music);
            Child<QListWidget>(music, "musicList")->setCurrentRow(2);
            ClickButton(music, "musicUp");
            Child<QListWidget>(music, "musicList")->setCurrentRow(0);
            ClickButton(music, "musicRemove");
            edited = MusicRows(music);
            ClickButton(music, "button1");
        });
        ClickButton(d, "musicButton");
        shown += QStringLiteral(" > ") + Summary(d);
        ClickButton(d, "button1");
    });
    EXPECT_EQ(ExportSettingsDialog(nullptr, settings, FLocale()), kDialogOk);
    EXPECT_EQ(opened, "holiday.mp3");
    EXPECT_EQ(added, "holiday.mp3 | b.ogg | c d \u00e9.flac");
    EXPECT_EQ(edited, "c d \u00e9.flac | b.ogg");
    EXPECT_EQ(shown, "holiday.mp3 > 2 files");
    const std::vector<FString> stored = {FString::FromUtf8(dir.file("c d \xc3\xa9.flac")),
                                         FString::FromUtf8(dir.file("b.ogg"))};
    EXPECT_EQ(settings.ExportMusic, stored);

    // "No Music" then Cancel keeps the list; "No Music" then OK empties it, until the
    // export dialog's Cancel.
    shown.clear();
    WhenModal([&](QWidget* d) {
        for (const char* button : {"button2", "button1"}) {
            WhenModal([&](QWidget* music) {
                ClickButton(music, "musicClear");
                ClickButton(music, button);
            });
            ClickButton(d, "musicButton");
            shown += Summary(d) + QLatin1Char('|');
        }
        ClickButton(d, "button2");
    });
    EXPECT_EQ(ExportSettingsDialog(nullptr, settings, FLocale()), kDialogCancel);
    EXPECT_EQ(shown, "2 files|No music|");
    EXPECT_EQ(settings.ExportMusic, stored);
}

// A first export's chooser opens in the videos folder with the program's name
// ready; the MP4 filter gives a bare name its extension.
TEST(ExportDialogs, FirstMovieChooserOpensInVideosAndTheMp4FilterNamesTheFile)
{
    EnsureQApplication();
    ScratchDir dir;
    std::filesystem::create_directory(dir.file("films"));
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
