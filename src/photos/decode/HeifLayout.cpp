#include "photos/decode/HeifLayout.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

// Far more than any camera writes (a 120 MP photo in 256-pixel tiles has 1831),
// far fewer than the 65536 a grid can name: each tile is a decoder run of its own.
constexpr size_t kMaxTiles = 4096;

// NAL units and OBUs walked in search of parameter sets, over all items: a photo
// has a few hundred, while items can point at one stretch of millions of tiny ones.
constexpr size_t kMaxUnits = size_t(1) << 20;

constexpr uint32_t Fourcc(const char (&s)[5])
{
    return uint32_t(uint8_t(s[0])) << 24 | uint32_t(uint8_t(s[1])) << 16 | uint32_t(uint8_t(s[2])) << 8 | uint8_t(s[3]);
}

// Big-endian reads that never pass the end: one that would yields 0 and clears ok.
struct FBytes
{
    const uint8_t* p = nullptr;
    size_t size = 0, at = 0;
    bool ok = true;

    uint64_t Read(size_t n)
    {
        if (!ok || n > 8 || n > size - at) {
            ok = false;
            return 0;
        }
        uint64_t v = 0;
        for (size_t i = 0; i < n; ++i)
            v = v << 8 | p[at++];
        return v;
    }
    void Skip(size_t n)
    {
        if (!ok || n > size - at)
            ok = false;
        else
            at += n;
    }
    FBytes Rest() const { return ok ? FBytes{p + at, size - at} : FBytes{p, 0}; }
};

// Calls f(type, body) for each box directly inside in, up to the first that
// runs past the end.
template <class F> void ForEachBox(FBytes in, F&& f)
{
    while (in.ok && in.size - in.at >= 8) {
        const size_t start = in.at;
        uint64_t length = in.Read(4);
        const uint32_t type = static_cast<uint32_t>(in.Read(4));
        if (length == 1)
            length = in.Read(8);
        else if (length == 0)
            length = in.size - start;
        const size_t header = in.at - start;
        if (!in.ok || length < header || length > in.size - start)
            return;
        f(type, FBytes{in.p + in.at, static_cast<size_t>(length - header)});
        in.at = start + static_cast<size_t>(length);
    }
}

struct FItem
{
    uint32_t type = 0;
    int method = -1;                                    // iloc construction method; -1 without a location
    std::vector<std::pair<uint64_t, uint64_t>> extents; // offset (base added) and length
    std::vector<uint32_t> properties;                   // ipco indices
    std::vector<uint32_t> tiles;                        // dimg references
};

struct FLayout
{
    FBytes file, idat;
    std::map<uint32_t, FItem> items;
    std::map<uint32_t, std::pair<uint64_t, uint64_t>> sizes; // ispe by ipco index
    std::map<uint32_t, std::pair<uint32_t, FBytes>> configs; // hvcC and av1C by ipco index

    bool Size(const FItem& item, uint64_t& w, uint64_t& h) const
    {
        for (uint32_t index : item.properties)
            if (auto it = sizes.find(index); it != sizes.end()) {
                std::tie(w, h) = it->second;
                return true;
            }
        return false;
    }

    // Extent e of the item's bytes, in the file or in idat.
    FBytes Extent(const FItem& item, size_t e) const
    {
        const FBytes& source = item.method == 0 ? file : idat;
        if ((item.method != 0 && item.method != 1) || e >= item.extents.size())
            return FBytes{nullptr, 0, 0, false};
        const auto [offset, length] = item.extents[e];
        if (offset > source.size || length > source.size - offset)
            return FBytes{nullptr, 0, 0, false};
        return FBytes{source.p + offset, static_cast<size_t>(length ? length : source.size - offset)};
    }
};

int FullBoxVersion(FBytes& b)
{
    const int version = static_cast<int>(b.Read(1));
    b.Read(3);
    return version;
}

