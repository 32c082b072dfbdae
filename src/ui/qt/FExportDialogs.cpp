#include "ui/qt/FExportDialogs.h"
#include "ui/qt/QtText.h"

#include "export/FExportPreset.h"
#include "ui/ExportDialogRules.h"
#include "ui/qt/FDialogs.h"
#include "ui/qt/FQtFileDialog.h"

#include <QComboBox>
#include <QDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {


QString Id(const char* kind, int id)
{
    return QString::fromLatin1(kind) + QString::number(id);
}

QHBoxLayout* OkCancelRow(QDialog* dialog, const FString& okText, const FString& cancelText, QPushButton*& ok,
                         QPushButton*& cancel)
{
    ok = new QPushButton(ToQString(okText), dialog);
    ok->setObjectName(QStringLiteral("button1"));
    ok->setDefault(true);
    cancel = new QPushButton(ToQString(cancelText), dialog);
    cancel->setObjectName(QStringLiteral("button2"));
    for (QPushButton* b : {ok, cancel})
        b->setMinimumWidth(std::max(b->sizeHint().width(), 84));
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

// OK and Cancel that only close the box, saying which was pressed.
QHBoxLayout* ClosingOkCancelRow(QDialog* dialog)
{
    QPushButton *ok = nullptr, *cancel = nullptr;
    QHBoxLayout* row = OkCancelRow(dialog, FString(u"OK"), FString(u"Cancel"), ok, cancel);
    QObject::connect(ok, &QPushButton::clicked, dialog, [dialog] { dialog->done(kDialogOk); });
    QObject::connect(cancel, &QPushButton::clicked, dialog, [dialog] { dialog->done(kDialogCancel); });
    return row;
}

// The box's contents top to bottom, with the margins every box here has.
QVBoxLayout* BoxColumn(QDialog* dialog)
{
    auto* column = new QVBoxLayout(dialog);
    column->setContentsMargins(16, 16, 16, 12);
    column->setSpacing(16);
    return column;
}

// The movie's music: files added through the chooser, kept in order, moved, removed
// or cleared. Works on a copy; the caller takes Files() on OK.
class FMusicBox : public QDialog
{
public:
    FMusicBox(QWidget* owner, std::vector<FString> files) : QDialog(owner), files_(std::move(files))
    {
        setObjectName(QStringLiteral("MusicDialog"));
        setWindowTitle(QStringLiteral("Music"));
        list_ = new QListWidget(this);
        list_->setObjectName(QStringLiteral("musicList"));
        list_->setMinimumWidth(360);
        auto* side = new QVBoxLayout;
        auto button = [&](const char* name, const QString& text, void (FMusicBox::*action)()) {
            auto* b = new QPushButton(text, this);
            b->setObjectName(QString::fromLatin1(name));
            connect(b, &QPushButton::clicked, this, action);
            side->addWidget(b);
        };
        button("musicAdd", QStringLiteral("&Add..."), &FMusicBox::Add);
        button("musicUp", QStringLiteral("&Up"), &FMusicBox::Up);
        button("musicDown", QStringLiteral("&Down"), &FMusicBox::Down);
        button("musicRemove", QStringLiteral("&Remove"), &FMusicBox::Remove);
        button("musicClear", QStringLiteral("&No Music"), &FMusicBox::Clear);
        side->addStretch(1);
        auto* row = new QHBoxLayout;
        row->addWidget(list_);
        row->addLayout(side);

        QHBoxLayout* buttons = ClosingOkCancelRow(this);
        QVBoxLayout* column = BoxColumn(this);
        column->addLayout(row);
        column->addLayout(buttons);
        Show(0);
        adjustSize();
        CentreOnScreen(this, owner);
    }

    const std::vector<FString>& Files() const { return files_; }

protected:
    void reject() override { done(kDialogCancel); }

private:
    void Show(int row)
    {
        list_->clear();
        for (const FString& file : files_) {
            auto* item = new QListWidgetItem(ToQString(file.FileNamePart()), list_);
            item->setToolTip(ToQString(file));
        }
        if (!files_.empty())
            list_->setCurrentRow(std::clamp(row, 0, static_cast<int>(files_.size()) - 1));
    }

    void Add()
    {
        const FString refused = AddMusicFiles(files_, ShowMusicChooser(this, files_));
        Show(static_cast<int>(files_.size()) - 1);
        if (!refused.IsEmpty())
            QMessageBox::warning(this, windowTitle(), ToQString(refused));
    }
    void Up() { Show(MoveMusicFile(files_, list_->currentRow(), -1)); }
    void Down() { Show(MoveMusicFile(files_, list_->currentRow(), 1)); }
    void Remove()
    {
        const int row = list_->currentRow();
        if (row < 0 || row >= static_cast<int>(files_.size()))
            return;
        files_.erase(files_.begin() + row);
        Show(row);
    }
    void Clear()
    {
        files_.clear();
        Show(0);
    }

    std::vector<FString> files_;
    QListWidget* list_ = nullptr;
};

class FExportSettingsBox : public QDialog
{
public:
    FExportSettingsBox(QWidget* owner, FSettings& settings, const FLocale& locale, int32_t photoCount)
        : QDialog(owner), settings_(settings), photoCount_(photoCount)
    {
        setObjectName(QStringLiteral("ExportSettingsDialog"));
        setWindowTitle(ToQString(FString(u"Quillo's Photo Book ") + locale.GetText(76)));

        auto label = [&](int id, int text) {
            auto* l = new QLabel(ToQString(locale.GetText(static_cast<uint32_t>(text))), this);
            l->setObjectName(Id("static", id));
            return l;
        };
        auto edit = [&](int id) {
            auto* e = new QLineEdit(this);
            e->setObjectName(Id("edit", id));
            e->setAlignment(Qt::AlignRight);
            e->setFixedWidth(80);
            return e;
        };
        auto group = [&](int id, int text) {
            auto* g = new QGroupBox(ToQString(locale.GetText(static_cast<uint32_t>(text))), this);
            g->setObjectName(Id("group", id));
            return g;
        };

        // Resolution and FPS: the preset list over the five number fields.
        QGroupBox* resolution = group(1055, 94);
        presets_ = new QComboBox(resolution);
        presets_->setObjectName(QStringLiteral("combo1044"));
        auto* resolutionGrid = new QGridLayout(resolution);
        resolutionGrid->addWidget(presets_, 0, 0, 1, 2);
        const int fieldIds[5] = {1033, 1034, 1036, 1037, 1035};
        const int labelIds[5] = {1042, 1043, 1039, 1040, 1041};
        for (int row = 0; row < 5; ++row) {
            QLabel* l = label(labelIds[row], 77 + row);
            QLineEdit* e = edit(fieldIds[row]);
            l->setBuddy(e);
            resolutionGrid->addWidget(l, row + 1, 0);
            resolutionGrid->addWidget(e, row + 1, 1);
        }
        width_ = findChild<QLineEdit*>(QStringLiteral("edit1033"));
        height_ = findChild<QLineEdit*>(QStringLiteral("edit1034"));
        fps_ = findChild<QLineEdit*>(QStringLiteral("edit1035"));
        displayAspect_ = findChild<QLineEdit*>(QStringLiteral("edit1036"));
        pixelAspect_ = findChild<QLineEdit*>(QStringLiteral("edit1037"));

        QGroupBox* format = group(1053, 84);
        uncompressed_ = new QRadioButton(ToQString(locale.GetText(85)), format);
        uncompressed_->setObjectName(QStringLiteral("radio1049"));
        compressed_ = new QRadioButton(ToQString(locale.GetText(86)), format);
        compressed_->setObjectName(QStringLiteral("radio1050"));
        mp4_ = new QRadioButton(ToQString(FString(kMp4Entry)), format);
        mp4_->setObjectName(QStringLiteral("radioMp4"));
        auto* formatColumn = new QVBoxLayout(format);
        formatColumn->addWidget(mp4_);
        formatColumn->addWidget(uncompressed_);
        formatColumn->addWidget(compressed_);

        QGroupBox* speed = group(1056, 90);
        auto* speedGrid = new QGridLayout(speed);
        for (int row = 0; row < 3; ++row) {
            QLabel* l = label(1057 + row, 91 + row);
            times_[row] = edit(1046 + row);
            l->setBuddy(times_[row]);
            speedGrid->addWidget(l, row, 0);
            speedGrid->addWidget(times_[row], row, 1);
        }

        QPushButton *ok = nullptr, *cancel = nullptr;
        QHBoxLayout* buttons = OkCancelRow(this, locale.GetText(63), locale.GetText(65), ok, cancel);
        connect(ok, &QPushButton::clicked, this, &FExportSettingsBox::Accept);
        connect(cancel, &QPushButton::clicked, this, [this] { done(kDialogCancel); });

        length_ = new QLabel(this);
        length_->setObjectName(QStringLiteral("movieLength"));
        auto* musicButton = new QPushButton(QStringLiteral("&Music..."), this);
        musicButton->setObjectName(QStringLiteral("musicButton"));
        connect(musicButton, &QPushButton::clicked, this, &FExportSettingsBox::ChooseMusic);
        musicSummary_ = new QLabel(this);
        musicSummary_->setObjectName(QStringLiteral("musicSummary"));
        auto* musicRow = new QHBoxLayout;
        musicRow->addWidget(musicButton);
        musicRow->addWidget(musicSummary_, 1);
        auto* right = new QVBoxLayout;
        right->addWidget(format);
        right->addWidget(speed);
        right->addLayout(musicRow);
        right->addWidget(length_);
        right->addStretch(1);
        auto* groups = new QHBoxLayout;
        groups->addWidget(resolution);
        groups->addLayout(right);
        QVBoxLayout* column = BoxColumn(this);
        column->addLayout(groups);
        column->addLayout(buttons);
        column->setSizeConstraint(QLayout::SetFixedSize);

        Open();

        // Every change counts, the dialog's own writes included: the ready flag tells them apart.
        connect(width_, &QLineEdit::textChanged, this, [this] { OnEdit(FExportEdit::Width); });
        connect(height_, &QLineEdit::textChanged, this, [this] { OnEdit(FExportEdit::Height); });
        connect(fps_, &QLineEdit::textChanged, this, [this] { OnEdit(FExportEdit::FramesPerSecond); });
        connect(displayAspect_, &QLineEdit::textChanged, this, [this] { OnEdit(FExportEdit::DisplayAspect); });
        connect(pixelAspect_, &QLineEdit::textChanged, this, [this] { OnEdit(FExportEdit::PixelAspect); });
        // Only the user's choice fills the fields, not the dialog selecting "Custom".
        connect(presets_, &QComboBox::activated, this, &FExportSettingsBox::OnPreset);
        for (QLineEdit* field : {fps_, times_[0], times_[1], times_[2]})
            connect(field, &QLineEdit::textChanged, this, &FExportSettingsBox::ShowLength);
        ShowLength();
        ShowMusic();

        adjustSize();
        CentreOnScreen(this, owner);
    }

protected:
    void reject() override { done(kDialogCancel); }

private:
    void Open()
    {
        const FExportDialogFields fields = ExportDialogFieldsFrom(settings_);
        ready_ = false;
        SetControlText(width_, fields.width);
        SetControlText(height_, fields.height);
        SetControlText(displayAspect_, fields.displayAspect);
        SetControlText(pixelAspect_, fields.pixelAspect);
        SetFloatField(fps_, settings_.ExportFPS);
        ready_ = true;
        if (fields.exportType == 0)
            uncompressed_->setChecked(true);
        else if (fields.exportType == 1)
            compressed_->setChecked(true);
        else if (fields.exportType == kExportMp4)
            mp4_->setChecked(true);
        SetControlText(times_[0], fields.timePage);
        SetControlText(times_[1], fields.timeZoom);
        SetControlText(times_[2], fields.timeView);
        presets_->setFocus();
        for (const FExportPreset& preset : ExportPresets())
            AddToComboBox(presets_, FString(preset.name));
        SelectInComboBox(presets_, ExportDialogPresetFor(settings_));
    }

    FExportDialogFields ReadFields() const
    {
        FExportDialogFields f;
        f.width = GetControlText(width_);
        f.height = GetControlText(height_);
        f.fps = GetControlText(fps_);
        f.displayAspect = GetControlText(displayAspect_);
        f.pixelAspect = GetControlText(pixelAspect_);
        f.timePage = GetControlText(times_[0]);
        f.timeZoom = GetControlText(times_[1]);
        f.timeView = GetControlText(times_[2]);
        f.exportType = uncompressed_->isChecked() ? 0
                       : compressed_->isChecked() ? 1
                       : mp4_->isChecked()        ? kExportMp4
                                                  : -1;
        return f;
    }

    void OnPreset(int index)
    {
        const auto fill = PresetFill(index, GetControlText(fps_));
        if (!fill)
            return;
        ready_ = false;
        SetControlText(width_, fill->width);
        SetControlText(height_, fill->height);
        SetControlText(displayAspect_, fill->displayAspect);
        SetControlText(pixelAspect_, fill->pixelAspect);
        if (fill->fps)
            SetControlText(fps_, *fill->fps);
        ready_ = true;
    }

    void OnEdit(FExportEdit changed)
    {
        if (!ready_)
            return;
        const FEditReaction reaction = ReactToExportEdit(changed, ReadFields());
        if (reaction.displayAspect) {
            ready_ = false;
            SetControlText(displayAspect_, *reaction.displayAspect);
            ready_ = true;
        }
        if (reaction.height) {
            ready_ = false;
            SetControlText(height_, *reaction.height);
            ready_ = true;
        }
        if (reaction.selectCustom)
            SelectInComboBox(presets_, kCustomPreset);
    }

    void ShowLength() { length_->setText(ToQString(MovieLengthText(ReadFields(), settings_, photoCount_))); }

    void ChooseMusic()
    {
        FMusicBox box(this, music_);
        if (box.exec() != kDialogOk)
            return;
        music_ = box.Files();
        ShowMusic();
    }

    // The summary is one line: a long file name is cut short with an ellipsis.
    void ShowMusic()
    {
        const QString summary = ToQString(MusicSummary(music_));
        musicSummary_->setText(musicSummary_->fontMetrics().elidedText(summary, Qt::ElideMiddle, 220));
        musicSummary_->setToolTip(summary);
    }

    void Accept()
    {
        StoreExportDialogFields(ReadFields(), settings_);
        settings_.ExportMusic = music_;
        done(kDialogOk);
    }

    FSettings& settings_;
    int32_t photoCount_ = 0;
    bool ready_ = false; // off while the dialog writes fields itself
    QComboBox* presets_ = nullptr;
    QLineEdit* width_ = nullptr;
    QLineEdit* height_ = nullptr;
    QLineEdit* fps_ = nullptr;
    QLineEdit* displayAspect_ = nullptr;
    QLineEdit* pixelAspect_ = nullptr;
    QLineEdit* times_[3] = {};
    QRadioButton* uncompressed_ = nullptr;
    QRadioButton* compressed_ = nullptr;
    QRadioButton* mp4_ = nullptr;
    QLabel* length_ = nullptr;
    QLabel* musicSummary_ = nullptr;
    std::vector<FString> music_ = settings_.ExportMusic; // until OK
};

class FEncoderBox : public QDialog
{
public:
    FEncoderBox(QWidget* owner, const std::vector<FEncoderNames>& encoders, const FString& current, int32_t quality)
        : QDialog(owner), entries_(EncoderEntries(encoders, current))
    {
        setObjectName(QStringLiteral("EncoderDialog"));
        // The platform named here is the one that really encodes.
        setWindowTitle(QStringLiteral("Select FFmpeg Encoder Filter"));
        list_ = new QComboBox(this);
        list_->setObjectName(QStringLiteral("combo1045"));
        list_->setMinimumWidth(320);
        for (const FString& entry : entries_.entries)
            AddToComboBox(list_, entry);
        SelectInComboBox(list_, entries_.selected);
        list_->setFocus();

        // Higher is better looking and larger; the uncompressed entry ignores it.
        quality_ = new QSpinBox(this);
        quality_->setObjectName(QStringLiteral("quality"));
        quality_->setRange(kMinExportQuality, kMaxExportQuality);
        quality_->setValue(std::clamp(quality, kMinExportQuality, kMaxExportQuality));
        auto* qualityLabel = new QLabel(QStringLiteral("&Quality (1-100):"), this);
        qualityLabel->setBuddy(quality_);
        auto* qualityRow = new QHBoxLayout;
        qualityRow->addWidget(qualityLabel);
        qualityRow->addWidget(quality_);
        qualityRow->addStretch(1);

        QHBoxLayout* buttons = ClosingOkCancelRow(this);
        QVBoxLayout* column = BoxColumn(this);
        column->addWidget(list_);
        column->addLayout(qualityRow);
        column->addLayout(buttons);
        column->setSizeConstraint(QLayout::SetFixedSize);
        adjustSize();
        CentreOnScreen(this, owner);
    }

    FString Chosen(const FString& current) const { return ChosenEncoder(entries_, ComboBoxSelection(list_), current); }
    int32_t Quality() const { return quality_->value(); }

protected:
    void reject() override { done(kDialogCancel); }

private:
    FEncoderEntries entries_;
    QComboBox* list_ = nullptr;
    QSpinBox* quality_ = nullptr;
};

} // namespace

void SetFloatField(QWidget* field, float value)
{
    if (!field)
        return;
    if (const auto text = FloatFieldText(GetControlText(field), value))
        SetControlText(field, *text);
}

int ExportSettingsDialog(QWidget* owner, FSettings& settings, const FLocale& locale, int32_t photoCount)
{
    FExportSettingsBox box(owner, settings, locale, photoCount);
    return box.exec() == kDialogOk ? kDialogOk : kDialogCancel;
}

bool EncoderDialog(QWidget* owner, const std::vector<FEncoderNames>& encoders, FString& chosenName,
                   int32_t& quality)
{
    FEncoderBox box(owner, encoders, chosenName, quality);
    if (box.exec() != kDialogOk)
        return false;
    chosenName = box.Chosen(chosenName);
    quality = box.Quality();
    return true;
}
