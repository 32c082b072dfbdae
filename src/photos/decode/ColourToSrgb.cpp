#include "photos/decode/ColourToSrgb.h"

#include "photos/decode/LcmsPtr.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

namespace {

// nclx transfer characteristics the book takes as sRGB: cameras and encoders
// write BT.709's curve for pictures meant to be shown as sRGB.
bool SrgbLikeTransfer(int transfer)
{
    return transfer == 0 || transfer == 1 || transfer == 2 || transfer == 6 || transfer == 13 || transfer == 14 ||
           transfer == 15;
}

bool SrgbPrimaries(int primaries)
{
    return primaries == 0 || primaries == 1 || primaries == 2;
}

// The primaries and white point an nclx code names, as CIE xy.
bool PrimariesOf(int code, cmsCIExyYTRIPLE& primaries, cmsCIExyY& white)
{
    const cmsCIExyY d65{0.3127, 0.3290, 1.0};
    white = d65;
    switch (code) {
    case 0:
    case 1:
    case 2: primaries = {{0.640, 0.330, 1}, {0.300, 0.600, 1}, {0.150, 0.060, 1}}; return true; // BT.709
    case 5: primaries = {{0.640, 0.330, 1}, {0.290, 0.600, 1}, {0.150, 0.060, 1}}; return true; // BT.470 BG
    case 6:
    case 7: primaries = {{0.630, 0.340, 1}, {0.310, 0.595, 1}, {0.155, 0.070, 1}}; return true; // SMPTE 170M
    case 9: primaries = {{0.708, 0.292, 1}, {0.170, 0.797, 1}, {0.131, 0.046, 1}}; return true; // BT.2020
    case 11:
        white = {0.314, 0.351, 1.0}; // DCI's own white
        [[fallthrough]];
    case 12: primaries = {{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}}; return true; // P3
    default: return false;
    }
}

// Bright parts of an HDR picture rolled off towards white: the SDR range stays as
// it is up to 0.75 and everything above approaches 1 smoothly.
double RollOff(double relative)
{
    if (relative <= 0.75)
        return std::max(0.0, relative);
    return std::min(1.0, 0.75 + 0.25 * (1.0 - std::exp(-(relative - 0.75) / 0.25)));
}

// Code value 0..1 to linear light, 1 being SDR's reference white (203 nits).
double Linear(int transfer, double v)
{
    switch (transfer) {
    case 4: return std::pow(v, 2.2);
    case 5: return std::pow(v, 2.8);
    case 8: return v;
    case 16: { // PQ
        const double m1 = 2610.0 / 16384, m2 = 2523.0 / 4096 * 128;
        const double c1 = 3424.0 / 4096, c2 = 2413.0 / 4096 * 32, c3 = 2392.0 / 4096 * 32;
        const double p = std::pow(v, 1 / m2);
        const double nits = 10000 * std::pow(std::max(p - c1, 0.0) / (c2 - c3 * p), 1 / m1);
        return RollOff(nits / 203);
    }
    case 18: { // HLG, its reference white (code 0.75) at 1
        const double a = 0.17883277, b = 0.28466892, c = 0.55991073;
        const double scene = v <= 0.5 ? v * v / 3 : (std::exp((v - c) / a) + b) / 12;
        const double white = (std::exp((0.75 - c) / a) + b) / 12;
        return RollOff(std::pow(scene / white, 1.2));
    }
    default: { // the sRGB curve
        return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    }
    }
}

FLcmsProfile ProfileFromNclx(const FColourInfo& colour)
{
    cmsCIExyYTRIPLE primaries;
    cmsCIExyY white;
    if (!PrimariesOf(colour.primaries, primaries, white))
        return nullptr;
    std::vector<float> table(4096);
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = static_cast<float>(Linear(colour.transfer, static_cast<double>(i) / (table.size() - 1)));
    FLcmsCurve curve(cmsBuildTabulatedToneCurveFloat(nullptr, static_cast<cmsUInt32Number>(table.size()), table.data()));
    if (!curve)
        return nullptr;
    cmsToneCurve* curves[3] = {curve.get(), curve.get(), curve.get()};
    return FLcmsProfile(cmsCreateRGBProfile(&white, &primaries, curves));
}

// An RGB profile that is sRGB in all but its name: the same colorants and curve.
// Such a file is shown exactly as before, with no round trip through lcms.
bool IsSrgb(cmsHPROFILE profile)
{
    if (cmsGetColorSpace(profile) != cmsSigRgbData || !cmsIsMatrixShaper(profile))
        return false;
    static const FLcmsProfile srgb(cmsCreate_sRGBProfile());
    for (const cmsTagSignature tag : {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag}) {
        const auto* got = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tag));
        const auto* want = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb.get(), tag));
        if (!got || !want || std::abs(got->X - want->X) > 0.003 || std::abs(got->Y - want->Y) > 0.003 ||
            std::abs(got->Z - want->Z) > 0.003)
            return false;
    }
    for (const cmsTagSignature tag : {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag}) {
        const auto* curve = static_cast<const cmsToneCurve*>(cmsReadTag(profile, tag));
        if (!curve)
            return false;
        for (const float v : {0.02f, 0.1f, 0.25f, 0.5f, 0.75f, 0.95f})
            if (std::abs(cmsEvalToneCurveFloat(curve, v) - Linear(13, v)) > 0.002)
                return false;
    }
    return true;
}

} // namespace

