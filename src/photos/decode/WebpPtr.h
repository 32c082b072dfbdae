#pragma once
// libwebp's objects, each released by its own function when it goes out of scope.

#include <webp/demux.h>

#include <memory>

struct FWebpDemuxDeleter
{
    void operator()(WebPDemuxer* demux) const { WebPDemuxDelete(demux); }
};
struct FWebpAnimDecoderDeleter
{
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

using FWebpDemuxPtr = std::unique_ptr<WebPDemuxer, FWebpDemuxDeleter>;
using FWebpAnimDecoderPtr = std::unique_ptr<WebPAnimDecoder, FWebpAnimDecoderDeleter>;

// A chunk iterator lives on the stack but must be released once read.
struct FWebpChunk
{
    WebPChunkIterator iterator{};
    FWebpChunk() = default;
    ~FWebpChunk() { WebPDemuxReleaseChunkIterator(&iterator); }
    FWebpChunk(const FWebpChunk&) = delete;
    FWebpChunk& operator=(const FWebpChunk&) = delete;
};
