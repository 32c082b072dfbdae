#include "ui/qt/FSpeedDialog.h"
#include "ui/qt/DialogControls.h"
#include "ui/qt/QtText.h"

#include "ui/DialogRules.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <algorithm>

namespace {

class FSpeedBox final : public QDialog
{
public:
    FSpeedBox(QWidget* owner, FSettings& settings, const FLocale& locale) : QDialog(owner), settings_(settings)
    {
        setObjectName(QStringLiteral("SpeedDialog"));
        setWindowTitle(ToQString(locale.GetText(96)));
        auto* grid = new QGridLayout;
        grid->setHorizontalSpacing(14);
        grid->setVerticalSpacing(8);
        const FSpeedFields fields = SpeedFieldsFromSettings(settings);
        const FString* values[] = {&fields.page, &fields.zoom, &fields.view};
        // Like the number edits they replace: digits only as typed.
        auto* digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
        for (int row = 0; row < 3; ++row) {
            auto* label = new QLabel(ToQString(locale.GetText(91 + row)), this);
            label->setObjectName(QStringLiteral("static%1").arg(1063 + row));
            edits_[row] = new QLineEdit(ToQString(*values[row]), this);
            edits_[row]->setObjectName(QStringLiteral("edit%1").arg(1060 + row));
            edits_[row]->setValidator(digits);
            edits_[row]->setAlignment(Qt::AlignRight);
            edits_[row]->setFixedWidth(64);
            label->setBuddy(edits_[row]);
            grid->addWidget(label, row, 0);
            grid->addWidget(edits_[row], row, 1);
        }
        auto* ok = new QPushButton(ToQString(locale.GetText(63)), this);
        ok->setObjectName(QStringLiteral("button1"));
        ok->setDefault(true);
        auto* cancel = new QPushButton(ToQString(locale.GetText(65)), this);
        cancel->setObjectName(QStringLiteral("button2"));
        for (QPushButton* b : {ok, cancel})
            b->setMinimumWidth(std::max(b->sizeHint().width(), 84));
        connect(ok, &QPushButton::clicked, this, &FSpeedBox::Accept);
        connect(cancel, &QPushButton::clicked, this, [this] { done(kDialogCancel); });

        auto* buttons = new QHBoxLayout;
        buttons->addStretch(1);
        buttons->addWidget(ok);
        buttons->addWidget(cancel);
        auto* column = new QVBoxLayout(this);
        column->setContentsMargins(16, 16, 16, 12);
        column->setSpacing(16);
        column->addLayout(grid);
        column->addLayout(buttons);
        column->setSizeConstraint(QLayout::SetFixedSize);
        edits_[0]->setFocus();
        edits_[0]->selectAll();
        adjustSize();
        CentreOnScreen(this, owner);
    }

protected:
    // Escape and the window's close button cancel.
    void reject() override { done(kDialogCancel); }

private:
    void Accept()
    {
        StoreSpeedFields({GetControlText(edits_[0]), GetControlText(edits_[1]), GetControlText(edits_[2])}, settings_);
        done(kDialogOk);
    }

    FSettings& settings_;
    QLineEdit* edits_[3] = {};
};

} // namespace

int SpeedDialog(QWidget* owner, FSettings& settings, const FLocale& locale)
{
    FSpeedBox box(owner, settings, locale);
    return box.exec() == kDialogOk ? kDialogOk : kDialogCancel;
}
