#include "photos/decode/FPngDecoder.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstring>

namespace {

// Everything libpng's callbacks and the longjmp back from an error touch: plain
// data only, since a longjmp skips destructors.
struct FPngInput
{
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t at = 0;
    char message[160] = {};
};

void OnError(png_structp png, png_const_charp message)
{
    auto* input = static_cast<FPngInput*>(png_get_error_ptr(png));
    std::snprintf(input->message, sizeof input->message, "%s", message ? message : "unknown error");
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp png, png_bytep out, png_size_t count)
{
    auto* input = static_cast<FPngInput*>(png_get_io_ptr(png));
    if (count > input->size - input->at)
        png_error(png, "the file ends too early");
    std::memcpy(out, input->data + input->at, count);
    input->at += count;
}

// Averages blocks of factorX x factorY source pixels into one as rows arrive.
// Rows may be missing (an interlaced image offers only its odd rows whole): a
// block averages those it got.
struct FBoxReducer
{
    int width = 0, factorX = 1, factorY = 1, outWidth = 0, outHeight = 0;
    int channels = 4;           // of the rows coming in; 3: opaque RGB, alpha 255 out
    std::vector<uint64_t> sums; // outWidth * 4
    uint8_t* out = nullptr;     // the next output row
    int outRows = 0;            // written so far
    int block = 0;              // the source row block being summed
    int rows = 0;               // source rows summed so far for it

    void Add(const uint8_t* row, int y)
    {
        if (y / factorY != block) {
            Flush();
            block = y / factorY;
        }
        // Block by block: no division per pixel, which cost more than the sums.
        uint64_t* s = sums.data();
        const int c = channels;
        for (int x = 0; x < width; x += factorX, s += 4) {
            const int end = std::min(width, x + factorX);
            uint32_t r = 0, g = 0, b = 0, a = 0;
            for (const uint8_t* p = row + x * c; p < row + end * c; p += c) {
                r += p[0];
                g += p[1];
                b += p[2];
                if (c == 4)
                    a += p[3];
            }
            s[0] += r;
            s[1] += g;
            s[2] += b;
            s[3] += a;
        }
        ++rows;
    }
    void Flush()
    {
        if (rows == 0)
            return;
        // Blocks that got no row repeat the one above.
        for (; outRows < block && outRows > 0; ++outRows, out += outWidth * 4)
            std::memcpy(out, out - outWidth * 4, static_cast<size_t>(outWidth) * 4);
        for (int ox = 0; ox < outWidth; ++ox) {
            const uint64_t n = static_cast<uint64_t>(std::min(factorX, width - ox * factorX)) * rows;
            for (int c = 0; c < 3; ++c)
                *out++ = static_cast<uint8_t>((sums[static_cast<size_t>(ox) * 4 + c] + n / 2) / n);
            *out++ = channels == 4 ? static_cast<uint8_t>((sums[static_cast<size_t>(ox) * 4 + 3] + n / 2) / n) : 255;
        }
        ++outRows;
        std::fill(sums.begin(), sums.end(), 0);
        rows = 0;
    }
    void Finish()
    {
        Flush();
        block = outHeight;
        for (; outRows < outHeight && outRows > 0; ++outRows, out += outWidth * 4)
            std::memcpy(out, out - outWidth * 4, static_cast<size_t>(outWidth) * 4);
    }
};

struct FPngState
{
    png_structp png = nullptr;
    png_infop info = nullptr;
    FPngInput input;

    FPngState(const uint8_t* data, size_t size, int maxSide)
    {
        input.data = data;
        input.size = size;
        png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &input, OnError, OnWarning);
        if (png)
            info = png_create_info_struct(png);
        if (info) {
            png_set_read_fn(png, &input, OnRead);
            png_set_user_limits(png, static_cast<png_uint_32>(maxSide), static_cast<png_uint_32>(maxSide));
            // Text and colour profiles are not needed and can be compression bombs too.
            png_set_chunk_malloc_max(png, 4 << 20);
            // Every chunk's CRC already guards the compressed data; zlib's second
            // sum over all the pixels costs a tenth of a large photo's decode.
            png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
            png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, 0);
        }
    }
    ~FPngState() { png_destroy_read_struct(&png, info ? &info : nullptr, nullptr); }
    FPngState(const FPngState&) = delete;
    FPngState& operator=(const FPngState&) = delete;

    std::string Reason() const { return std::string("corrupt PNG data: ") + input.message; }
};

