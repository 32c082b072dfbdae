#include "photos/decode/FWebpDecoder.h"

#include "photos/decode/WebpPtr.h"

#include <webp/decode.h>

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

bool Fail(std::string* reason, const std::string& text)
{
    if (reason)
        *reason = text;
    return false;
}

// libwebp's status as a user reads it.
std::string StatusText(VP8StatusCode status)
{
    switch (status) {
    case VP8_STATUS_NOT_ENOUGH_DATA: return "WebP data is cut off";
    case VP8_STATUS_OUT_OF_MEMORY: return "not enough memory to decode the WebP picture";
    case VP8_STATUS_UNSUPPORTED_FEATURE: return "WebP feature not supported by this libwebp";
    case VP8_STATUS_INVALID_PARAM: return "WebP picture cannot be decoded at this size";
    case VP8_STATUS_USER_ABORT: return "WebP decoding was stopped";
    default: return "damaged WebP data: the compressed picture is invalid";
    }
}

bool TooLarge(int64_t width, int64_t height, const FDecodeLimits& limits, std::string* reason)
{
    if (width <= limits.maxSide && height <= limits.maxSide && width * height <= limits.maxPixels)
        return false;
    return !Fail(reason, "WebP picture too large (" + std::to_string(width) + " x " + std::to_string(height) + ")");
}

// The whole container parsed; the demuxer keeps pointing into data. A demuxer
// that stops early tells a cut-off file from a damaged one.
FWebpDemuxPtr Demux(const uint8_t* data, size_t size, std::string* reason)
{
    const WebPData webp{data, size};
    FWebpDemuxPtr demux(WebPDemux(&webp));
    if (demux)
        return demux;
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    FWebpDemuxPtr partial(WebPDemuxPartial(&webp, &state));
    if (state == WEBP_DEMUX_PARSING_HEADER || state == WEBP_DEMUX_PARSED_HEADER)
        Fail(reason, "WebP data is cut off");
    else
        Fail(reason, "damaged WebP data: the file's chunks do not fit together");
    return nullptr;
}

// The smallest size no less than minWidth x minHeight with the picture's aspect,
// or the full size when the picture is no larger.
void ScaledSize(int width, int height, int minWidth, int minHeight, int& w, int& h)
{
    minWidth = std::max(minWidth, 1);
    minHeight = std::max(minHeight, 1);
    w = width;
    h = height;
    if (width <= minWidth || height <= minHeight)
        return;
    const double scale = std::max(double(minWidth) / width, double(minHeight) / height);
    w = std::clamp(static_cast<int>(std::ceil(width * scale - 1e-9)), minWidth, width);
    h = std::clamp(static_cast<int>(std::ceil(height * scale - 1e-9)), minHeight, height);
}

// The first frame composed on the canvas, at the canvas's size.
bool DecodeFirstFrame(const uint8_t* data, size_t size, int canvasWidth, int canvasHeight,
                      const FDecodeLimits& limits, std::vector<uint8_t>& pixels, std::string* reason)
{
    // The decoder keeps the canvas and the one before it, 4 bytes a pixel each.
    if (static_cast<uint64_t>(canvasWidth) * canvasHeight * 8 > limits.memoryBytes)
        return Fail(reason, "WebP animation too large to compose (" + std::to_string(canvasWidth) + " x " +
                                std::to_string(canvasHeight) + ")");
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        return Fail(reason, "libwebp cannot decode animations (version mismatch)");
    options.color_mode = MODE_RGBA;
    options.use_threads = 0;
    const WebPData webp{data, size};
    FWebpAnimDecoderPtr decoder(WebPAnimDecoderNew(&webp, &options));
    if (!decoder)
        return Fail(reason, "damaged WebP data: the animation cannot be read");
    WebPAnimInfo info;
    if (!WebPAnimDecoderGetInfo(decoder.get(), &info) || info.frame_count < 1)
        return Fail(reason, "damaged WebP data: the animation has no frames");
    if (int(info.canvas_width) != canvasWidth || int(info.canvas_height) != canvasHeight)
        return Fail(reason, "damaged WebP data: the animation's canvas size is inconsistent");
    uint8_t* frame = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &frame, &timestamp) || !frame)
        return Fail(reason, "damaged WebP data: the animation's first frame cannot be decoded");
    pixels.assign(frame, frame + static_cast<size_t>(canvasWidth) * canvasHeight * 4);
    return true;
}

} // namespace

