#pragma once
// A smooth RGBA8 resize shared by the decoders: a separable tent ("triangle")
// filter whose width follows the scale, so shrinking averages every source pixel
// instead of sampling a few, and enlarging interpolates.

#include <cstddef>
#include <cstdint>
#include <vector>

// Keeps the filter weights and the intermediate rows between calls.
class FImageResizer
{
public:
    // srcStride in bytes; dst holds dstWidth * dstHeight * 4 bytes, rows packed.
    void Resize(const uint8_t* src, int srcWidth, int srcHeight, size_t srcStride, uint8_t* dst, int dstWidth,
                int dstHeight);

private:
    struct Taps
    {
        std::vector<int> first; // first source index per output index
        std::vector<int> count;
        std::vector<int> offset; // into weights
        std::vector<float> weights;
    };
    static void BuildTaps(int srcSize, int dstSize, Taps& taps);

    Taps across_;
    Taps down_;
    std::vector<float> rows_; // horizontally filtered rows: dstWidth * srcHeight * 4
};

// The largest size of aspect width:height that fits maxSize on both sides; at
// least 1 x 1.
void FitWithin(int width, int height, int maxSize, int& fitWidth, int& fitHeight);
