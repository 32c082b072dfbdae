#include "photos/decode/FImageDecoder.h"

#include "base/FFile.h"
#include "photos/decode/ColourToSrgb.h"
#include "photos/decode/ExifOrientation.h"
#include "photos/decode/FHeifDecoder.h"
#include "photos/decode/FJpegDecoder.h"
#include "photos/decode/FPngDecoder.h"
#include "photos/decode/FQtImageDecoder.h"
#include "photos/decode/FTgaDecoder.h"
#include "photos/decode/FTiffDecoder.h"
#include "photos/decode/FWebpDecoder.h"
#include "photos/decode/ImageResize.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

namespace {

// Far above any photo the pixel limit lets through in a compressed format.
constexpr size_t kMaxFileBytes = size_t(512) << 20;
// A JPEG keeps its EXIF block, thumbnail included, in the first 64 KB.
constexpr size_t kJpegPreviewBytes = size_t(64) << 10;

enum class EFormat
{
    Jpeg,
    Png,
    Bmp,
    Heif,
    Webp,
    Tiff,
    Other
};

EFormat FormatOf(const uint8_t* data, size_t size)
{
    static const uint8_t kPng[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return EFormat::Jpeg;
    if (size >= sizeof kPng && std::memcmp(data, kPng, sizeof kPng) == 0)
        return EFormat::Png;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return EFormat::Bmp;
    if (LooksLikeHeif(data, size))
        return EFormat::Heif;
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0)
        return EFormat::Webp;
    if (size >= 4 && ((data[0] == 'I' && data[1] == 'I' && data[2] == 42 && data[3] == 0) ||
                      (data[0] == 'M' && data[1] == 'M' && data[2] == 0 && data[3] == 42)))
        return EFormat::Tiff;
    return EFormat::Other;
}

// The size PNG and BMP headers declare, read here so that a refusal does not
// depend on how Qt's readers treat absurd headers. False when too short to say.
bool DeclaredSize(EFormat format, const uint8_t* p, size_t size, int64_t& width, int64_t& height)
{
    auto be32 = [p](size_t at) { return int64_t(p[at]) << 24 | p[at + 1] << 16 | p[at + 2] << 8 | p[at + 3]; };
    auto le32 = [p](size_t at) {
        return int32_t(uint32_t(p[at]) | p[at + 1] << 8 | p[at + 2] << 16 | uint32_t(p[at + 3]) << 24);
    };
    if (format == EFormat::Png) {
        if (size < 24)
            return false;
        width = be32(16);
        height = be32(20);
        return true;
    }
    if (size < 26)
        return false;
    if (le32(14) == 12) { // OS/2 core header: 16-bit sizes
        width = p[18] | p[19] << 8;
        height = p[20] | p[21] << 8;
    } else {
        width = std::abs(int64_t(le32(18)));
        height = std::abs(int64_t(le32(22))); // negative for rows stored top first
    }
    return true;
}

// Qt's BMP reader says only "Unknown error" when it refuses a file, so the header
// is checked here first and a refusal names what is wrong. Qt also fills what a
// file lacks with black: 66 bytes claiming 10000 x 10000 became a 400 MB black
// photo, so the file must hold the pixels it declares.
bool CheckBmp(const uint8_t* p, size_t size, int64_t width, int64_t height, std::string& reason)
{
    auto le16 = [p](size_t at) { return int64_t(p[at] | p[at + 1] << 8); };
    auto le32 = [p](size_t at) {
        return int64_t(uint32_t(p[at]) | p[at + 1] << 8 | p[at + 2] << 16 | uint32_t(p[at + 3]) << 24);
    };
    auto fail = [&reason](std::string text) {
        reason = std::move(text);
        return false;
    };
    if (size < 18)
        return fail("truncated BMP data: the header is cut off");
    const int64_t headerSize = le32(14);
    const bool core = headerSize == 12;
    // Qt reads the core, Windows 3, OS/2 2 and Windows 4 and 5 headers, not the rare V2 and V3.
    static const int64_t kHeaderSizes[] = {12, 40, 64, 108, 124};
    if (headerSize == 52 || headerSize == 56)
        return fail("BMP with a header of " + std::to_string(headerSize) + " bytes is not supported");
    if (std::find(std::begin(kHeaderSizes), std::end(kHeaderSizes), headerSize) == std::end(kHeaderSizes))
        return fail("corrupt BMP data: a header of " + std::to_string(headerSize) + " bytes is no BMP header");
    if (size < (core ? 26u : 34u))
        return fail("truncated BMP data: the header is cut off");
    const int64_t storedWidth = core ? le16(18) : int32_t(le32(18));
    const int64_t storedHeight = core ? le16(20) : int32_t(le32(22)); // negative: rows stored top first
    const int64_t planes = le16(core ? 22 : 26), bits = le16(core ? 24 : 28), compression = core ? 0 : le32(30);
    if (storedWidth <= 0 || storedHeight == 0)
        return fail("corrupt BMP data: the picture is " + std::to_string(storedWidth) + " x " +
                    std::to_string(storedHeight) + " pixels");
    if (planes != 1)
        return fail("corrupt BMP data: " + std::to_string(planes) + " colour planes where BMP has 1");
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return fail("BMP with " + std::to_string(bits) + " bits a pixel is not supported");
    if (compression == 4 || compression == 5)
        return fail(std::string("BMP holding a ") + (compression == 4 ? "JPEG" : "PNG") + " picture is not supported");
    if (compression > 6)
        return fail("BMP compression " + std::to_string(compression) + " is not supported");
    const bool rle = compression == 1 || compression == 2, fields = compression == 3 || compression == 6;
    if ((compression == 1 && bits != 8) || (compression == 2 && bits != 4) || (fields && bits != 16 && bits != 32))
        return fail("corrupt BMP data: compression " + std::to_string(compression) + " does not go with " +
                    std::to_string(bits) + " bits a pixel");
    if (rle && storedHeight < 0)
        return fail("corrupt BMP data: run-length coded rows cannot be stored top first");
    if (!core && bits <= 8 && size >= 50 && le32(46) > 256)
        return fail("corrupt BMP data: a palette of " + std::to_string(le32(46)) + " colours");

    const int64_t offset = le32(10);
    int64_t needed = 0;
    if (rle) // a run codes at most 255 pixels in two bytes
        needed = (width * height + 254) / 255 * 2;
    else
        needed = (width * bits + 31) / 32 * 4 * height;
    if (static_cast<int64_t>(size) >= offset + needed)
        return true;
    return fail("truncated BMP data: " + std::to_string(width) + " x " + std::to_string(height) + " needs " +
                std::to_string(offset + needed) + " bytes, the file has " + std::to_string(size));
}

bool TooLarge(int64_t width, int64_t height)
{
    return width > kMaxSourceSide || height > kMaxSourceSide || static_cast<int64_t>(width) * height > kMaxSourcePixels;
}

} // namespace

