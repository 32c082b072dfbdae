#include "ui/qt/DialogControls.h"
#include "ui/qt/QtText.h"

#include "ui/DialogRules.h"

#include <QAbstractButton>
#include <QColor>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QScreen>

namespace {


FString FromQString(const QString& text)
{
    return FString(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size())));
}

} // namespace

void SetControlText(QWidget* control, const FString& text)
{
    if (!control)
        return;
    const QString wanted = ToQString(text);
    auto update = [&](const QString& current, auto apply) {
        if (TextDiffers(FromQString(current), text))
            apply(wanted);
    };
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        update(edit->text(), [edit](const QString& t) { edit->setText(t); });
    else if (auto* label = qobject_cast<QLabel*>(control))
        update(label->text(), [label](const QString& t) { label->setText(t); });
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        update(button->text(), [button](const QString& t) { button->setText(t); });
    else if (auto* group = qobject_cast<QGroupBox*>(control))
        update(group->title(), [group](const QString& t) { group->setTitle(t); });
    else
        update(control->windowTitle(), [control](const QString& t) { control->setWindowTitle(t); });
}

void SetControlNumber(QWidget* control, int32_t value)
{
    SetControlText(control, FString::FromInt(value));
}

FString GetControlText(const QWidget* control)
{
    if (!control)
        return FString();
    if (auto* edit = qobject_cast<const QLineEdit*>(control))
        return FromQString(edit->text());
    if (auto* label = qobject_cast<const QLabel*>(control))
        return FromQString(label->text());
    if (auto* button = qobject_cast<const QAbstractButton*>(control))
        return FromQString(button->text());
    if (auto* box = qobject_cast<const QComboBox*>(control))
        return FromQString(box->currentText());
    if (auto* group = qobject_cast<const QGroupBox*>(control))
        return FromQString(group->title());
    return FromQString(control->windowTitle());
}

int32_t GetControlNumber(const QWidget* control)
{
    return ReadNumberField(GetControlText(control));
}

float GetControlFloat(const QWidget* control)
{
    return ReadFloatField(GetControlText(control));
}

void SelectInComboBox(QComboBox* box, int index)
{
    if (box && box->currentIndex() != index)
        box->setCurrentIndex(index);
}

int ComboBoxSelection(const QComboBox* box)
{
    return box ? box->currentIndex() : -1;
}

void AddToComboBox(QComboBox* box, const FString& text)
{
    if (box && !text.IsEmpty())
        box->addItem(ToQString(text));
}

void SetCheckBox(QWidget* box, bool checked)
{
    if (auto* button = qobject_cast<QAbstractButton*>(box))
        button->setChecked(checked);
}

bool GetCheckBox(const QWidget* box)
{
    auto* button = qobject_cast<const QAbstractButton*>(box);
    return button && button->isChecked();
}

void ShowErrorBox(const FString& text, const FString& caption)
{
    QMessageBox box(QMessageBox::Critical, ToQString(caption), ToQString(text), QMessageBox::Ok);
    box.exec();
}

void CentreOnScreen(QWidget* dialog, QWidget* owner)
{
    QScreen* screen = owner ? owner->screen() : dialog->screen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    dialog->move(area.center() - QPoint(dialog->width() / 2, dialog->height() / 2));
}

QColor RgbColour(uint32_t rgb)
{
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}
