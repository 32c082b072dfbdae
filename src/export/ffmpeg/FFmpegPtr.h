#pragma once
// Every FFmpeg object we hold lives in one of these; the free calls live here and
// nowhere else. FFmpeg version checks, if we ever need them, belong here too.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/error.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <memory>
#include <string>

struct FAvFormatDeleter
{
    // Frees the context only; the file it writes through is an FAvioPtr of its own.
    void operator()(AVFormatContext* p) const { avformat_free_context(p); }
};
struct FAvInputDeleter
{
    void operator()(AVFormatContext* p) const { avformat_close_input(&p); }
};
struct FAvioDeleter
{
    void operator()(AVIOContext* p) const { avio_closep(&p); }
};
struct FAvCodecDeleter
{
    void operator()(AVCodecContext* p) const { avcodec_free_context(&p); }
};
struct FAvFrameDeleter
{
    void operator()(AVFrame* p) const { av_frame_free(&p); }
};
struct FAvPacketDeleter
{
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FAvioBufferDeleter
{
    // A context over our own buffer: FFmpeg may have swapped the buffer, so free its own.
    void operator()(AVIOContext* p) const
    {
        if (p)
            av_freep(&p->buffer);
        avio_context_free(&p);
    }
};
struct FSwrDeleter
{
    void operator()(SwrContext* p) const { swr_free(&p); }
};
struct FSwsDeleter
{
    void operator()(SwsContext* p) const { sws_freeContext(p); }
};

using FAvFormatPtr = std::unique_ptr<AVFormatContext, FAvFormatDeleter>;
using FAvInputPtr = std::unique_ptr<AVFormatContext, FAvInputDeleter>;
using FAvioPtr = std::unique_ptr<AVIOContext, FAvioDeleter>;
using FAvCodecPtr = std::unique_ptr<AVCodecContext, FAvCodecDeleter>;
using FAvFramePtr = std::unique_ptr<AVFrame, FAvFrameDeleter>;
using FAvPacketPtr = std::unique_ptr<AVPacket, FAvPacketDeleter>;
using FAvioBufferPtr = std::unique_ptr<AVIOContext, FAvioBufferDeleter>;
using FSwrPtr = std::unique_ptr<SwrContext, FSwrDeleter>;
using FSwsPtr = std::unique_ptr<SwsContext, FSwsDeleter>;

// Closes the file now and returns what closing it cost (a full disk shows up here),
// which the deleter would have to drop.
inline int CloseAvio(FAvioPtr& io)
{
    AVIOContext* p = io.release();
    return p ? avio_closep(&p) : 0;
}

// Opens a file for reading; the format context owns its file.
inline int OpenInput(FAvInputPtr& out, const char* url)
{
    AVFormatContext* p = nullptr;
    const int result = avformat_open_input(&p, url, nullptr, nullptr);
    out.reset(result < 0 ? nullptr : p);
    return result;
}

// "<what>: <FFmpeg's reason>" for a failed call.
inline std::string AvErrorText(const char* what, int error)
{
    char reason[AV_ERROR_MAX_STRING_SIZE] = {};
    if (av_strerror(error, reason, sizeof reason) < 0)
        snprintf(reason, sizeof reason, "error %d", error);
    return std::string(what) + ": " + reason;
}