struct FImageDecoder::Impl
{
    FJpegDecoder jpeg;
    FImageResizer resizer;
    std::vector<uint8_t> file; // the file's bytes; only the first fileSize count
    size_t fileSize = 0;
    std::vector<uint8_t> decoded;  // JPEG and TGA pixels before the final resize
    std::vector<uint8_t> oriented; // decoded, turned upright

    // The file's bytes, at most limit of them.
    bool ReadFile(const FString& path, FString& reason, size_t limit = kMaxFileBytes);
    // Buffers for a phone photo are worth keeping for the next; those of a huge one
    // (a full-size 24 MP picture is 96 MB) are not, with a decoder on every core.
    void ShedHugeBuffers()
    {
        constexpr size_t kKeep = size_t(64) << 20;
        for (std::vector<uint8_t>* buffer : {&file, &decoded, &oriented})
            if (buffer->capacity() > kKeep)
                std::vector<uint8_t>().swap(*buffer);
    }
    bool readFailureMayPass = false; // the last ReadFile failed for a passing reason
};

bool FImageDecoder::Impl::ReadFile(const FString& path, FString& reason, size_t limit)
{
    fileSize = 0;
    readFailureMayPass = false;
    FFile in(path, false, kMaxFileBytes);
    auto failure = [&](const char16_t* what) {
        const int error = in.LastError();
        readFailureMayPass = IsPassingError(error);
        if (error == kErrorTooLarge)
            return FString(u"file too large (over 512 MB)");
        return error == kErrorNotRegularFile ? ErrorText(error) : FString(what).Concat(ErrorText(error));
    };
    if (!in.ok()) {
        reason = failure(u"cannot open: ");
        return false;
    }
    // The vector keeps its size between calls: growing it zero-fills, and a
    // 6 MB photo after a 6 MB photo should cost nothing. One byte more than the
    // size tells the end without a second pass; FFile stops a file that grows.
    const size_t expected = std::min(static_cast<size_t>(in.Size()) + 1, limit);
    if (file.size() < expected)
        file.resize(expected);
    if (file.size() < 4096)
        file.resize(4096);
    for (;;) {
        if (fileSize >= limit)
            break;
        if (fileSize == file.size())
            file.resize(std::min(file.size() * 2, kMaxFileBytes + 1));
        const int64_t got = in.ReadSome(file.data() + fileSize, std::min(file.size(), limit) - fileSize);
        if (got < 0) {
            reason = failure(u"cannot read: ");
            return false;
        }
        if (got == 0)
            break;
        fileSize += static_cast<size_t>(got);
    }
    if (fileSize == 0) {
        reason = FString(u"empty file");
        return false;
    }
    return true;
}

