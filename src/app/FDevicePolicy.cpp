#include "app/FDevicePolicy.h"

#include "base/FFile.h"

bool IsDeviceAcceptable(const FDeviceCaps& caps, bool windowed)
{
    if (!caps.blendingRenderTarget)
        return false;
    for (FDepthStencil format :
         {FDepthStencil::D24S8, FDepthStencil::D24X4S4, FDepthStencil::D15S1, FDepthStencil::D24FS8})
        if (caps.IsUsable(format))
            return true;
    return false;
}

bool ModifyDeviceSettings(FDeviceSettings& settings, int clientWidth, int clientHeight)
{
    // Creation prefers the float-depth format over the 15-bit one, although the
    // acceptance test looks at them the other way round.
    for (FDepthStencil format :
         {FDepthStencil::D24S8, FDepthStencil::D24X4S4, FDepthStencil::D24FS8, FDepthStencil::D15S1}) {
        if (settings.caps.IsUsable(format)) {
            settings.depthStencil = format;
            break;
        }
    }
    if (settings.windowed) {
        settings.backBufferWidth = clientWidth;
        settings.backBufferHeight = clientHeight;
    }
    settings.backBufferCount = 1;
    DebugOutput(FString(u"New Backbuffer: ")
                    .Concat(FString::FromInt(settings.backBufferWidth))
                    .Concat(FString(u" x "))
                    .Concat(FString::FromInt(settings.backBufferHeight))
                    .Concat(FString(u" pixels\n")));
    return true;
}
