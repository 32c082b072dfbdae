#include "export/FPushSource.h"

#include "export/FFrameGrabber.h"

#include <algorithm>
#include <new>

FPushPin::FPushPin(FFrameGrabber* grabber, float framesPerSecond, std::chrono::milliseconds wait)
    : grabber_(grabber), wait_(wait)
{
    if (grabber_) {
        width_ = grabber_->Width();
        height_ = grabber_->Height();
    }
    // Computed in double from the float rate: 29.97f gives 333 667, not 333 666.
    if (framesPerSecond > 0)
        frameLength_ = static_cast<int64_t>(10000000.0 / static_cast<double>(framesPerSecond));
}

FPushPin::~FPushPin()
{
    Inactive();
}

FMediaType FPushPin::GetMediaType()
{
    FMediaType type;
    type.subtype = subtype_;
    type.averageTimePerFrame = frameLength_;
    type.width = width_;
    type.height = height_;
    type.bitCount = bitsPerPixel_;
    type.imageSize = ImageSize();
    type.sampleSize = ImageSize();
    offered_ = type;
    return type;
}

int FPushPin::CheckMediaType(const FMediaType& type) const
{
    return type == offered_ ? kResultOk : kResultTypeNotAccepted;
}

int FPushPin::DecideBufferSize(int32_t requested)
{
    const int32_t size = std::max(ImageSize() + 10240, requested);
    try {
        sample_.buffer.assign(static_cast<size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        return kResultFail;
    }
    return kResultOk;
}

int FPushPin::FillBuffer(FMediaSample& sample)
{
    FAutoResetEvent* events[] = {&stop_, &frameReady_};
    const int signalled = FAutoResetEvent::WaitAny(events, 2, wait_);
    if (signalled == 0)
        return kResultFalse;
    if (signalled != 1)
        return kResultFail;

    sample.start = streamTime_;
    sample.stop = streamTime_ + frameLength_;
    streamTime_ = sample.stop;
    sample.syncPoint = true;
    // A frame that cannot be copied still counts as delivered; the sample keeps old bytes.
    uint8_t* data = sample.Data();
    const int32_t stride = Stride();
    if (data && grabber_ && grabber_->IsValid() && sample.buffer.size() >= static_cast<size_t>(ImageSize())) {
        for (int32_t r = 0; r < height_; ++r)
            grabber_->ReadRow(r, data + static_cast<size_t>(r) * static_cast<size_t>(stride));
        sample.actualLength = ImageSize();
    }
    frameConsumed_.Set();
    return kResultOk;
}

int FPushPin::Active(FSampleSink* sink)
{
    if (!sink)
        return kResultPointer;
    if (thread_.joinable())
        return kResultOk;
    if (sample_.buffer.empty()) {
        const int result = DecideBufferSize();
        if (result < 0)
            return result;
    }
    sink_ = sink;
    streamResult_ = kResultOk;
    // frame ready keeps its signal: a frame pushed before the thread runs is not lost.
    stop_.Reset();
    ended_.Reset();
    thread_ = std::thread([this] { StreamingThread(); });
    return kResultOk;
}

int FPushPin::Inactive()
{
    if (!thread_.joinable())
        return kResultOk;
    stop_.Set();
    thread_.join();
    return kResultOk;
}

bool FPushPin::PushFrame()
{
    frameReady_.Set();
    FAutoResetEvent* events[] = {&stop_, &frameConsumed_, &ended_};
    const int signalled = FAutoResetEvent::WaitAny(events, 3, wait_);
    return signalled == 0 || signalled == 1;
}

void FPushPin::StreamingThread()
{
    for (;;) {
        const int filled = FillBuffer(sample_);
        if (filled == kResultOk) {
            const int received = sink_->Receive(sample_);
            if (received < 0) {
                streamResult_ = received;
                break;
            }
            continue;
        }
        // Stopped or nothing came in time: either way the consumer gets its end of stream.
        sink_->EndOfStream();
        if (filled < 0)
            streamResult_ = filled;
        break;
    }
    ended_.Set();
}

FPushSource::FPushSource(FFrameGrabber* grabber, float framesPerSecond, int& result, std::chrono::milliseconds wait)
{
    if (!grabber) {
        result = kResultInvalidArg;
        return;
    }
    pin_.reset(new (std::nothrow) FPushPin(grabber, framesPerSecond, wait));
    result = pin_ ? kResultOk : kResultOutOfMemory;
}