FImageDecoder::FImageDecoder() : impl_(std::make_unique<Impl>()) {}

bool FImageDecoder::FailureMayPass() const
{
    return impl_->readFailureMayPass;
}
FImageDecoder::~FImageDecoder() = default;

bool FImageDecoder::Decode(const FString& path, const FDecodeRequest& request, FDecodedImage& out, FString* error)
{
    FString reason;
    // A quick picture comes from a JPEG's head (its EXIF thumbnail) or from a HEIF
    // file; other files are not read whole for nothing.
    if (request.preview) {
        if (!impl_->ReadFile(path, reason, 64)) {
            out.pixels.clear();
            if (error)
                *error = path.Concat(FString(u": ")).Concat(reason);
            return false;
        }
        const EFormat format = FormatOf(impl_->file.data(), impl_->fileSize);
        if (format == EFormat::Jpeg && impl_->ReadFile(path, reason, kJpegPreviewBytes))
            return DecodeMemory(impl_->file.data(), impl_->fileSize, path, request, out, error);
        if (format != EFormat::Heif) {
            out.pixels.clear();
            if (error)
                *error = path.Concat(FString(u": no quick picture in this file"));
            return false;
        }
    }
    if (!impl_->ReadFile(path, reason)) {
        out.width = out.height = out.sourceWidth = out.sourceHeight = 0;
        out.pixels.clear();
        if (error)
            *error = path.Concat(FString(u": ")).Concat(reason);
        return false;
    }
    const bool decoded = DecodeMemory(impl_->file.data(), impl_->fileSize, path, request, out, error);
    impl_->ShedHugeBuffers();
    return decoded;
}

