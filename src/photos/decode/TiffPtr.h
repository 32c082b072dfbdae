#pragma once
// libtiff's objects, each released by its own function when it goes out of scope.

#include <tiffio.h>

#include <memory>

struct FTiffDeleter
{
    void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};
struct FTiffOptionsDeleter
{
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

using FTiffPtr = std::unique_ptr<TIFF, FTiffDeleter>;
using FTiffOptionsPtr = std::unique_ptr<TIFFOpenOptions, FTiffOptionsDeleter>;

// An RGBA reader lives on the stack; once begun it holds buffers until ended.
struct FTiffRgbaImage
{
    TIFFRGBAImage image{};
    bool begun = false;
    FTiffRgbaImage() = default;
    ~FTiffRgbaImage()
    {
        if (begun)
            TIFFRGBAImageEnd(&image);
    }
    FTiffRgbaImage(const FTiffRgbaImage&) = delete;
    FTiffRgbaImage& operator=(const FTiffRgbaImage&) = delete;
};
