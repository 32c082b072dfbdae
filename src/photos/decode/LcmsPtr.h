#pragma once
// lcms2's objects, each in a unique_ptr whose deleter is defined here once.

#include <lcms2.h>

#include <memory>
#include <type_traits>

struct FLcmsProfileDeleter
{
    void operator()(void* profile) const { cmsCloseProfile(profile); }
};
struct FLcmsTransformDeleter
{
    void operator()(void* transform) const { cmsDeleteTransform(transform); }
};
struct FLcmsCurveDeleter
{
    void operator()(cmsToneCurve* curve) const { cmsFreeToneCurve(curve); }
};

using FLcmsProfile = std::unique_ptr<std::remove_pointer_t<cmsHPROFILE>, FLcmsProfileDeleter>;
using FLcmsTransform = std::unique_ptr<std::remove_pointer_t<cmsHTRANSFORM>, FLcmsTransformDeleter>;
using FLcmsCurve = std::unique_ptr<cmsToneCurve, FLcmsCurveDeleter>;
