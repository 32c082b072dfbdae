#pragma once
// Owners for libheif's objects: each is released here and nowhere else, so an
// early return on any error path cannot leak one.

#include <libheif/heif.h>

#include <memory>

struct FHeifRelease
{
    void operator()(heif_context* p) const { heif_context_free(p); }
    void operator()(heif_image_handle* p) const { heif_image_handle_release(p); }
    void operator()(heif_image* p) const { heif_image_release(p); }
    void operator()(heif_decoding_options* p) const { heif_decoding_options_free(p); }
    void operator()(heif_color_profile_nclx* p) const { heif_nclx_color_profile_free(p); }
};

using FHeifContextPtr = std::unique_ptr<heif_context, FHeifRelease>;
using FHeifHandlePtr = std::unique_ptr<heif_image_handle, FHeifRelease>;
using FHeifImagePtr = std::unique_ptr<heif_image, FHeifRelease>;
using FHeifOptionsPtr = std::unique_ptr<heif_decoding_options, FHeifRelease>;
using FHeifNclxPtr = std::unique_ptr<heif_color_profile_nclx, FHeifRelease>;
