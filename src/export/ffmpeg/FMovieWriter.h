#pragma once
// The movie writer: reduces each supersampled frame with the frame grabber, converts
// it with libswscale for the encoder (or stores uncompressed AVI rows as they are)
// and muxes it into the file. Music, when there is any, is decoded and fitted to
// the movie in Open, before the file exists; the worker encodes it as the frames
// go, stamped by sample count, and the muxer interleaves the two. The render thread only copies a frame into a free
// queue slot; reduction, encoding and writing run on the writer's own thread, so
// rendering the next frame overlaps them. The slots are allocated once in Open.

#include "export/FFrameSink.h"
#include "export/SoundtrackMix.h"
#include "export/ffmpeg/FFmpegPtr.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class FMovieWriter final : public FFrameSink
{
public:
    // frameWait bounds the render thread's wait for a free slot; tests shorten it.
    explicit FMovieWriter(std::chrono::milliseconds frameWait = kFrameWait, int slotCount = 2);
    ~FMovieWriter() override;
    FMovieWriter(const FMovieWriter&) = delete;
    FMovieWriter& operator=(const FMovieWriter&) = delete;

    FSinkError Open(const FMovieConfig& config, const FFrameView& source) override;
    FSinkError Write(const FFrameView& frame) override;
    FSinkError Finish() override;
    int32_t FramesWritten() const override { return framesWritten_; }
    double MusicSeconds() const override { return musicSeconds_; }

private:
    FSinkError OpenEncoder(const FString& name, const AVCodec* codec);
    FSinkError OpenSoundtrack();
    FSinkError OpenFile();
    // Remembers the first failure; the ones after it are its consequences.
    FSinkError Fail(const FString& text, const char* what = nullptr, int error = 0);
    FSinkError Failure() const;
    void Work();
    int StoreBitmap();
    int WritePacket(AVPacket* packet, AVRational timeBase, AVStream* stream);
    // Writes the packets the encoder has ready to stream; failure names what was lost.
    int DrainPackets(AVCodecContext* encoder, AVStream* stream, const char* failure);
    int Drain();
    // Encodes the soundtrack up to the sample `until` (whole encoder frames only,
    // unless last), then writes what the encoder gives.
    int EncodeSound(int64_t until, bool last);
    int DrainSound();
    int Close();

    std::chrono::milliseconds frameWait_;
    FMovieConfig config_;
    std::unique_ptr<FFrameGrabber> grabber_;
    AVRational frameRate_{25, 1};
    FAvioPtr io_; // before the format context, so the context goes first
    FAvFormatPtr format_;
    FAvCodecPtr encoder_;
    FSwsPtr convert_;
    FAvFramePtr frame_;
    FAvPacketPtr packet_;
    AVStream* stream_ = nullptr; // owned by format_
    std::unique_ptr<FSoundtrackMix> music_;
    double musicSeconds_ = 0;
    FAvCodecPtr soundEncoder_;
    FAvFramePtr soundFrame_;
    AVStream* soundStream_ = nullptr; // owned by format_
    int soundFrameSize_ = 0;
    int64_t soundSent_ = 0; // the soundtrack's next sample for the encoder
    std::vector<float> soundLeft_, soundRight_;
    bool headerWritten_ = false;
    bool finished_ = false;

    // The queue: slots [read_, read_ + filled_) hold frames, the first of them the
    // one the worker is on; only the render thread writes the next one.
    std::vector<std::vector<uint8_t>> slots_;
    int32_t sourceWidth_ = 0;
    int32_t sourceHeight_ = 0;
    int read_ = 0;
    int filled_ = 0;
    bool stopping_ = false;
    bool failed_ = false;
    FSinkError error_; // guarded by mutex_ while the worker runs
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::atomic<int32_t> framesWritten_{0};
    std::thread worker_;
};
