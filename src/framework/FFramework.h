#pragma once
// What the application needs of its host: the callbacks the host drives it
// through, the device settings it may adjust, the pause counters and the
// error codes with their texts. Plain logic; the Qt host implements it.

#include "base/FMessage.h"
#include "base/FString.h"

#include <cstdint>
#include <functional>
#include <vector>

// Depth/stencil formats of the drawable, named after the bit pairs they stand for.
enum class FDepthStencil
{
    D24S8,   // 24-bit depth, 8-bit stencil
    D24X4S4, // 24-bit depth, 4-bit stencil
    D15S1,   // 15-bit depth, 1-bit stencil
    D24FS8,  // 24-bit floating-point depth, 8-bit stencil
};

struct FDepthStencilBits
{
    int depth = 0;
    int stencil = 0;
};
FDepthStencilBits BitsOf(FDepthStencil format);

// What a candidate drawable offers the application's acceptance test.
struct FDeviceCaps
{
    bool blendingRenderTarget = true; // blending into the back buffer and into render textures
    std::vector<FDepthStencil> usableDepthStencil;
    bool IsUsable(FDepthStencil format) const;
};

struct FDeviceSettings
{
    bool windowed = true;
    int backBufferWidth = 640;
    int backBufferHeight = 480;
    int backBufferCount = 1;
    FDepthStencil depthStencil = FDepthStencil::D24S8;
    FDeviceCaps caps;
};

struct FBackBufferDesc
{
    int width = 0;
    int height = 0;
};

// Result codes: negative is failure.
using FResult = long;
inline constexpr FResult kOk = 0;
inline constexpr FResult kFail = -1;
inline constexpr FResult kMediaNotFound = -2;

struct FFrameworkCallbacks
{
    std::function<bool(const FDeviceCaps&, bool windowed)> isDeviceAcceptable;
    std::function<bool(FDeviceSettings&)> modifyDeviceSettings;
    std::function<FResult(const FBackBufferDesc&)> onDeviceCreated;
    std::function<FResult(const FBackBufferDesc&)> onDeviceReset;
    std::function<void()> onDeviceLost;
    std::function<void()> onDeviceDestroyed;
    // Returns true when the host must not handle the message any further.
    std::function<bool(const FMessage&)> onMsgProc;
    std::function<void(double time, float elapsed)> onFrameRender;
    std::function<void(double time, float elapsed)> onFrameMove;
    // Whether the picture goes on changing by itself (a turn, a camera move, an
    // effect that follows the clock, photos arriving). Without it, and without
    // input, a resize or an expose, the host draws nothing.
    std::function<bool()> wantsFrames;
    // A photo or folder dropped on the window.
    std::function<void(const FString& path)> onOpenPath;
};

// Process exit codes of the host and the boxes that report them.
enum class FFrameworkError
{
    None = 0,
    Generic = 1,
    NoGraphics = 2,
    NoCompatibleDevice = 3,
    MediaNotFound = 4,
    NonZeroRefCount = 5,
    CreatingDevice = 6,
    ResettingDevice = 7,
    CreateCallback = 8,
    ResetCallback = 9,
    SoftwareRasterizer = 10,
    DeviceRemoved = 11,
};
// The box text for an error; empty for errors that show none.
FString FrameworkErrorText(FFrameworkError error);
// The box caption: the window title, or "Application" when it is empty.
FString FrameworkErrorCaption(const FString& windowTitle);
// The first error sets the exit code; later ones do not overwrite it.
class FExitCode
{
public:
    void Set(FFrameworkError error);
    // The main loop could not start: 1, unless a real error was set before.
    void MainLoopRefused();
    int Value() const { return static_cast<int>(code_); }
    FFrameworkError Code() const { return code_; }

private:
    FFrameworkError code_ = FFrameworkError::None;
};

// Two nesting counters: time and rendering. Every pause is paired with an unpause.
class FPauseCounters
{
public:
    void Pause(bool pauseTime, bool pauseRendering);
    bool TimePaused() const { return time_ > 0; }
    bool RenderingPaused() const { return rendering_ > 0; }

private:
    int time_ = 0;
    int rendering_ = 0;
};

// While nothing may be drawn (a menu is open, the window is minimised) the book
// still moves on, in steps this far apart.
inline constexpr int kIdleSleepMs = 50;

inline constexpr int kMinimumWindowSize = 200;
