#include "export/FFrameGrabber.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

FFrameGrabber::FFrameGrabber(const FFrameView& source, int32_t width, int32_t height)
{
    if (width < 1 || height < 1)
        return;
    width_ = width;
    height_ = height;
    if (source.width < 1 || source.height < 1)
        return;
    source_ = source;
    factorX_ = source.width / width;
    factorY_ = source.height / height;
    ratioX_ = static_cast<float>(static_cast<double>(source.width) / width);
    ratioY_ = static_cast<float>(static_cast<double>(source.height) / height);
    // A source smaller than the output still gives every pixel one sample.
    factorX_ = std::max(factorX_, 1);
    factorY_ = std::max(factorY_, 1);
    if (factorX_ > source.width || factorY_ > source.height)
        return;

    stride_ = RowStride(width);
    bitmap_.assign(static_cast<size_t>(stride_) * static_cast<size_t>(height), 0);
    sums_.assign(static_cast<size_t>(width) * 3, 0);
    lanes_.assign(static_cast<size_t>(width) * 2, 0);
    // Positions truncate x * ratio (a float product, as the ratios are stored) while the
    // block is the integer factor, so widened targets sample with gaps or overlaps. The
    // clamp only guards the last block against float rounding past the edge.
    columnOffsets_.resize(static_cast<size_t>(width));
    for (int32_t x = 0; x < width; ++x) {
        const int32_t sx = std::min(static_cast<int32_t>(static_cast<float>(x) * ratioX_), source.width - factorX_);
        columnOffsets_[static_cast<size_t>(x)] = static_cast<uint32_t>(sx) * 4;
    }
    rowStarts_.resize(static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y)
        rowStarts_[static_cast<size_t>(y)] =
            std::min(static_cast<int32_t>(static_cast<float>(y) * ratioY_), source.height - factorY_);
    valid_ = true;
}

bool FFrameGrabber::ProcessFrame()
{
    return ProcessFrame(source_);
}

bool FFrameGrabber::ProcessFrame(const FFrameView& frame)
{
    if (width_ < 1 || height_ < 1)
        return false;
    ++frameCount_;
    Convert(frame);
    return true;
}

