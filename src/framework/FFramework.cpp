#include "framework/FFramework.h"

#include <algorithm>

FDepthStencilBits BitsOf(FDepthStencil format)
{
    switch (format) {
    case FDepthStencil::D24S8: return {24, 8};
    case FDepthStencil::D24X4S4: return {24, 4};
    case FDepthStencil::D15S1: return {15, 1};
    case FDepthStencil::D24FS8: return {24, 8};
    }
    return {};
}

bool FDeviceCaps::IsUsable(FDepthStencil format) const
{
    return std::find(usableDepthStencil.begin(), usableDepthStencil.end(), format) != usableDepthStencil.end();
}

FString FrameworkErrorText(FFrameworkError error)
{
    switch (error) {
    case FFrameworkError::NoGraphics:
        return FString("Could not initialize OpenGL 3.3. Check that the latest version of your graphics "
                       "drivers (Mesa or the vendor's) is correctly installed on your system.");
    case FFrameworkError::NoCompatibleDevice:
        return FString("Could not find any compatible OpenGL devices.\n\nYour graphics card is not "
                       "powerful enough to run this application.");
    case FFrameworkError::MediaNotFound: return FString("Could not find required media.");
    case FFrameworkError::NonZeroRefCount:
        return FString("The OpenGL device has a non-zero reference count, meaning some objects were "
                       "not released.");
    case FFrameworkError::CreatingDevice: return FString("Failed creating the OpenGL device.");
    case FFrameworkError::ResettingDevice: return FString("Failed resetting the OpenGL device.");
    case FFrameworkError::CreateCallback: return FString("An error occurred in the device create callback function.");
    case FFrameworkError::ResetCallback: return FString("An error occurred in the device reset callback function.");
    case FFrameworkError::DeviceRemoved: return FString("The OpenGL device was removed.");
    default: return FString();
    }
}

FString FrameworkErrorCaption(const FString& windowTitle)
{
    return windowTitle.IsEmpty() ? FString("Application") : windowTitle;
}

void FExitCode::Set(FFrameworkError error)
{
    if (code_ == FFrameworkError::None || code_ == FFrameworkError::SoftwareRasterizer)
        code_ = error;
}

void FExitCode::MainLoopRefused()
{
    Set(FFrameworkError::Generic);
}

void FPauseCounters::Pause(bool pauseTime, bool pauseRendering)
{
    time_ = pauseTime ? time_ + 1 : std::max(0, time_ - 1);
    rendering_ = pauseRendering ? rendering_ + 1 : std::max(0, rendering_ - 1);
}
