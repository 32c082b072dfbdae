#include "ui/qt/FExportProgressWindow.h"
#include "ui/qt/QtText.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// Often enough that the times tick by the second, seldom enough to cost nothing.
constexpr uint32_t kRefreshMs = 250;

QLabel* AddLabel(QVBoxLayout* column, const char* name, QWidget* parent)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    column->addWidget(label);
    return label;
}

} // namespace

FExportProgressWindow::FExportProgressWindow(QWidget* owner, const QString& cancelText) : QDialog(owner)
{
    setObjectName(QStringLiteral("ExportProgress"));
    setWindowTitle(QStringLiteral("Exporting Movie"));
    setModal(false);
    auto* column = new QVBoxLayout(this);
    bar_ = new QProgressBar(this);
    bar_->setObjectName(QStringLiteral("progress"));
    bar_->setRange(0, 100);
    bar_->setFormat(QStringLiteral("%p%"));
    column->addWidget(bar_);
    frames_ = AddLabel(column, "frames", this);
    times_ = AddLabel(column, "times", this);
    movie_ = AddLabel(column, "movie", this);
    size_ = AddLabel(column, "size", this);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* cancel = buttons->addButton(cancelText, QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(buttons, &QDialogButtonBox::rejected, this, &FExportProgressWindow::reject);
    column->addWidget(buttons);
    setMinimumWidth(360);
}

void FExportProgressWindow::Show(const FExportProgress& p)
{
    const bool last = p.frame >= p.total;
    if (shown_ && !last && p.elapsedMs - shownAt_ < kRefreshMs)
        return;
    shownAt_ = p.elapsedMs;
    bar_->setValue(p.Percent());
    frames_->setText(QStringLiteral("Frame %1 of %2").arg(p.frame).arg(p.total));
    times_->setText(
        QStringLiteral("Elapsed %1, remaining %2")
            .arg(ToQString(FormatClock(p.elapsedMs / 1000.0)),
                 p.Estimating() ? QStringLiteral("estimating...") : ToQString(FormatClock(p.remainingMs / 1000.0))));
    movie_->setText(
        QStringLiteral("Movie %1 of %2")
            .arg(ToQString(FormatClock(p.MovieSecondsDone())), ToQString(FormatClock(p.MovieSecondsTotal()))));
    size_->setText(QStringLiteral("File size %1").arg(ToQString(FString::FormatFileSize(p.bytes))));
    if (shown_)
        return;
    shown_ = true;
    adjustSize();
    // Low over the owner, where it hides least of the book; a Wayland compositor
    // places it as it likes.
    if (QWidget* owner = parentWidget()) {
        const QRect frame = owner->frameGeometry();
        move(frame.center().x() - width() / 2, frame.bottom() - height() - 48);
    }
    show();
}
