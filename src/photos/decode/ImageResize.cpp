#include "photos/decode/ImageResize.h"

#include <algorithm>
#include <cmath>

void FImageResizer::BuildTaps(int srcSize, int dstSize, Taps& taps)
{
    taps.first.resize(dstSize);
    taps.count.resize(dstSize);
    taps.offset.resize(dstSize);
    taps.weights.clear();
    const double scale = static_cast<double>(srcSize) / dstSize;
    const double radius = std::max(scale, 1.0);
    for (int i = 0; i < dstSize; ++i) {
        const double centre = (i + 0.5) * scale - 0.5;
        const int lo = static_cast<int>(std::floor(centre - radius)) + 1;
        const int hi = static_cast<int>(std::floor(centre + radius));
        // Taps past the edges fold back onto the edge pixels, so borders keep
        // their colour instead of fading.
        const int first = std::max(lo, 0);
        const int last = std::min(hi, srcSize - 1);
        taps.first[i] = first;
        taps.count[i] = last - first + 1;
        taps.offset[i] = static_cast<int>(taps.weights.size());
        taps.weights.resize(taps.weights.size() + taps.count[i], 0.0f);
        float* w = taps.weights.data() + taps.offset[i];
        double sum = 0.0;
        for (int j = lo; j <= hi; ++j) {
            const double weight = std::max(0.0, 1.0 - std::fabs(j - centre) / radius);
            w[std::clamp(j, first, last) - first] += static_cast<float>(weight);
            sum += weight;
        }
        for (int k = 0; k < taps.count[i]; ++k)
            w[k] = static_cast<float>(w[k] / sum);
    }
}

void FImageResizer::Resize(const uint8_t* src, int srcWidth, int srcHeight, size_t srcStride, uint8_t* dst,
                           int dstWidth, int dstHeight)
{
    BuildTaps(srcWidth, dstWidth, across_);
    BuildTaps(srcHeight, dstHeight, down_);
    rows_.resize(static_cast<size_t>(dstWidth) * srcHeight * 4);

    for (int y = 0; y < srcHeight; ++y) {
        const uint8_t* in = src + y * srcStride;
        float* out = rows_.data() + static_cast<size_t>(y) * dstWidth * 4;
        for (int x = 0; x < dstWidth; ++x) {
            const uint8_t* p = in + across_.first[x] * 4;
            const float* w = across_.weights.data() + across_.offset[x];
            float r = 0, g = 0, b = 0, a = 0;
            for (int k = 0; k < across_.count[x]; ++k, p += 4) {
                r += w[k] * p[0];
                g += w[k] * p[1];
                b += w[k] * p[2];
                a += w[k] * p[3];
            }
            out[x * 4 + 0] = r;
            out[x * 4 + 1] = g;
            out[x * 4 + 2] = b;
            out[x * 4 + 3] = a;
        }
    }

    const size_t rowFloats = static_cast<size_t>(dstWidth) * 4;
    std::vector<float> sum(rowFloats);
    for (int y = 0; y < dstHeight; ++y) {
        std::fill(sum.begin(), sum.end(), 0.0f);
        const float* w = down_.weights.data() + down_.offset[y];
        for (int k = 0; k < down_.count[y]; ++k) {
            const float* row = rows_.data() + (down_.first[y] + k) * rowFloats;
            const float weight = w[k];
            for (size_t i = 0; i < rowFloats; ++i)
                sum[i] += weight * row[i];
        }
        uint8_t* out = dst + y * rowFloats;
        for (size_t i = 0; i < rowFloats; ++i)
            out[i] = static_cast<uint8_t>(std::clamp(sum[i] + 0.5f, 0.0f, 255.0f));
    }
}

void FitWithin(int width, int height, int maxSize, int& fitWidth, int& fitHeight)
{
    fitWidth = width;
    fitHeight = height;
    if (maxSize <= 0 || (width <= maxSize && height <= maxSize))
        return;
    const double scale = static_cast<double>(maxSize) / std::max(width, height);
    fitWidth = std::clamp(static_cast<int>(std::lround(width * scale)), 1, maxSize);
    fitHeight = std::clamp(static_cast<int>(std::lround(height * scale)), 1, maxSize);
}
