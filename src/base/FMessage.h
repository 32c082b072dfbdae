#pragma once
// The window messages the application's message routine understands. The Qt host
// translates its events into these, so MsgProc and its tests never see a Qt type.

#include <cstdint>
#include <optional>

enum class FMessageKind
{
    Paint,
    LeftButtonDown,        // x, y: client coordinates
    RightButtonDown,       // x, y: client coordinates
    LeftButtonDoubleClick, // x, y: the second press of a double-click, in place of its button down
    KeyDown,               // key
    Command,               // command: a menu, popup menu or accelerator id
    Close,
};

// Every key the message routine acts on; all others arrive as Unknown (a key down
// still reaches MsgProc, which lets the framework go on with it).
// Digits are the main row only; the numeric pad's digits count as Numpad* only while
// Num Lock is on (off, they are the arrows and Page keys, as the pad prints them).
// The numeric pad's Enter is Enter; the main row's + and - are Unknown.
enum class FKey
{
    Unknown,
    Escape,
    Backspace,
    Tab,
    Enter,
    Space,
    PageUp,
    PageDown,
    Left,
    Up,
    Right,
    Down,
    A,
    B,
    D,
    S,
    W,
    Digit1,
    Digit2,
    Digit3,
    Digit4,
    Numpad2,
    Numpad4,
    Numpad6,
    Numpad8,
    NumpadAdd,
    NumpadSubtract,
    F1,
    F2,
    F3,
    F4,
    F5,
    F6,
    F7,
    F8,
    F9,
    F11,
    F12,
};

// Modifier keys held with a key press, as bit flags.
enum FKeyModifier : uint32_t
{
    kModifierNone = 0,
    kModifierShift = 1,
    kModifierControl = 2,
    kModifierAlt = 4,
};

struct FMessage
{
    FMessageKind kind = FMessageKind::Paint;
    int x = 0;
    int y = 0;
    FKey key = FKey::Unknown;
    int command = 0;

    static FMessage Paint() { return {FMessageKind::Paint}; }
    static FMessage LeftButtonDown(int x, int y) { return {FMessageKind::LeftButtonDown, x, y}; }
    static FMessage RightButtonDown(int x, int y) { return {FMessageKind::RightButtonDown, x, y}; }
    static FMessage LeftButtonDoubleClick(int x, int y) { return {FMessageKind::LeftButtonDoubleClick, x, y}; }
    static FMessage KeyDown(FKey key) { return {FMessageKind::KeyDown, 0, 0, key}; }
    static FMessage Command(int command) { return {FMessageKind::Command, 0, 0, FKey::Unknown, command}; }
    static FMessage Close() { return {FMessageKind::Close}; }
};

// What a key press (auto-repeats included: holding W keeps the camera moving) becomes.
// Alt+Enter is the accelerator for full screen and arrives as its command, never as
// Enter (which would turn a page too). Any other key with Alt held is a menu key of
// the window system, not a key down. Shift and Control do not change a key.
std::optional<FMessage> TranslateKeyPress(FKey key, uint32_t modifiers);
