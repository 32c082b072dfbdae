#include "photos/decode/FJpegDecoder.h"

#include <turbojpeg.h>

namespace {

bool EndsWithEoi(const uint8_t* data, size_t size)
{
    // Entropy-coded data never holds FF D9 (an FF there is stuffed), so an EOI
    // near the end means the scan arrived whole; a little trailing junk is common.
    const size_t window = size < 1024 ? size : 1024;
    for (size_t i = size - window; i + 1 < size; ++i) {
        if (data[i] == 0xFF && data[i + 1] == 0xD9)
            return true;
    }
    return false;
}

} // namespace

FJpegDecoder::FJpegDecoder() : handle_(tjInitDecompress()) {}

FJpegDecoder::~FJpegDecoder()
{
    if (handle_)
        tjDestroy(static_cast<tjhandle>(handle_));
}

std::string FJpegDecoder::TakeErrorAndRestart()
{
    std::string message = std::string("corrupt JPEG data: ") + tjGetErrorStr2(static_cast<tjhandle>(handle_));
    // libjpeg stops at an error wherever it was, half through a marker or a table,
    // and the handle would read the next file from there ("two SOI markers"). A
    // new handle costs a few microseconds and is needed only after a failure.
    tjDestroy(static_cast<tjhandle>(handle_));
    handle_ = tjInitDecompress();
    return message;
}

bool FJpegDecoder::ReadSize(const uint8_t* data, size_t size, int& width, int& height, std::string* reason)
{
    int colourspace = 0;
    return ReadHeader(data, size, width, height, colourspace, reason);
}

bool FJpegDecoder::ReadHeader(const uint8_t* data, size_t size, int& width, int& height, int& colourspace,
                              std::string* reason)
{
    width = height = colourspace = 0;
    if (!handle_)
        handle_ = tjInitDecompress();
    if (!handle_) {
        if (reason)
            *reason = "cannot start the JPEG decoder";
        return false;
    }
    int subsampling = 0;
    const int result = tjDecompressHeader3(static_cast<tjhandle>(handle_), data, static_cast<unsigned long>(size),
                                           &width, &height, &subsampling, &colourspace);
    if (result == 0 && width > 0 && height > 0)
        return true;
    if (result == 0) {
        // A segment length running past the end swallows the frame header: libjpeg
        // then sees tables only and reports success without an image.
        TakeErrorAndRestart();
        if (reason)
            *reason = "corrupt JPEG data: no image in the file";
        width = height = 0;
        return false;
    }
    const bool usable = tjGetErrorCode(static_cast<tjhandle>(handle_)) == TJERR_WARNING && width > 0 && height > 0;
    const std::string message = TakeErrorAndRestart(); // a warning too may leave it mid-file
    if (!usable && reason)
        *reason = message;
    return usable;
}

bool FJpegDecoder::Decode(const uint8_t* data, size_t size, int minWidth, int minHeight, std::vector<uint8_t>& pixels,
                          int& width, int& height, std::string* reason)
{
    int fullWidth = 0, fullHeight = 0, colourspace = 0;
    if (!ReadHeader(data, size, fullWidth, fullHeight, colourspace, reason)) {
        pixels.clear();
        width = height = 0;
        return false;
    }
    // TurboJPEG will not turn CMYK into RGB; print-ready photos are CMYK.
    const bool cmyk = colourspace == TJCS_CMYK || colourspace == TJCS_YCCK;
    static const tjscalingfactor kScales[] = {{1, 8}, {1, 4}, {1, 2}, {1, 1}};
    width = fullWidth;
    height = fullHeight;
    for (const tjscalingfactor& scale : kScales) {
        const int w = TJSCALED(fullWidth, scale), h = TJSCALED(fullHeight, scale);
        if (w >= minWidth && h >= minHeight) {
            width = w;
            height = h;
            break;
        }
    }
    pixels.resize(static_cast<size_t>(width) * height * 4);
    tjhandle handle = static_cast<tjhandle>(handle_);
    if (tjDecompress2(handle, data, static_cast<unsigned long>(size), pixels.data(), width, 0, height,
                      cmyk ? TJPF_CMYK : TJPF_RGBA, 0) != 0) {
        // Warnings cover damage libjpeg papers over; a whole file with a damaged
        // stretch is still worth showing, a cut-off one is refused.
        const bool usable = tjGetErrorCode(handle) == TJERR_WARNING && EndsWithEoi(data, size);
        const std::string message = TakeErrorAndRestart();
        if (!usable) {
            if (reason)
                *reason = message;
            pixels.clear();
            width = height = 0;
            return false;
        }
    }
    if (cmyk) {
        // Adobe's applications, which write nearly all CMYK JPEGs, store the inks
        // inverted: 255 is no ink.
        for (size_t i = 0; i < pixels.size(); i += 4) {
            uint8_t* p = &pixels[i];
            const int k = p[3];
            p[0] = static_cast<uint8_t>((p[0] * k + 127) / 255);
            p[1] = static_cast<uint8_t>((p[1] * k + 127) / 255);
            p[2] = static_cast<uint8_t>((p[2] * k + 127) / 255);
            p[3] = 255;
        }
    }
    return true;
}