namespace {
constexpr uint64_t kEvenBytes = 0x00FF00FF00FF00FFull;

inline uint64_t Load64(const uint8_t* p)
{
    uint64_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline uint64_t Load32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Adds one source row's part of every block, two pixels per 64-bit word: the even bytes
// (B, R of both pixels) and the odd bytes (G, X) land in 16-bit lanes of two
// accumulators per output pixel.
template <int FactorX>
void AddRowPairs(const uint8_t* row, const uint32_t* offsets, int32_t width, int32_t factorX, uint64_t* lanes)
{
    const int32_t fx = FactorX > 0 ? FactorX : factorX;
    for (int32_t x = 0; x < width; ++x, lanes += 2) {
        const uint8_t* p = row + offsets[x];
        uint64_t even = 0, odd = 0;
        int32_t i = 0;
        for (; i + 2 <= fx; i += 2, p += 8) {
            const uint64_t v = Load64(p);
            even += v & kEvenBytes;
            odd += (v >> 8) & kEvenBytes;
        }
        if (i < fx) {
            const uint64_t v = Load32(p);
            even += v & kEvenBytes;
            odd += (v >> 8) & kEvenBytes;
        }
        lanes[0] += even;
        lanes[1] += odd;
    }
}

template <int FactorX>
void AddRowScalar(const uint8_t* row, const uint32_t* offsets, int32_t width, int32_t factorX, uint32_t* sums)
{
    const int32_t fx = FactorX > 0 ? FactorX : factorX;
    for (int32_t x = 0; x < width; ++x, sums += 3) {
        const uint8_t* p = row + offsets[x];
        uint32_t b = 0, g = 0, r = 0;
        for (int32_t i = 0; i < fx; ++i, p += 4) {
            b += p[0];
            g += p[1];
            r += p[2];
        }
        sums[0] += b;
        sums[1] += g;
        sums[2] += r;
    }
}

template <typename Add> void ForFactor(int32_t factorX, Add add)
{
    switch (factorX) {
    case 1: add(std::integral_constant<int, 1>{}); break;
    case 2: add(std::integral_constant<int, 2>{}); break;
    case 3: add(std::integral_constant<int, 3>{}); break;
    case 4: add(std::integral_constant<int, 4>{}); break;
    default: add(std::integral_constant<int, 0>{}); break;
    }
}
} // namespace

bool FFrameGrabber::Convert(const FFrameView& frame)
{
    if (!valid_ || frame.bits == nullptr || frame.width != source_.width || frame.height != source_.height ||
        frame.pitch < frame.width * 4)
        return false;

    const uint32_t samples = static_cast<uint32_t>(factorX_ * factorY_);
    // Dividing by a multiply and shift: exact while 255 * samples^2 < 2^32, which covers
    // every block up to 64 x 64; beyond that plain division.
    const bool useReciprocal = samples < 4104;
    const uint64_t reciprocal = (uint64_t{1} << 32) / samples + 1;
    // A 16-bit lane collects ceil(factorX / 2) * factorY bytes; past 257 it could overflow.
    const bool usePairs = static_cast<int64_t>((factorX_ + 1) / 2) * factorY_ <= 257;
    const uint32_t* offsets = columnOffsets_.data();
    uint32_t* sums = sums_.data();
    uint64_t* lanes = lanes_.data();
    const size_t pixelBytes = static_cast<size_t>(width_) * 3;

    for (int32_t y = 0; y < height_; ++y) {
        const uint8_t* row =
            frame.bits + static_cast<size_t>(frame.pitch) * static_cast<size_t>(rowStarts_[static_cast<size_t>(y)]);
        if (usePairs) {
            std::fill(lanes_.begin(), lanes_.end(), 0u);
            ForFactor(factorX_, [&](auto factor) {
                for (int32_t j = 0; j < factorY_; ++j, row += frame.pitch)
                    AddRowPairs<decltype(factor)::value>(row, offsets, width_, factorX_, lanes);
            });
            for (int32_t x = 0; x < width_; ++x) {
                const uint64_t even = lanes[2 * x], odd = lanes[2 * x + 1];
                sums[3 * x] = static_cast<uint32_t>((even & 0xFFFF) + ((even >> 32) & 0xFFFF));
                sums[3 * x + 1] = static_cast<uint32_t>((odd & 0xFFFF) + ((odd >> 32) & 0xFFFF));
                sums[3 * x + 2] = static_cast<uint32_t>(((even >> 16) & 0xFFFF) + (even >> 48));
            }
        } else {
            std::fill(sums_.begin(), sums_.end(), 0u);
            ForFactor(factorX_, [&](auto factor) {
                for (int32_t j = 0; j < factorY_; ++j, row += frame.pitch)
                    AddRowScalar<decltype(factor)::value>(row, offsets, width_, factorX_, sums);
            });
        }
        // Scan line 0 is the bottom row, so the top source row ends up at the top.
        uint8_t* out = bitmap_.data() + static_cast<size_t>(stride_) * static_cast<size_t>(height_ - 1 - y);
        if (samples == 1)
            for (size_t i = 0; i < pixelBytes; ++i)
                out[i] = static_cast<uint8_t>(sums[i]);
        else if (useReciprocal)
            for (size_t i = 0; i < pixelBytes; ++i)
                out[i] = static_cast<uint8_t>((sums[i] * reciprocal) >> 32);
        else
            for (size_t i = 0; i < pixelBytes; ++i)
                out[i] = static_cast<uint8_t>(sums[i] / samples);
    }
    return true;
}

bool FFrameGrabber::ReadRow(int32_t r, uint8_t* dest) const
{
    if (dest == nullptr || !valid_ || r < 0 || r >= height_)
        return false;
    std::memcpy(dest, bitmap_.data() + static_cast<size_t>(stride_) * static_cast<size_t>(r),
                static_cast<size_t>(stride_));
    return true;
}