void ReadItemInfo(FBytes b, FLayout& layout)
{
    const int version = FullBoxVersion(b);
    b.Read(version == 0 ? 2 : 4);
    ForEachBox(b.Rest(), [&](uint32_t type, FBytes e) {
        const int v = type == Fourcc("infe") ? FullBoxVersion(e) : 0;
        if (v < 2)
            return;
        const uint32_t id = static_cast<uint32_t>(e.Read(v == 2 ? 2 : 4));
        e.Read(2);
        const uint32_t itemType = static_cast<uint32_t>(e.Read(4));
        if (e.ok)
            layout.items[id].type = itemType;
    });
}

void ReadReferences(FBytes b, FLayout& layout)
{
    const size_t idBytes = FullBoxVersion(b) == 0 ? 2 : 4;
    ForEachBox(b.Rest(), [&](uint32_t type, FBytes r) {
        if (type != Fourcc("dimg"))
            return;
        std::vector<uint32_t>& tiles = layout.items[static_cast<uint32_t>(r.Read(idBytes))].tiles;
        for (uint64_t n = r.Read(2); n > 0 && r.ok; --n)
            if (const uint32_t to = static_cast<uint32_t>(r.Read(idBytes)); r.ok)
                tiles.push_back(to);
    });
}

void ReadLocations(FBytes b, FLayout& layout)
{
    const int version = FullBoxVersion(b);
    const uint64_t sizes = b.Read(2);
    const size_t offsetBytes = sizes >> 12, lengthBytes = sizes >> 8 & 15, baseBytes = sizes >> 4 & 15,
                 indexBytes = version == 1 || version == 2 ? sizes & 15 : 0;
    for (size_t n : {offsetBytes, lengthBytes, baseBytes, indexBytes})
        if (n != 0 && n != 4 && n != 8)
            return;
    for (uint64_t count = b.Read(version < 2 ? 2 : 4); count > 0 && b.ok; --count) {
        const uint32_t id = static_cast<uint32_t>(b.Read(version < 2 ? 2 : 4));
        const int method = version == 1 || version == 2 ? static_cast<int>(b.Read(2) & 15) : 0;
        b.Read(2); // data reference index
        const uint64_t base = b.Read(baseBytes);
        std::vector<std::pair<uint64_t, uint64_t>> extents;
        for (uint64_t n = b.Read(2); n > 0 && b.ok; --n) {
            b.Read(indexBytes);
            const uint64_t offset = b.Read(offsetBytes), length = b.Read(lengthBytes);
            extents.emplace_back(base + offset < base ? UINT64_MAX : base + offset, length);
        }
        if (b.ok) {
            FItem& item = layout.items[id];
            item.method = method;
            item.extents = std::move(extents);
        }
    }
}

void ReadProperties(FBytes b, FLayout& layout)
{
    ForEachBox(b, [&](uint32_t type, FBytes c) {
        if (type == Fourcc("ipco")) {
            uint32_t index = 0;
            ForEachBox(c, [&](uint32_t property, FBytes p) {
                ++index;
                if (property == Fourcc("hvcC") || property == Fourcc("av1C"))
                    layout.configs[index] = {property, p};
                if (property != Fourcc("ispe"))
                    return;
                p.Read(4);
                const uint64_t w = p.Read(4), h = p.Read(4);
                if (p.ok)
                    layout.sizes[index] = {w, h};
            });
        } else if (type == Fourcc("ipma")) {
            const int version = static_cast<int>(c.Read(1));
            const bool wide = c.Read(3) & 1;
            for (uint64_t n = c.Read(4); n > 0 && c.ok; --n) {
                FItem& item = layout.items[static_cast<uint32_t>(c.Read(version < 1 ? 2 : 4))];
                for (uint64_t k = c.Read(1); k > 0 && c.ok; --k)
                    item.properties.push_back(static_cast<uint32_t>(c.Read(wide ? 2 : 1) & (wide ? 0x7FFF : 0x7F)));
            }
        }
    });
}

