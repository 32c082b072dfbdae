#include "photos/decode/FImageDecoder.h"

// Placeholder until the decoders land: every file is refused.
struct FImageDecoder::Impl
{
};

FImageDecoder::FImageDecoder() : impl_(std::make_unique<Impl>()) {}
FImageDecoder::~FImageDecoder() = default;

bool FImageDecoder::Decode(const FString& path, const FDecodeRequest&, FDecodedImage& out, FString* error)
{
    out = FDecodedImage{};
    if (error)
        *error = path.Concat(FString(u": no decoder"));
    return false;
}
