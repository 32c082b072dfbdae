#include "photos/decode/FHeifDecoder.h"

#include "photos/decode/HeifLayout.h"
#include "photos/decode/HeifPtr.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>

namespace {

// Brands that name HEVC or AV1 pictures, and the codec-neutral ones a phone or
// avifenc may put first while listing the others among the compatible brands.
const char* const kHevcBrands[] = {"heic", "heix", "heim", "heis", "hevc", "hevx", "hevm", "hevs"};
const char* const kAvifBrands[] = {"avif", "avis"};
const char* const kNeutralBrands[] = {"mif1", "msf1", "mif2"};
// Image sequences: these may hold only a track, with no still picture for libheif.
const char* const kSequenceBrands[] = {"avis", "msf1", "heis", "hevs"};

// Calls f(brand) for the major brand and each compatible one of the ftyp box.
template <class F> void ForEachBrand(const uint8_t* data, size_t size, F&& f)
{
    if (size < 12 || std::memcmp(data + 4, "ftyp", 4) != 0)
        return;
    const size_t box = size_t(data[0]) << 24 | size_t(data[1]) << 16 | size_t(data[2]) << 8 | data[3];
    f(data + 8);
    for (size_t at = 16; at + 4 <= std::min(box, size); at += 4)
        f(data + at);
}

template <size_t N> bool OneOf(const uint8_t* brand, const char* const (&brands)[N])
{
    return std::any_of(std::begin(brands), std::end(brands),
                       [&](const char* b) { return std::memcmp(brand, b, 4) == 0; });
}

// What to call the file in messages.
const char* Kind(const uint8_t* data, size_t size)
{
    const char* kind = "HEIF";
    ForEachBrand(data, size, [&](const uint8_t* brand) {
        if (OneOf(brand, kAvifBrands))
            kind = "AVIF";
        else if (OneOf(brand, kHevcBrands) && std::strcmp(kind, "HEIF") == 0)
            kind = "HEIC";
    });
    return kind;
}

std::string Reason(const heif_error& error, const char* kind)
{
    std::string message = error.message && *error.message ? error.message : "no detail given";
    while (!message.empty() && std::isspace(static_cast<unsigned char>(message.back())))
        message.pop_back();
    const std::string k = kind;
    switch (error.code) {
    case heif_error_Invalid_input:
    case heif_error_Unsupported_filetype: return k + " data is damaged: " + message;
    case heif_error_Memory_allocation_error:
        return error.subcode == heif_suberror_Security_limit_exceeded
                   ? k + " image is beyond a safety limit: " + message
                   : k + " image needs more memory than there is";
    case heif_error_Unsupported_feature:
        if (error.subcode == heif_suberror_Unsupported_codec) {
            if (k == "AVIF" && !heif_have_decoder_for_format(heif_compression_AV1))
                return "this AVIF needs an AV1 decoder that is not installed";
            if (k == "HEIC" && !heif_have_decoder_for_format(heif_compression_HEVC))
                return "this HEIC needs an HEVC decoder that is not installed";
            return "this " + k + " is compressed in a way no installed decoder reads (" + message + ")";
        }
        return k + " feature not supported: " + message;
    case heif_error_Decoder_plugin_error: return k + " picture data cannot be decoded: " + message;
    default: return k + " cannot be read: " + message;
    }
}

bool Fail(std::string* reason, const std::string& text)
{
    if (reason)
        *reason = text;
    return false;
}

// heif_init loads the built-in codecs once; a context per call keeps threads apart.
// sideLimit: libheif refuses any item whose ispe reaches it.
bool Open(const uint8_t* data, size_t size, int sideLimit, FHeifContextPtr& context, FHeifHandlePtr& primary,
          std::string* reason)
{
    static const bool initialised = heif_init(nullptr).code == heif_error_Ok;
    const char* kind = Kind(data, size);
    if (!initialised)
        return Fail(reason, std::string(kind) + " support could not be started (libheif)");
    context.reset(heif_context_alloc());
    if (!context)
        return Fail(reason, std::string(kind) + " image needs more memory than there is");
    heif_context_set_maximum_image_size_limit(context.get(), sideLimit);
    heif_error error = heif_context_read_from_memory_without_copy(context.get(), data, size, nullptr);
    bool sequence = false;
    ForEachBrand(data, size, [&](const uint8_t* brand) { sequence = sequence || OneOf(brand, kSequenceBrands); });
    if (error.code != heif_error_Ok && error.subcode == heif_suberror_No_meta_box && sequence)
        return Fail(reason, std::string("this ") + kind + " is only an animation, without a still picture to show");
    if (error.code != heif_error_Ok)
        return Fail(reason, Reason(error, kind));
    heif_image_handle* handle = nullptr;
    error = heif_context_get_primary_image_handle(context.get(), &handle);
    primary.reset(handle);
    if (error.code != heif_error_Ok || !primary)
        return Fail(reason, Reason(error, kind));
    return true;
}

// The colr box: an ICC profile, else the nclx code points (2, "unspecified", as none).
void ReadColour(const heif_image_handle* handle, FColourInfo& colour)
{
    const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
    if (type == heif_color_profile_type_prof || type == heif_color_profile_type_rICC) {
        colour.icc.resize(heif_image_handle_get_raw_color_profile_size(handle));
        if (colour.icc.empty() ||
            heif_image_handle_get_raw_color_profile(handle, colour.icc.data()).code != heif_error_Ok)
            colour.icc.clear();
        else
            return;
    }
    heif_color_profile_nclx* raw = nullptr;
    const heif_error error = heif_image_handle_get_nclx_color_profile(handle, &raw);
    const FHeifNclxPtr nclx(raw);
    if (error.code != heif_error_Ok || !nclx)
        return;
    colour.primaries = nclx->color_primaries == heif_color_primaries_unspecified ? 0 : nclx->color_primaries;
    colour.transfer =
        nclx->transfer_characteristics == heif_transfer_characteristic_unspecified ? 0 : nclx->transfer_characteristics;
}

// What libheif holds at its peak for w x h: the decoded planes (four samples a
// pixel at most, two bytes each beyond 8 bits), for deeper images a 16-bit
// interleaved step on the way down to 8, and the RGBA result.
uint64_t DecodeBytes(const heif_image_handle* handle, int w, int h)
{
    const int bits = std::max(heif_image_handle_get_luma_bits_per_pixel(handle),
                              heif_image_handle_get_chroma_bits_per_pixel(handle));
    const bool deep = bits <= 0 || bits > 8; // unknown counts as deep
    return uint64_t(w) * uint64_t(h) * (deep ? 4 * 2 + 8 + 4 : 4 + 4);
}

// A picture reduced by factor (even) while its planes become RGBA: each output
// pixel averages its block of luma and the matching chroma, then converts once.
// False for what this does not cover (an unknown matrix, planes missing).
bool ReduceYcbcr(const heif_image* image, int factor, std::vector<uint8_t>& pixels, int& width, int& height)
{
    int yStride = 0, cbStride = 0, crStride = 0;
    const uint8_t* yPlane = heif_image_get_plane_readonly(image, heif_channel_Y, &yStride);
    const uint8_t* cbPlane = heif_image_get_plane_readonly(image, heif_channel_Cb, &cbStride);
    const uint8_t* crPlane = heif_image_get_plane_readonly(image, heif_channel_Cr, &crStride);
    const int w = heif_image_get_width(image, heif_channel_Y), h = heif_image_get_height(image, heif_channel_Y);
    const int cw = heif_image_get_width(image, heif_channel_Cb), ch = heif_image_get_height(image, heif_channel_Cb);
    if (!yPlane || !cbPlane || !crPlane || w <= 0 || h <= 0 || cw != (w + 1) / 2 || ch != (h + 1) / 2)
        return false;
    // The matrix and range libheif would convert with: the file's, else BT.601 full range.
    int matrix = heif_matrix_coefficients_ITU_R_BT_601_6;
    bool fullRange = true;
    heif_color_profile_nclx* raw = nullptr;
    if (heif_image_get_nclx_color_profile(image, &raw).code == heif_error_Ok && raw) {
        const FHeifNclxPtr nclx(raw);
        matrix = nclx->matrix_coefficients;
        fullRange = nclx->full_range_flag != 0;
    }
    double kr = 0, kb = 0;
    switch (matrix) {
    case heif_matrix_coefficients_ITU_R_BT_709_5: kr = 0.2126, kb = 0.0722; break;
    case heif_matrix_coefficients_unspecified:
    case heif_matrix_coefficients_ITU_R_BT_470_6_System_B_G:
    case heif_matrix_coefficients_ITU_R_BT_601_6: kr = 0.299, kb = 0.114; break;
    case heif_matrix_coefficients_ITU_R_BT_2020_2_non_constant_luminance: kr = 0.2627, kb = 0.0593; break;
    default: return false;
    }
    const double kg = 1 - kr - kb;
    const double ys = fullRange ? 1.0 : 255.0 / 219, yo = fullRange ? 0 : 16;
    const double cs = fullRange ? 1.0 : 255.0 / 224;
    width = (w + factor - 1) / factor;
    height = (h + factor - 1) / factor;
    pixels.resize(size_t(width) * height * 4);
    const int half = factor / 2;
    uint8_t* out = pixels.data();
    const auto clamp = [](double v) { return static_cast<uint8_t>(std::clamp(v + 0.5, 0.0, 255.0)); };
    for (int oy = 0; oy < height; ++oy) {
        const int y0 = oy * factor, y1 = std::min(h, y0 + factor);
        const int c0 = oy * half, c1 = std::min(ch, c0 + half);
        for (int ox = 0; ox < width; ++ox, out += 4) {
            const int x0 = ox * factor, x1 = std::min(w, x0 + factor);
            const int d0 = ox * half, d1 = std::min(cw, d0 + half);
            uint32_t ySum = 0, cbSum = 0, crSum = 0;
            for (int y = y0; y < y1; ++y)
                for (const uint8_t* p = yPlane + size_t(y) * yStride + x0; p < yPlane + size_t(y) * yStride + x1; ++p)
                    ySum += *p;
            for (int y = c0; y < c1; ++y)
                for (int x = d0; x < d1; ++x) {
                    cbSum += cbPlane[size_t(y) * cbStride + x];
                    crSum += crPlane[size_t(y) * crStride + x];
                }
            const int n = (y1 - y0) * (x1 - x0), m = std::max(1, (c1 - c0) * (d1 - d0));
            const double yv = (double(ySum) / n - yo) * ys;
            const double cb = (double(cbSum) / m - 128) * cs, cr = (double(crSum) / m - 128) * cs;
            const double r = yv + 2 * (1 - kr) * cr, b = yv + 2 * (1 - kb) * cb;
            out[0] = clamp(r);
            out[1] = clamp((yv - kr * r - kb * b) / kg);
            out[2] = clamp(b);
            out[3] = 255;
        }
    }
    return true;
}

} // namespace