bool NeedsConversionToSrgb(const FColourInfo& colour)
{
    if (!colour.icc.empty())
        return true; // the profile itself decides, once read
    return !SrgbPrimaries(colour.primaries) || !SrgbLikeTransfer(colour.transfer);
}

void ConvertToSrgb(uint8_t* pixels, int width, int height, const FColourInfo& colour, std::string* note)
{
    if (!NeedsConversionToSrgb(colour) || width <= 0 || height <= 0)
        return;
    auto say = [note](const char* text) {
        if (note)
            *note = text;
    };
    FLcmsProfile source;
    if (!colour.icc.empty()) {
        source.reset(cmsOpenProfileFromMem(colour.icc.data(), static_cast<cmsUInt32Number>(colour.icc.size())));
        if (!source)
            return say("the embedded colour profile is damaged; the photo is shown as stored");
        if (IsSrgb(source.get()))
            return;
    } else {
        source = ProfileFromNclx(colour);
        if (!source)
            return say("the colour description names primaries the book does not know; shown as stored");
    }
    const FLcmsProfile srgb(cmsCreate_sRGBProfile());
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    const cmsColorSpaceSignature space = cmsGetColorSpace(source.get());
    if (space == cmsSigGrayData) {
        // A grey picture arrives as R = G = B: its 256 levels go through a table.
        const FLcmsTransform transform(cmsCreateTransform(source.get(), TYPE_GRAY_8, srgb.get(), TYPE_RGB_8,
                                                          INTENT_RELATIVE_COLORIMETRIC, 0));
        if (!transform)
            return say("the embedded grey profile cannot be used; the photo is shown as stored");
        std::array<uint8_t, 256> levels;
        std::array<uint8_t, 256 * 3> rgb;
        for (int i = 0; i < 256; ++i)
            levels[static_cast<size_t>(i)] = static_cast<uint8_t>(i);
        cmsDoTransform(transform.get(), levels.data(), rgb.data(), 256);
        for (size_t i = 0; i < count; ++i) {
            uint8_t* p = pixels + i * 4;
            const uint8_t* mapped = rgb.data() + static_cast<size_t>(p[0]) * 3;
            p[0] = mapped[0];
            p[1] = mapped[1];
            p[2] = mapped[2];
        }
        return;
    }
    if (space != cmsSigRgbData)
        return say("the embedded colour profile is not an RGB one; the photo is shown as stored");
    const FLcmsTransform transform(cmsCreateTransform(source.get(), TYPE_RGBA_8, srgb.get(), TYPE_RGBA_8,
                                                      INTENT_RELATIVE_COLORIMETRIC, cmsFLAGS_COPY_ALPHA));
    if (!transform)
        return say("the embedded colour profile cannot be used; the photo is shown as stored");
    // In slices: the count lcms takes is 32 bits, a huge photo's pixels are not.
    constexpr size_t kSlice = size_t(1) << 24;
    for (size_t done = 0; done < count; done += kSlice) {
        const size_t n = std::min(kSlice, count - done);
        cmsDoTransform(transform.get(), pixels + done * 4, pixels + done * 4, static_cast<cmsUInt32Number>(n));
    }
}