// MSB-first bits, as HEVC and AV1 headers are written.
struct FBits
{
    const uint8_t* p = nullptr;
    size_t size = 0, bit = 0;
    bool ok = true;

    uint64_t Read(int n)
    {
        uint64_t v = 0;
        for (; n > 0; --n, ++bit) {
            if (bit >= size * 8) {
                ok = false;
                return 0;
            }
            v = v << 1 | (p[bit >> 3] >> (7 - (bit & 7)) & 1);
        }
        return v;
    }
    // HEVC's ue(v) and AV1's uvlc() alike.
    uint64_t Golomb()
    {
        int zeros = 0;
        while (ok && Read(1) == 0)
            if (++zeros > 32)
                ok = false;
        return ok ? (uint64_t(1) << zeros) - 1 + Read(zeros) : 0;
    }
};

// A picture size a parameter set declares; readable false when it is cut short,
// endless when the walk ran out of units first.
struct FCodedSize
{
    uint64_t w = 0, h = 0;
    bool readable = false, endless = false;
};

// An HEVC sequence parameter set: pic_width and pic_height in luma samples.
FCodedSize HevcSpsSize(FBytes nal)
{
    uint8_t rbsp[160]; // enough for the fields up to the size, without 00 00 03's 03
    size_t n = 0;
    for (size_t i = 2, zeros = 0; i < nal.size && n < sizeof rbsp; ++i) {
        if (zeros >= 2 && nal.p[i] == 3) {
            zeros = 0;
            continue;
        }
        zeros = nal.p[i] == 0 ? zeros + 1 : 0;
        rbsp[n++] = nal.p[i];
    }
    FBits b{rbsp, n};
    b.Read(4);
    const int subLayers = static_cast<int>(b.Read(3));
    b.Read(1 + 48), b.Read(48); // the general profile, tier and level
    bool profile[8] = {}, level[8] = {};
    for (int i = 0; i < subLayers; ++i)
        profile[i] = b.Read(1), level[i] = b.Read(1);
    b.Read(subLayers > 0 ? 2 * (8 - subLayers) : 0);
    for (int i = 0; i < subLayers; ++i)
        b.Read(profile[i] ? 88 - 44 : 0), b.Read(profile[i] ? 44 : 0), b.Read(level[i] ? 8 : 0);
    b.Golomb(); // sps id
    if (b.Golomb() == 3)
        b.Read(1); // separate colour planes
    FCodedSize size;
    size.w = b.Golomb();
    size.h = b.Golomb();
    size.readable = b.ok;
    return size;
}

// An AV1 sequence header: max_frame_width and max_frame_height, which bound every frame.
FCodedSize Av1SequenceSize(FBytes obu)
{
    FBits b{obu.p, obu.size};
    b.Read(4);
    if (b.Read(1)) { // reduced still picture header
        b.Read(5);
    } else {
        bool decoderModel = false;
        int delayBits = 0;
        if (b.Read(1)) { // timing info
            b.Read(64);
            if (b.Read(1))
                b.Golomb();
            decoderModel = b.Read(1);
            if (decoderModel)
                delayBits = static_cast<int>(b.Read(5)) + 1, b.Read(32 + 10);
        }
        const bool displayDelay = b.Read(1);
        for (int n = static_cast<int>(b.Read(5)) + 1; n > 0 && b.ok; --n) {
            b.Read(12);
            if (b.Read(5) > 7)
                b.Read(1);
            if (decoderModel && b.Read(1))
                b.Read(delayBits), b.Read(delayBits + 1);
            if (displayDelay && b.Read(1))
                b.Read(4);
        }
    }
    const int wBits = static_cast<int>(b.Read(4)) + 1, hBits = static_cast<int>(b.Read(4)) + 1;
    FCodedSize size;
    size.w = b.Read(wBits) + 1;
    size.h = b.Read(hBits) + 1;
    size.readable = b.ok;
    return size;
}