bool LooksLikeHeif(const uint8_t* data, size_t size)
{
    bool heif = false;
    ForEachBrand(data, size, [&](const uint8_t* brand) {
        heif = heif || OneOf(brand, kHevcBrands) || OneOf(brand, kAvifBrands) || OneOf(brand, kNeutralBrands);
    });
    return heif;
}

bool ReadHeifSize(const uint8_t* data, size_t size, int& width, int& height, std::string* reason)
{
    width = height = 0;
    FHeifContextPtr context;
    FHeifHandlePtr primary;
    // No side limit here: the caller refuses an oversized picture by its size.
    if (!Open(data, size, INT_MAX, context, primary, reason))
        return false;
    const int w = heif_image_handle_get_width(primary.get()), h = heif_image_handle_get_height(primary.get());
    if (w <= 0 || h <= 0)
        return Fail(reason, std::string(Kind(data, size)) + " data is damaged: the picture has no size");
    width = w;
    height = h;
    return true;
}

bool DecodeHeif(const uint8_t* data, size_t size, bool thumbnail, const FDecodeLimits& limits,
                std::vector<uint8_t>& pixels, int& width, int& height, FColourInfo& colour, std::string* reason,
                int minWidth, int minHeight)
{
    pixels.clear();
    width = height = 0;
    colour = FColourInfo();
    const char* kind = Kind(data, size);
    FHeifContextPtr context;
    FHeifHandlePtr primary;
    if (!Open(data, size, limits.maxSide >= INT_MAX ? INT_MAX : limits.maxSide + 1, context, primary, reason))
        return false;

    FHeifHandlePtr stored;
    if (thumbnail) {
        heif_item_id id = 0;
        if (heif_image_handle_get_list_of_thumbnail_IDs(primary.get(), &id, 1) < 1)
            return Fail(reason, std::string("this ") + kind + " has no stored thumbnail");
        heif_image_handle* handle = nullptr;
        const heif_error error = heif_image_handle_get_thumbnail(primary.get(), id, &handle);
        stored.reset(handle);
        if (error.code != heif_error_Ok || !stored)
            return Fail(reason, Reason(error, kind));
    }
    const heif_image_handle* handle = thumbnail ? stored.get() : primary.get();

    const int w = heif_image_handle_get_width(handle), h = heif_image_handle_get_height(handle);
    if (w <= 0 || h <= 0)
        return Fail(reason, std::string(kind) + " data is damaged: the picture has no size");
    const auto tooLarge = [&](int64_t x, int64_t y) {
        return x > limits.maxSide || y > limits.maxSide || x * y > limits.maxPixels;
    };
    if (tooLarge(w, h))
        return Fail(reason, "image too large (" + std::to_string(w) + " x " + std::to_string(h) + ")");
    if (const uint64_t bytes = DecodeBytes(handle, w, h); bytes > limits.memoryBytes)
        return Fail(reason, "image too large (" + std::to_string(w) + " x " + std::to_string(h) + " at " +
                                std::to_string(heif_image_handle_get_luma_bits_per_pixel(handle)) +
                                " bits needs about " + std::to_string((bytes + (1 << 20) - 1) >> 20) +
                                " MB to decode)");
    if (!CheckHeifLayout(data, size, limits, kind, reason))
        return false;

    ReadColour(handle, colour);
    if (thumbnail && colour.Empty())
        ReadColour(primary.get(), colour);

    const FHeifOptionsPtr options(heif_decoding_options_alloc());
    if (!options)
        return Fail(reason, std::string(kind) + " image needs more memory than there is");
    options->ignore_transformations = 0; // irot, imir and clap make the picture upright and cropped
    options->convert_hdr_to_8bit = 1;
    // A picture far larger than asked for, 8 bits and opaque: reduced on its planes.
    const int factor = std::min(w / std::max(1, minWidth), h / std::max(1, minHeight)) & ~1;
    if (!thumbnail && factor >= 2 && heif_image_handle_get_luma_bits_per_pixel(handle) == 8 &&
        heif_image_handle_get_chroma_bits_per_pixel(handle) == 8 && !heif_image_handle_has_alpha_channel(handle)) {
        heif_image* yuv = nullptr;
        const heif_error error = heif_decode_image(handle, &yuv, heif_colorspace_YCbCr, heif_chroma_420, options.get());
        const FHeifImagePtr planes(yuv);
        if (error.code != heif_error_Ok || !planes)
            return Fail(reason, Reason(error, kind));
        if (ReduceYcbcr(planes.get(), factor, pixels, width, height))
            return true;
    }
    heif_image* raw = nullptr;
    const heif_error error =
        heif_decode_image(handle, &raw, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, options.get());
    const FHeifImagePtr image(raw);
    if (error.code != heif_error_Ok || !image)
        return Fail(reason, Reason(error, kind));

    int stride = 0;
    const uint8_t* plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int iw = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int ih = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane || iw <= 0 || ih <= 0 || stride < iw * 4 ||
        heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8)
        return Fail(reason, std::string(kind) + " picture did not decode to 8-bit RGBA");
    if (tooLarge(iw, ih))
        return Fail(reason, "image too large (decoded to " + std::to_string(iw) + " x " + std::to_string(ih) + ")");

    pixels.resize(size_t(iw) * ih * 4);
    for (int y = 0; y < ih; ++y)
        std::memcpy(pixels.data() + size_t(y) * iw * 4, plane + size_t(y) * stride, size_t(iw) * 4);
    if (heif_image_is_premultiplied_alpha(image.get())) {
        for (size_t i = 0; i < pixels.size(); i += 4)
            if (const unsigned a = pixels[i + 3]; a > 0 && a < 255)
                for (size_t c = i; c < i + 3; ++c)
                    pixels[c] = static_cast<uint8_t>(std::min(255u, (pixels[c] * 255u + a / 2) / a));
    }
    width = iw;
    height = ih;
    return true;
}
