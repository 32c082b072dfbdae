// Fuzz entry point for the metadata read by hand: the same bytes as a JPEG, a PNG
// and a bare TIFF block give an orientation within 1..8, and a small image turned
// by the answer must keep every pixel; any container's EXIF block, date taken and
// JPEG colour profile are read within the bytes.

#include "photos/decode/ExifOrientation.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FDateTaken taken;
    if (PhotoDateTaken(MemoryReader(data, size), taken) &&
        (taken.month < 1 || taken.month > 12 || taken.millisecond < 0 || taken.millisecond > 999))
        std::abort();
    if (JpegIccProfile(data, size).size() > size)
        std::abort();
    const int found[] = {JpegExifOrientation(data, size), PngExifOrientation(data, size),
                         ExifOrientationFromTiff(data, size)};
    static std::vector<uint8_t> pixels, turned, back;
    for (const int orientation : found) {
        if (orientation < 1 || orientation > 8)
            std::abort();
        // A width x height image of distinct pixels; the first byte picks the size.
        const int w0 = size ? 1 + data[0] % 13 : 3, h0 = size > 1 ? 1 + data[1] % 11 : 5;
        pixels.resize(size_t(w0) * h0 * 4);
        for (size_t i = 0; i < pixels.size(); i += 4)
            pixels[i] = uint8_t(i / 4), pixels[i + 1] = uint8_t(i / 1024), pixels[i + 2] = 7, pixels[i + 3] = 255;
        int w = w0, h = h0;
        OrientPixels(pixels.data(), w, h, orientation, turned);
        if (OrientationSwapsSides(orientation) ? (w != h0 || h != w0) : (w != w0 || h != h0))
            std::abort();
        // Every value but the quarter turns is its own inverse; 6 and 8 undo each other.
        const int inverse = orientation == 6 ? 8 : orientation == 8 ? 6 : orientation;
        OrientPixels(turned.data(), w, h, inverse, back);
        if (w != w0 || h != h0 || back != pixels)
            std::abort();
    }
    return 0;
}
