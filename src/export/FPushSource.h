#pragma once
// The export's frame source. The render thread converts a frame into the grabber and
// calls PushFrame; the pin's streaming thread copies it into a sample, stamps it and
// hands it to the sink, one frame in flight. The threads meet only on three auto-reset
// events (stop, frame ready, frame consumed) with bounded waits.

#include "export/FAutoResetEvent.h"
#include "export/FMediaSample.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <thread>

class FFrameGrabber;

// How long either thread waits for the other before giving up.
inline constexpr std::chrono::milliseconds kFrameWait{20000};

class FPushPin
{
public:
    FPushPin(FFrameGrabber* grabber, float framesPerSecond, std::chrono::milliseconds wait);
    ~FPushPin();
    FPushPin(const FPushPin&) = delete;
    FPushPin& operator=(const FPushPin&) = delete;

    const char* Name() const { return "Out"; }

    // The only type offered; remembered as the pin's offered type.
    FMediaType GetMediaType();
    // kResultOk for exactly the offered type, else kResultTypeNotAccepted.
    int CheckMediaType(const FMediaType& type) const;
    // Sizes the one sample buffer: max(image size + 10 240, requested) bytes.
    int DecideBufferSize(int32_t requested = 0);
    // Waits for a frame (or stop) and fills the sample: kResultOk with a frame,
    // kResultFalse when stopped (end of stream), kResultFail on time-out.
    int FillBuffer(FMediaSample& sample);

    // Starts the streaming thread delivering into sink (not owned).
    int Active(FSampleSink* sink);
    // Signals stop and waits for the streaming thread to end; a thread waiting for a
    // frame ends the stream at once.
    int Inactive();
    // Render thread: hands over the grabber's current frame. True once the streaming
    // thread took it (or stop came); false on time-out or when the streaming thread has
    // already ended, since then no one will ever take it.
    bool PushFrame();

    int32_t Width() const { return width_; }
    int32_t Height() const { return height_; }
    int32_t BitsPerPixel() const { return bitsPerPixel_; }
    int32_t Stride() const { return ((bitsPerPixel_ * width_) / 8 + 3) & ~3; }
    int32_t ImageSize() const { return Stride() * height_; }
    int64_t FrameLength() const { return frameLength_; }
    // The streaming thread's failure that ended it (kResultOk otherwise); read after Inactive.
    int StreamResult() const { return streamResult_; }

private:
    void StreamingThread();

    FFrameGrabber* grabber_ = nullptr; // not owned
    int32_t width_ = 0;
    int32_t height_ = 0;
    int32_t bitsPerPixel_ = 24;
    int64_t frameLength_ = 0;
    int64_t streamTime_ = 0; // streaming thread only
    FVideoSubtype subtype_ = FVideoSubtype::RGB24;
    FMediaType offered_;
    std::chrono::milliseconds wait_;

    std::shared_ptr<FEventGroup> events_ = std::make_shared<FEventGroup>();
    FAutoResetEvent stop_{events_};
    FAutoResetEvent frameReady_{events_};
    FAutoResetEvent frameConsumed_{events_};
    FAutoResetEvent ended_{events_, true};

    FMediaSample sample_;
    FSampleSink* sink_ = nullptr;
    std::thread thread_;
    std::atomic<int> streamResult_{kResultOk};
};

class FPushSource
{
public:
    // result: kResultInvalidArg without a grabber, kResultOutOfMemory when the pin
    // cannot be allocated, else kResultOk.
    FPushSource(FFrameGrabber* grabber, float framesPerSecond, int& result,
                std::chrono::milliseconds wait = kFrameWait);

    const char* Name() const { return "PushSource"; }
    FPushPin* Pin() { return pin_.get(); }
    // False without a pin.
    bool PushFrame() { return pin_ ? pin_->PushFrame() : false; }

private:
    std::unique_ptr<FPushPin> pin_;
};
