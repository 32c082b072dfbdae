#pragma once
// JPEG through TurboJPEG, decoding straight at a reduced DCT scale when the
// caller needs no more than that: shrinking in the transform saves most of the
// colour conversion and all of the full-size buffer.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class FJpegDecoder
{
public:
    FJpegDecoder();
    ~FJpegDecoder();
    FJpegDecoder(const FJpegDecoder&) = delete;
    FJpegDecoder& operator=(const FJpegDecoder&) = delete;

    // The declared size, without decoding; false with *reason for a broken header.
    bool ReadSize(const uint8_t* data, size_t size, int& width, int& height, std::string* reason);

    // Decodes to RGBA8, top row first, at the smallest of the scales 1/8, 1/4, 1/2
    // whose result is still at least minWidth x minHeight, else at full size.
    // pixels is resized to width * height * 4 and keeps its capacity for the next call.
    // No size limit here: callers check ReadSize first. A failure leaves nothing
    // behind: the next file decodes as it would with a new decoder.
    bool Decode(const uint8_t* data, size_t size, int minWidth, int minHeight, std::vector<uint8_t>& pixels, int& width,
                int& height, std::string* reason);

private:
    bool ReadHeader(const uint8_t* data, size_t size, int& width, int& height, int& colourspace, std::string* reason);
    // The handle's error message; the handle is then replaced.
    std::string TakeErrorAndRestart();

    void* handle_ = nullptr;
};
