#pragma once
// Turns each supersampled export frame into one movie frame of the output size. Every
// output pixel is the integer mean of a factorX x factorY block of source pixels, which
// is the export's antialiasing; the result is kept as a bottom-up 24-bit bitmap (rows
// padded to 4 bytes), which the movie writer stores or converts.

#include <cstdint>
#include <vector>

// A CPU frame: rows top to bottom, 4 bytes per pixel in the order B, G, R, X.
struct FFrameView
{
    const uint8_t* bits = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t pitch = 0; // bytes from one row to the next
};

class FFrameGrabber
{
public:
    // The source's size fixes the factors and ratios; ProcessFrame() reads the frame
    // through the view. Invalid when the output or the source is below 1 pixel.
    FFrameGrabber(const FFrameView& source, int32_t width, int32_t height);

    bool IsValid() const { return valid_; }

    // Converts the frame now in the source. False only for an output below 1 pixel;
    // a frame that cannot be read (no bits, a pitch too small, a different size) is
    // skipped, the bitmap keeps the previous frame and the result is still true.
    bool ProcessFrame();
    // The same for a frame whose buffer has moved since construction.
    bool ProcessFrame(const FFrameView& frame);

    // Copies scan line r (0 = bottom row of the picture) into dest: Stride() bytes,
    // the padding after the pixels zero. False for no dest, r outside [0, Height())
    // or an invalid grabber.
    bool ReadRow(int32_t r, uint8_t* dest) const;
    // The whole bitmap: Height() rows of Stride() bytes, bottom row first; null when invalid.
    const uint8_t* Bits() const { return valid_ ? bitmap_.data() : nullptr; }

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t Stride() const { return stride_; }
    int32_t FactorX() const { return factorX_; }
    int32_t FactorY() const { return factorY_; }
    float RatioX() const { return ratioX_; }
    float RatioY() const { return ratioY_; }
    int32_t FrameCount() const { return frameCount_; }
    // Source pixels averaged into one output pixel; the report appends " samples per pixel".
    int32_t SampleCount() const { return factorX_ * factorY_; }
    const char* FormatName() const { return "RGB"; }

    // Bytes per bottom-up 24-bit row: whole pixels rounded up to a multiple of 4.
    static int32_t RowStride(int32_t width, int32_t bitsPerPixel = 24) { return ((bitsPerPixel * width) / 8 + 3) & ~3; }

private:
    bool Convert(const FFrameView& frame);

    bool valid_ = false;
    FFrameView source_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t stride_ = 0;
    int32_t factorX_ = 0;
    int32_t factorY_ = 0;
    float ratioX_ = 0;
    float ratioY_ = 0;
    int32_t frameCount_ = 0;
    std::vector<uint8_t> bitmap_;
    // Worked out once: each output column's first source byte and each row's first source row.
    std::vector<uint32_t> columnOffsets_;
    std::vector<int32_t> rowStarts_;
    std::vector<uint64_t> lanes_; // two words of 16-bit partial sums per output pixel
    std::vector<uint32_t> sums_;  // B, G, R per output pixel of the row being built
};