bool FImageDecoder::DecodeMemory(const uint8_t* data, size_t size, const FString& name, const FDecodeRequest& request,
                                 FDecodedImage& out, FString* error)
{
    out.width = out.height = out.sourceWidth = out.sourceHeight = 0;
    out.pixels.clear();
    std::string reason;
    int width = 0, height = 0;
    auto fail = [&](const std::string& text) {
        out.width = out.height = out.sourceWidth = out.sourceHeight = 0;
        out.pixels.clear();
        if (error)
            *error = name.Concat(FString(u": ")).Concat(FString::FromUtf8(text));
        return false;
    };
    auto tooLarge = [&] {
        return fail("image too large (" + std::to_string(width) + " x " + std::to_string(height) + ")");
    };
    if (size == 0)
        return fail("empty file");

    // The size handed out: a square texture, or the image itself within maxSize.
    int targetWidth = 0, targetHeight = 0;
    auto setTarget = [&] {
        if (request.squareSize > 0) {
            targetWidth = targetHeight = request.squareSize;
        } else {
            FitWithin(width, height, request.maxSize, targetWidth, targetHeight);
        }
    };
    // Pixels decoded into impl_->decoded become the output, resized if need be.
    auto finish = [&](const uint8_t* pixels, int w, int h, size_t stride, bool ownBuffer) {
        out.sourceWidth = width;
        out.sourceHeight = height;
        out.width = targetWidth;
        out.height = targetHeight;
        if (w == targetWidth && h == targetHeight && ownBuffer) {
            // Swapping hands the caller's old buffer back for the next decode.
            out.pixels.swap(impl_->decoded);
        } else if (w == targetWidth && h == targetHeight) {
            out.pixels.resize(static_cast<size_t>(w) * h * 4);
            for (int y = 0; y < h; ++y)
                std::memcpy(out.pixels.data() + static_cast<size_t>(y) * w * 4, pixels + y * stride,
                            static_cast<size_t>(w) * 4);
        } else {
            out.pixels.resize(static_cast<size_t>(targetWidth) * targetHeight * 4);
            impl_->resizer.Resize(pixels, w, h, stride, out.pixels.data(), targetWidth, targetHeight);
        }
        return true;
    };

    // The EXIF orientation is undone right after decoding: the sizes, the fit and
    // the user's own rotation all apply to the upright picture. decode(minWidth,
    // minHeight, w, h) fills impl_->decoded at least that large along its stored
    // sides.
    int orientation = 1;
    FColourInfo colour;
    // What every format shares once its pixels are in impl_->decoded as stored:
    // turned upright, made sRGB, fitted to the size asked for.
    auto uprightAndSrgb = [&](int w, int h) {
        if (orientation != 1) {
            OrientPixels(impl_->decoded.data(), w, h, orientation, impl_->oriented);
            impl_->decoded.swap(impl_->oriented);
        }
        ConvertToSrgb(impl_->decoded.data(), w, h, colour);
        return finish(impl_->decoded.data(), w, h, static_cast<size_t>(w) * 4, true);
    };
    auto decodeUpright = [&](const auto& decode) {
        const bool swaps = OrientationSwapsSides(orientation);
        if (swaps)
            std::swap(width, height);
        setTarget();
        int w = 0, h = 0;
        if (!decode(swaps ? targetHeight : targetWidth, swaps ? targetWidth : targetHeight, w, h))
            return fail(reason);
        return uprightAndSrgb(w, h);
    };
    // Refused by the size the header declares, before any pixel is read.
    int64_t declaredWidth = 0, declaredHeight = 0;
    auto declaredTooLarge = [&](EFormat format) {
        return DeclaredSize(format, data, size, declaredWidth, declaredHeight) &&
               TooLarge(declaredWidth, declaredHeight);
    };
    auto refuseDeclared = [&] {
        return fail("image too large (" + std::to_string(declaredWidth) + " x " + std::to_string(declaredHeight) + ")");
    };

    const EFormat format = FormatOf(data, size);
    if (format == EFormat::Jpeg) {
        if (!impl_->jpeg.ReadSize(data, size, width, height, &reason))
            return fail(reason);
        if (TooLarge(width, height))
            return tooLarge();
        orientation = JpegExifOrientation(data, size);
        colour.icc = JpegIccProfile(data, size);
        if (request.preview) {
            // The camera's thumbnail, when it shows the same picture (not one with
            // bars added to fit another shape).
            const std::vector<uint8_t> exif = FindExif(MemoryReader(data, size));
            size_t at = 0, length = 0;
            int thumbWidth = 0, thumbHeight = 0;
            if (!ExifThumbnail(exif.data(), exif.size(), at, length) ||
                !impl_->jpeg.ReadSize(exif.data() + at, length, thumbWidth, thumbHeight, &reason) ||
                std::abs(double(thumbWidth) * height - double(thumbHeight) * width) > 0.02 * double(width) * thumbHeight)
                return fail("no quick picture in this file");
            return decodeUpright([&](int, int, int& w, int& h) {
                return impl_->jpeg.Decode(exif.data() + at, length, 0, 0, impl_->decoded, w, h, &reason);
            });
        }
        return decodeUpright([&](int minWidth, int minHeight, int& w, int& h) {
            return impl_->jpeg.Decode(data, size, minWidth, minHeight, impl_->decoded, w, h, &reason);
        });
    }
    if (request.preview && format != EFormat::Heif)
        return fail("no quick picture in this file");
    if (format == EFormat::Png) {
        if (declaredTooLarge(format))
            return refuseDeclared();
        if (!ReadPngSize(data, size, width, height, &reason))
            return fail(reason);
        if (TooLarge(width, height))
            return tooLarge();
        orientation = PngExifOrientation(data, size);
        return decodeUpright([&](int minWidth, int minHeight, int& w, int& h) {
            return DecodePng(data, size, minWidth, minHeight, kMaxSourcePixels, kMaxSourceSide, impl_->decoded, w, h,
                             &reason, &colour.icc);
        });
    }
    if (format == EFormat::Bmp) {
        if (declaredTooLarge(format))
            return refuseDeclared();
        if (!CheckBmp(data, size, declaredWidth, declaredHeight, reason))
            return fail(reason);
        const QImage image = ReadQtImage(data, size, "bmp", kMaxSourcePixels, kMaxSourceSide, width, height, &reason);
        if (image.isNull())
            return width > 0 && height > 0 && TooLarge(width, height) ? tooLarge() : fail(reason);
        setTarget();
        return finish(image.constBits(), image.width(), image.height(), static_cast<size_t>(image.bytesPerLine()),
                      false);
    }

    FDecodeLimits limits;
    limits.maxPixels = kMaxSourcePixels;
    limits.maxSide = kMaxSourceSide;
    if (format == EFormat::Webp || format == EFormat::Heif) {
        const bool webp = format == EFormat::Webp;
        if (!(webp ? ReadWebpSize(data, size, width, height, &reason) : ReadHeifSize(data, size, width, height, &reason)))
            return fail(reason);
        if (TooLarge(width, height))
            return tooLarge();
        return decodeUpright([&](int minWidth, int minHeight, int& w, int& h) {
            return webp ? DecodeWebp(data, size, minWidth, minHeight, limits, impl_->decoded, w, h, colour, &reason)
                        : DecodeHeif(data, size, request.preview, limits, impl_->decoded, w, h, colour, &reason,
                                     minWidth, minHeight);
        });
    }
    if (format == EFormat::Tiff) {
        if (!ReadTiffSize(data, size, width, height, &reason))
            return fail(reason);
        if (TooLarge(width, height))
            return tooLarge();
        int w = 0, h = 0;
        if (!DecodeTiff(data, size, limits, impl_->decoded, w, h, orientation, colour, &reason))
            return fail(reason);
        if (OrientationSwapsSides(orientation))
            std::swap(width, height);
        setTarget();
        return uprightAndSrgb(w, h);
    }

    // TGA has no signature: only a header that passes every check is taken, and
    // the name or the footer decides whether a failure is a broken TGA or some
    // other file.
    FTgaHeader header;
    const bool meantAsTga = name.Uppered().ExtensionPart() == FString(u"TGA") || HasTgaFooter(data, size);
    if (!ParseTgaHeader(data, size, header, &reason))
        return fail(meantAsTga ? reason : std::string("not a supported image"));
    width = header.width;
    height = header.height;
    if (TooLarge(width, height))
        return tooLarge();
    int w = 0, h = 0;
    if (!DecodeTga(data, size, kMaxSourcePixels, kMaxSourceSide, impl_->decoded, w, h, &reason))
        return fail(reason);
    setTarget();
    return finish(impl_->decoded.data(), w, h, static_cast<size_t>(w) * 4, true);
}