// The header, with transforms set so every row comes out as RGBA8, or as RGB8 for
// an opaque picture that is reduced row by row anyway (reduceTo: the size it goes
// down to; 0 for none). Holds no C++ objects: libpng's errors longjmp here.
bool ReadHeader(FPngState& s, int& width, int& height, int& passes, int& channels, int reduceWidth = 0,
                int reduceHeight = 0)
{
    if (!s.info) {
        std::snprintf(s.input.message, sizeof s.input.message, "out of memory");
        return false;
    }
    if (setjmp(png_jmpbuf(s.png)))
        return false;
    png_read_info(s.png, s.info);
    width = static_cast<int>(png_get_image_width(s.png, s.info));
    height = static_cast<int>(png_get_image_height(s.png, s.info));
    const int type = png_get_color_type(s.png, s.info);
    png_set_expand(s.png); // palette, grey under 8 bits, transparency chunk
    png_set_strip_16(s.png);
    if (type == PNG_COLOR_TYPE_GRAY || type == PNG_COLOR_TYPE_GRAY_ALPHA)
        png_set_gray_to_rgb(s.png);
    const bool opaque = !(type & PNG_COLOR_MASK_ALPHA) && !png_get_valid(s.png, s.info, PNG_INFO_tRNS);
    const bool reduced = png_get_interlace_type(s.png, s.info) == PNG_INTERLACE_NONE && reduceWidth > 0 &&
                         (width / reduceWidth > 1 || height / std::max(1, reduceHeight) > 1);
    channels = opaque && reduced ? 3 : 4;
    if (opaque && channels == 4)
        png_set_add_alpha(s.png, 0xFF, PNG_FILLER_AFTER);
    passes = png_set_interlace_handling(s.png);
    png_read_update_info(s.png, s.info);
    if (png_get_rowbytes(s.png, s.info) != static_cast<size_t>(width) * channels) {
        std::snprintf(s.input.message, sizeof s.input.message, "unexpected pixel layout");
        return false;
    }
    return true;
}

// Straight into the reducer, one row buffer. Of an interlaced image only the
// last pass's rows, every odd row whole, are kept: the earlier passes fill in
// the even rows, which a reduction by 2 or more can do without.
bool ReadRows(FPngState& s, uint8_t* row, int height, int passes, FBoxReducer& reducer)
{
    if (setjmp(png_jmpbuf(s.png)))
        return false;
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < height; ++y) {
            png_read_row(s.png, row, nullptr);
            if (pass == passes - 1 && (passes == 1 || y % 2 == 1))
                reducer.Add(row, y);
        }
    }
    return true;
}

// Interlaced at full height: every pass touches every row, so the whole image is
// read first.
bool ReadImage(FPngState& s, png_bytepp rows)
{
    if (setjmp(png_jmpbuf(s.png)))
        return false;
    png_read_image(s.png, rows);
    return true;
}

} // namespace

bool ReadPngSize(const uint8_t* data, size_t size, int& width, int& height, std::string* reason)
{
    width = height = 0;
    FPngState s(data, size, 1 << 30);
    int passes = 0, channels = 4;
    if (ReadHeader(s, width, height, passes, channels))
        return true;
    if (reason)
        *reason = s.Reason();
    return false;
}

bool DecodePng(const uint8_t* data, size_t size, int minWidth, int minHeight, int64_t maxPixels, int maxSide,
               std::vector<uint8_t>& pixels, int& width, int& height, std::string* reason, std::vector<uint8_t>* icc)
{
    width = height = 0;
    auto fail = [&](const std::string& text) {
        if (reason)
            *reason = text;
        pixels.clear();
        width = height = 0;
        return false;
    };
    FPngState s(data, size, maxSide);
    int fullWidth = 0, fullHeight = 0, passes = 1, channels = 4;
    if (!ReadHeader(s, fullWidth, fullHeight, passes, channels, std::max(1, minWidth), std::max(1, minHeight)))
        return fail(std::strstr(s.input.message, "user limit") ? std::string("image too large") : s.Reason());
    if (static_cast<int64_t>(fullWidth) * fullHeight > maxPixels)
        return fail("image too large");
    if (icc) {
        png_charp name = nullptr;
        int compression = 0;
        png_bytep profile = nullptr;
        png_uint_32 length = 0;
        if (png_get_iCCP(s.png, s.info, &name, &compression, &profile, &length) && profile)
            icc->assign(profile, profile + length);
        else
            icc->clear();
    }

    FBoxReducer reducer;
    reducer.width = fullWidth;
    reducer.channels = channels;
    reducer.factorX = std::max(1, fullWidth / std::max(1, minWidth));
    reducer.factorY = std::max(1, fullHeight / std::max(1, minHeight));
    reducer.outWidth = (fullWidth + reducer.factorX - 1) / reducer.factorX;
    reducer.outHeight = (fullHeight + reducer.factorY - 1) / reducer.factorY;
    reducer.sums.assign(static_cast<size_t>(reducer.outWidth) * 4, 0);
    pixels.resize(static_cast<size_t>(reducer.outWidth) * reducer.outHeight * 4);
    reducer.out = pixels.data();

    bool ok = false;
    if (passes > 1 && reducer.factorY == 1) {
        // At full size straight into the result.
        std::vector<uint8_t> whole;
        uint8_t* target = pixels.data();
        if (reducer.factorX > 1) {
            whole.resize(static_cast<size_t>(fullWidth) * fullHeight * 4);
            target = whole.data();
        }
        std::vector<png_bytep> rows(static_cast<size_t>(fullHeight));
        for (int y = 0; y < fullHeight; ++y)
            rows[static_cast<size_t>(y)] = target + static_cast<size_t>(y) * fullWidth * 4;
        ok = ReadImage(s, rows.data());
        if (ok && reducer.factorX == 1) {
            width = fullWidth;
            height = fullHeight;
            return true;
        }
        for (int y = 0; ok && y < fullHeight; ++y)
            reducer.Add(rows[static_cast<size_t>(y)], y);
    } else {
        std::vector<uint8_t> row(static_cast<size_t>(fullWidth) * channels);
        ok = ReadRows(s, row.data(), fullHeight, passes, reducer);
    }
    if (!ok)
        return fail(s.Reason());
    reducer.Finish();
    width = reducer.outWidth;
    height = reducer.outHeight;
    return true;
}
