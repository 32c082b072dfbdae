#include "export/FFrameGrabber.h"

#include <algorithm>
#include <cstring>

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
    // Positions truncate x * ratio (a float product, as the ratios are stored) while the
    // block is the integer factor, so widened targets sample with gaps or overlaps. The
    // clamp only guards the last block against float rounding past the edge.
    columnOffsets_.resize(static_cast<size_t>(width));
    for (int32_t x = 0; x < width; ++x)
    {
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

namespace
{
template <int FactorX>
void SumRow(const uint8_t* row, const uint32_t* offsets, int32_t width, int32_t factorX, uint32_t* sums)
{
    const int32_t fx = FactorX > 0 ? FactorX : factorX;
    for (int32_t x = 0; x < width; ++x)
    {
        const uint8_t* p = row + offsets[x];
        uint32_t b = 0, g = 0, r = 0;
        for (int32_t i = 0; i < fx; ++i, p += 4)
        {
            b += p[0];
            g += p[1];
            r += p[2];
        }
        sums[0] += b;
        sums[1] += g;
        sums[2] += r;
        sums += 3;
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
    const uint32_t* offsets = columnOffsets_.data();
    uint32_t* sums = sums_.data();
    const size_t pixelBytes = static_cast<size_t>(width_) * 3;

    for (int32_t y = 0; y < height_; ++y)
    {
        std::fill(sums_.begin(), sums_.end(), 0u);
        const int32_t sy = rowStarts_[static_cast<size_t>(y)];
        for (int32_t j = 0; j < factorY_; ++j)
        {
            const uint8_t* row = frame.bits + static_cast<size_t>(frame.pitch) * static_cast<size_t>(sy + j);
            switch (factorX_)
            {
            case 1: SumRow<1>(row, offsets, width_, 1, sums); break;
            case 2: SumRow<2>(row, offsets, width_, 2, sums); break;
            case 3: SumRow<3>(row, offsets, width_, 3, sums); break;
            case 4: SumRow<4>(row, offsets, width_, 4, sums); break;
            default: SumRow<0>(row, offsets, width_, factorX_, sums); break;
            }
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
    std::memcpy(dest, bitmap_.data() + static_cast<size_t>(stride_) * static_cast<size_t>(r), static_cast<size_t>(stride_));
    return true;
}