// Calls f(size) for each HEVC SPS among n-byte length-prefixed NAL units.
template <class F> void ForEachHevcSps(FBytes in, size_t n, size_t& units, F&& f)
{
    while (in.ok && in.at < in.size) {
        if (units-- == 0)
            return f(FCodedSize{.endless = true});
        const FBytes rest = in.Rest();
        const uint64_t length = in.Read(n);
        if (!in.ok || length > in.size - in.at)
            return;
        const FBytes nal{rest.p + n, static_cast<size_t>(length)};
        if (nal.size >= 2 && (nal.p[0] >> 1 & 63) == 33)
            f(HevcSpsSize(nal));
        in.at += length;
    }
}

// Calls f(size) for each AV1 sequence header among OBUs.
template <class F> void ForEachAv1Sequence(FBytes in, size_t& units, F&& f)
{
    while (in.ok && in.at < in.size) {
        if (units-- == 0)
            return f(FCodedSize{.endless = true});
        const uint64_t header = in.Read(1);
        in.Read(header & 4 ? 1 : 0);
        uint64_t length = in.size - in.at;
        if (header & 2) {
            length = 0;
            for (int i = 0, more = 1; more && i < 8; ++i) {
                const uint64_t byte = in.Read(1);
                length |= (byte & 0x7F) << (7 * i);
                more = byte & 0x80;
            }
        }
        if (!in.ok || length > in.size - in.at)
            return;
        if ((header >> 3 & 15) == 1)
            f(Av1SequenceSize(FBytes{in.p + in.at, static_cast<size_t>(length)}));
        in.at += length;
    }
}

// Every picture size an HEVC or AV1 item's parameter sets declare, in its hvcC or
// av1C and among its own bytes: the decoder allocates by those, whatever ispe says.
template <class F> void ForEachCodedSize(const FLayout& layout, const FItem& item, size_t& units, F&& f)
{
    const bool hevc = item.type == Fourcc("hvc1");
    size_t lengthBytes = 4;
    for (uint32_t index : item.properties) {
        const auto it = layout.configs.find(index);
        if (it == layout.configs.end())
            continue;
        FBytes config = it->second.second;
        if (hevc && it->second.first == Fourcc("hvcC")) {
            config.Skip(21);
            lengthBytes = (config.Read(1) & 3) + 1;
            for (uint64_t arrays = config.Read(1); arrays > 0 && config.ok; --arrays) {
                config.Read(1);
                for (uint64_t n = config.Read(2); n > 0 && config.ok; --n) {
                    const uint64_t length = config.Read(2);
                    if (length <= config.size - config.at) {
                        ForEachHevcSps(FBytes{config.p + config.at - 2, static_cast<size_t>(length) + 2}, 2, units, f);
                        config.at += length;
                    } else {
                        config.ok = false;
                    }
                }
            }
        } else if (!hevc && it->second.first == Fourcc("av1C")) {
            config.Read(4);
            ForEachAv1Sequence(config.Rest(), units, f);
        }
    }
    for (size_t e = 0; e < item.extents.size(); ++e)
        hevc ? ForEachHevcSps(layout.Extent(item, e), lengthBytes, units, f)
             : ForEachAv1Sequence(layout.Extent(item, e), units, f);
}

} // namespace