bool ReadWebpSize(const uint8_t* data, size_t size, int& width, int& height, std::string* reason)
{
    width = height = 0;
    WebPBitstreamFeatures features;
    const VP8StatusCode status = WebPGetFeatures(data, size, &features);
    if (status != VP8_STATUS_OK)
        return Fail(reason, status == VP8_STATUS_BITSTREAM_ERROR ? "damaged WebP data: the header is invalid"
                                                                 : StatusText(status));
    if (features.width <= 0 || features.height <= 0)
        return Fail(reason, "damaged WebP data: the picture has no pixels");
    width = features.width;
    height = features.height;
    return true;
}

bool DecodeWebp(const uint8_t* data, size_t size, int minWidth, int minHeight, const FDecodeLimits& limits,
                std::vector<uint8_t>& pixels, int& width, int& height, FColourInfo& colour, std::string* reason)
{
    pixels.clear();
    width = height = 0;
    colour = FColourInfo();
    int canvasWidth = 0, canvasHeight = 0;
    if (!ReadWebpSize(data, size, canvasWidth, canvasHeight, reason) ||
        TooLarge(canvasWidth, canvasHeight, limits, reason))
        return false;
    const FWebpDemuxPtr demux = Demux(data, size, reason);
    if (!demux)
        return false;
    if (int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_WIDTH)) != canvasWidth ||
        int(WebPDemuxGetI(demux.get(), WEBP_FF_CANVAS_HEIGHT)) != canvasHeight)
        return Fail(reason, "damaged WebP data: the canvas size is inconsistent");
    const uint32_t flags = WebPDemuxGetI(demux.get(), WEBP_FF_FORMAT_FLAGS);

    FColourInfo found;
    if (flags & ICCP_FLAG) {
        FWebpChunk icc;
        if (WebPDemuxGetChunk(demux.get(), "ICCP", 1, &icc.iterator) && icc.iterator.chunk.size > 0)
            found.icc.assign(icc.iterator.chunk.bytes, icc.iterator.chunk.bytes + icc.iterator.chunk.size);
    }

    if (flags & ANIMATION_FLAG) {
        if (!DecodeFirstFrame(data, size, canvasWidth, canvasHeight, limits, pixels, reason)) {
            pixels.clear();
            return false;
        }
        width = canvasWidth;
        height = canvasHeight;
        colour = std::move(found);
        return true;
    }

    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        return Fail(reason, "libwebp cannot decode (version mismatch)");
    int w = 0, h = 0;
    ScaledSize(canvasWidth, canvasHeight, minWidth, minHeight, w, h);
    if (w != canvasWidth || h != canvasHeight) {
        config.options.use_scaling = 1;
        config.options.scaled_width = w;
        config.options.scaled_height = h;
    }
    // Decoded straight into our own buffer: libwebp allocates no picture of its own.
    pixels.resize(static_cast<size_t>(w) * h * 4);
    config.output.colorspace = MODE_RGBA;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = pixels.data();
    config.output.u.RGBA.stride = w * 4;
    config.output.u.RGBA.size = pixels.size();
    const VP8StatusCode status = WebPDecode(data, size, &config);
    if (status != VP8_STATUS_OK) {
        pixels.clear();
        return Fail(reason, StatusText(status));
    }
    width = w;
    height = h;
    colour = std::move(found);
    return true;
}
