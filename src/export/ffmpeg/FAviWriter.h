#pragma once
// The movie-writing end of the export: takes the frame source's samples (bottom-up
// BGR24 rows padded to 4 bytes) and writes an AVI file, either storing the rows as they
// are or converting them with libswscale for an encoder. Setting up is split into the
// steps the graph reports separately. Every failure leaves FFmpeg's reason in Error().

#include "base/FSettings.h"
#include "base/FString.h"
#include "export/FMediaSample.h"
#include "export/MovieContainer.h"
#include "export/ffmpeg/FFmpegPtr.h"

#include <mutex>
#include <string>

class FAviWriter final : public FSampleSink
{
public:
    FAviWriter() = default;
    ~FAviWriter() override;
    FAviWriter(const FAviWriter&) = delete;
    FAviWriter& operator=(const FAviWriter&) = delete;

    // An AVI muxer for path; nothing is written yet.
    int Create(const FString& path);
    // Uncompressed: the rows go into the file unchanged, stored bottom-up.
    int ConnectRaw(const FMediaType& type);
    // An encoder context for codec, to run at quality 1..100.
    int AddEncoder(const AVCodec* codec, int quality = kDefaultExportQuality);
    // Picks the encoder's pixel format closest to BGR24, sets up the conversion, opens it.
    int ConnectEncoder(const FMediaType& type);
    // The encoder's stream in the AVI.
    int ConnectEncoderToMux();
    // Creates (or overwrites) the file.
    int OpenFile();
    // On failure the half-written file is closed and removed again.
    int WriteHeader();
    bool FileOpened() const { return headerWritten_; }

    // Streaming thread.
    int Receive(const FMediaSample& sample) override;
    // Flushes the encoder, writes the index and closes the file.
    void EndOfStream() override { Finish(); }

    // The same, callable again: later calls return the first call's result.
    int Finish();

    int64_t FramesWritten() const { return framesWritten_; }
    // The last failure, "<what>: <FFmpeg's reason>"; empty when nothing failed.
    std::string Error() const;

private:
    int Fail(const char* what, int error);
    int WritePacket(AVPacket* packet);
    int Drain();

    FString path_;
    FMovieContainer container_ = FMovieContainer::Avi;
    int quality_ = kDefaultExportQuality;
    FAvioPtr io_; // before the format context, so the context goes first
    FAvFormatPtr format_;
    FAvCodecPtr encoder_;
    FSwsPtr convert_;
    FAvFramePtr frame_;
    FAvPacketPtr packet_;
    AVStream* stream_ = nullptr; // owned by format_
    AVRational frameRate_{0, 1};
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t stride_ = 0;
    int64_t framesWritten_ = 0;
    bool headerWritten_ = false;
    bool finished_ = false;
    int finishResult_ = 0;

    mutable std::mutex errorMutex_; // the streaming thread fails, the render thread asks why
    std::string error_;
};