bool CheckHeifLayout(const uint8_t* data, size_t size, const FDecodeLimits& limits, const char* kind,
                     std::string* reason)
{
    FLayout layout;
    layout.file = FBytes{data, size};
    FBytes meta{nullptr, 0, 0, false};
    ForEachBox(layout.file, [&](uint32_t type, FBytes body) {
        if (type == Fourcc("meta") && !meta.ok)
            meta = body;
    });
    if (!meta.ok)
        return true;
    FullBoxVersion(meta);
    ForEachBox(meta.Rest(), [&](uint32_t type, FBytes b) {
        if (type == Fourcc("iinf"))
            ReadItemInfo(b, layout);
        else if (type == Fourcc("iref"))
            ReadReferences(b, layout);
        else if (type == Fourcc("iloc"))
            ReadLocations(b, layout);
        else if (type == Fourcc("idat"))
            layout.idat = b;
        else if (type == Fourcc("iprp"))
            ReadProperties(b, layout);
    });

    auto fail = [&](const std::string& text) {
        if (reason)
            *reason = text;
        return false;
    };
    auto tooLarge = [&](uint64_t w, uint64_t h) {
        return w > uint64_t(limits.maxSide) || h > uint64_t(limits.maxSide) || w * h > uint64_t(limits.maxPixels);
    };
    const std::string damaged = std::string(kind) + " data is damaged: ";
    size_t units = kMaxUnits;
    for (const auto& [id, item] : layout.items) {
        if (item.type == Fourcc("hvc1") || item.type == Fourcc("av01")) {
            std::string problem;
            ForEachCodedSize(layout, item, units, [&](const FCodedSize& coded) {
                if (!problem.empty())
                    return;
                if (coded.endless)
                    problem = damaged + "its pictures are split into over a million pieces";
                else if (!coded.readable)
                    problem = damaged + "a picture's parameter set is cut short";
                else if (tooLarge(coded.w, coded.h))
                    problem =
                        "image too large (coded as " + std::to_string(coded.w) + " x " + std::to_string(coded.h) + ")";
            });
            if (!problem.empty())
                return fail(problem);
            continue;
        }
        const bool grid = item.type == Fourcc("grid");
        if (!grid && item.type != Fourcc("iovl"))
            continue;
        FBytes payload = item.extents.size() == 1 ? layout.Extent(item, 0) : FBytes{nullptr, 0, 0, false};
        payload.Read(1);
        const bool wide = payload.Read(1) & 1;
        const uint64_t rows = payload.Read(grid ? 1 : 0) + 1, columns = payload.Read(grid ? 1 : 0) + 1;
        if (!grid)
            payload.Skip(8); // the canvas fill colour
        const uint64_t w = payload.Read(wide ? 4 : 2), h = payload.Read(wide ? 4 : 2);
        if (!payload.ok)
            return fail(damaged + "the layout of a tiled image cannot be read");
        if (w == 0 || h == 0)
            return fail(damaged + "a tiled image has no size");
        if (tooLarge(w, h))
            return fail("image too large (" + std::to_string(w) + " x " + std::to_string(h) + ")");
        uint64_t declaredW = 0, declaredH = 0;
        if (layout.Size(item, declaredW, declaredH) && (declaredW != w || declaredH != h))
            return fail(damaged + "a tiled image declares " + std::to_string(declaredW) + " x " +
                        std::to_string(declaredH) + " but is laid out as " + std::to_string(w) + " x " +
                        std::to_string(h));
        if (item.tiles.size() > kMaxTiles || (grid && rows * columns > kMaxTiles))
            return fail("image has too many tiles (" +
                        std::to_string(std::max<uint64_t>(item.tiles.size(), rows * columns)) + "; at most " +
                        std::to_string(kMaxTiles) + ")");
        uint64_t area = 0, largest = 0;
        for (uint32_t tile : item.tiles) {
            const auto it = layout.items.find(tile);
            uint64_t tw = 0, th = 0;
            if (it == layout.items.end() || !layout.Size(it->second, tw, th))
                return fail(damaged + "a tile of a tiled image has no size");
            if (tooLarge(tw, th))
                return fail("image too large (a tile of " + std::to_string(tw) + " x " + std::to_string(th) + ")");
            area += tw * th;
            largest = std::max(largest, tw * th);
        }
        // Tiles cover the canvas and overhang it by less than one tile each way:
        // at most four times its area, or one tile larger than the whole.
        if (area > 4 * w * h + largest)
            return fail(damaged + "its tiles add up to far more than the " + std::to_string(w) + " x " +
                        std::to_string(h) + " picture");
    }
    return true;
}
