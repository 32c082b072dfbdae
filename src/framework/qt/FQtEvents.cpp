#include "framework/qt/FQtEvents.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleHints>

namespace {

// The main row's 1 to 4 by the key itself, whatever the layout puts on it and
// whether Shift is held: key codes 10 to 13 in X's evdev and older XFree86 sets
// alike (Wayland's are evdev's too).
FKey DigitRowKey(quint32 scanCode)
{
    switch (scanCode) {
    case 10: return FKey::Digit1;
    case 11: return FKey::Digit2;
    case 12: return FKey::Digit3;
    case 13: return FKey::Digit4;
    default: return FKey::Unknown;
    }
}

} // namespace

FKey KeyFromQt(const QKeyEvent& event)
{
    const bool keypad = event.modifiers() & Qt::KeypadModifier;
    // Without a native code (synthesised events) the produced character has to do.
    const bool physicalDigits = event.nativeScanCode() != 0;
    if (physicalDigits && !keypad) {
        const FKey digit = DigitRowKey(event.nativeScanCode());
        if (digit != FKey::Unknown)
            return digit;
    }
    const auto digit = [&](FKey main, FKey pad) { return keypad ? pad : physicalDigits ? FKey::Unknown : main; };
    switch (event.key()) {
    case Qt::Key_Escape: return FKey::Escape;
    case Qt::Key_Backspace: return FKey::Backspace;
    case Qt::Key_Tab: return FKey::Tab;
    case Qt::Key_Return:
    case Qt::Key_Enter: return FKey::Enter;
    case Qt::Key_Space: return FKey::Space;
    case Qt::Key_PageUp: return FKey::PageUp;
    case Qt::Key_PageDown: return FKey::PageDown;
    case Qt::Key_Left: return FKey::Left;
    case Qt::Key_Up: return FKey::Up;
    case Qt::Key_Right: return FKey::Right;
    case Qt::Key_Down: return FKey::Down;
    case Qt::Key_A: return FKey::A;
    case Qt::Key_B: return FKey::B;
    case Qt::Key_D: return FKey::D;
    case Qt::Key_S: return FKey::S;
    case Qt::Key_W: return FKey::W;
    case Qt::Key_1: return digit(FKey::Digit1, FKey::Unknown);
    case Qt::Key_2: return digit(FKey::Digit2, FKey::Numpad2);
    case Qt::Key_3: return digit(FKey::Digit3, FKey::Unknown);
    case Qt::Key_4: return digit(FKey::Digit4, FKey::Numpad4);
    case Qt::Key_6: return keypad ? FKey::Numpad6 : FKey::Unknown;
    case Qt::Key_8: return keypad ? FKey::Numpad8 : FKey::Unknown;
    case Qt::Key_Plus: return keypad ? FKey::NumpadAdd : FKey::Unknown;
    case Qt::Key_Minus: return keypad ? FKey::NumpadSubtract : FKey::Unknown;
    case Qt::Key_F1: return FKey::F1;
    case Qt::Key_F2: return FKey::F2;
    case Qt::Key_F3: return FKey::F3;
    case Qt::Key_F4: return FKey::F4;
    case Qt::Key_F5: return FKey::F5;
    case Qt::Key_F6: return FKey::F6;
    case Qt::Key_F7: return FKey::F7;
    case Qt::Key_F8: return FKey::F8;
    case Qt::Key_F9: return FKey::F9;
    case Qt::Key_F11: return FKey::F11;
    case Qt::Key_F12: return FKey::F12;
    default: return FKey::Unknown;
    }
}

bool TranslateKey(const QKeyEvent& event, FMessage& message)
{
    uint32_t modifiers = kModifierNone;
    if (event.modifiers() & Qt::ShiftModifier)
        modifiers |= kModifierShift;
    if (event.modifiers() & Qt::ControlModifier)
        modifiers |= kModifierControl;
    if (event.modifiers() & Qt::AltModifier)
        modifiers |= kModifierAlt;
    const std::optional<FMessage> translated = TranslateKeyPress(KeyFromQt(event), modifiers);
    if (!translated)
        return false;
    message = *translated;
    return true;
}

bool FClickSeries::IsSecondPress(const QMouseEvent& event)
{
    const QStyleHints* hints = QGuiApplication::styleHints();
    const QPointF moved = event.globalPosition() - position_;
    // Events made up in code carry no time (0): each is a click of its own.
    const bool second = event.timestamp() != 0 && button_ == static_cast<int>(event.button()) &&
                        event.timestamp() - time_ < static_cast<quint64>(hints->mouseDoubleClickInterval()) &&
                        moved.manhattanLength() <= hints->mouseDoubleClickDistance();
    button_ = second ? 0 : static_cast<int>(event.button());
    time_ = event.timestamp();
    position_ = event.globalPosition();
    return second;
}

bool TranslateMouse(const QMouseEvent& event, double pixelRatio, FClickSeries& clicks, FMessage& message)
{
    const int x = static_cast<int>(event.position().x() * pixelRatio);
    const int y = static_cast<int>(event.position().y() * pixelRatio);
    const bool second = clicks.IsSecondPress(event);
    if (event.button() == Qt::LeftButton)
        message = second ? FMessage::LeftButtonDoubleClick(x, y) : FMessage::LeftButtonDown(x, y);
    else if (event.button() == Qt::RightButton)
        message = FMessage::RightButtonDown(x, y);
    else
        return false;
    return true;
}
