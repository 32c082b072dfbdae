#pragma once
// A texture living on the graphics device; the backend owns the real object.

class FGpuTexture
{
public:
    virtual ~FGpuTexture() = default;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
};
