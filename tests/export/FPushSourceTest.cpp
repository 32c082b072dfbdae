#include "export/FFrameGrabber.h"
#include "export/FPushSource.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <future>
#include <mutex>
#include <vector>

using namespace std::chrono_literals;

namespace {
// A 7 x 3 frame (21 bytes per row, 24 with padding) filled with one value.
struct OneColourFrame
{
    std::vector<uint8_t> bytes = std::vector<uint8_t>(7 * 3 * 4, 0);
    FFrameGrabber grabber{FFrameView{bytes.data(), 7, 3, 28}, 7, 3};

    void Paint(uint8_t value)
    {
        std::fill(bytes.begin(), bytes.end(), value);
        grabber.ProcessFrame();
    }
};

struct Received
{
    int64_t start, stop;
    bool syncPoint;
    std::vector<uint8_t> data;
};

// Records what the streaming thread delivers; can refuse it.
class RecordingSink : public FSampleSink
{
public:
    int Receive(const FMediaSample& sample) override
    {
        std::unique_lock lock(mutex_);
        received.push_back({sample.start, sample.stop, sample.syncPoint,
                            std::vector<uint8_t>(sample.Data(), sample.Data() + sample.actualLength)});
        changed_.notify_all();
        return refuse ? -1 : 0;
    }
    void EndOfStream() override
    {
        std::lock_guard lock(mutex_);
        ++endsOfStream;
    }
    void WaitForSamples(size_t count)
    {
        std::unique_lock lock(mutex_);
        changed_.wait_for(lock, 5s, [&] { return received.size() >= count; });
    }

    std::vector<Received> received;
    int endsOfStream = 0;
    bool refuse = false;

private:
    std::mutex mutex_;
    std::condition_variable changed_;
};

double SecondsOf(const std::function<void()>& action)
{
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
} // namespace

TEST(FPushPin, OffersBottomUpRgb24WithPaddedRowsAndTruncatedFrameLengths)
{
    std::vector<uint8_t> bytes(161 * 4 * 10);
    FFrameGrabber grabber(FFrameView{bytes.data(), 161, 10, 161 * 4}, 161, 10);
    const struct
    {
        float fps;
        int64_t length; // 100 ns units
    } cases[] = {{25.0f, 400000}, {29.97f, 333667}, {30.0f, 333333}, {100.0f, 100000}, {1.0f, 10000000}};
    for (const auto& c : cases)
        EXPECT_EQ(FPushPin(&grabber, c.fps, kFrameWait).FrameLength(), c.length) << c.fps;

    FPushPin pin(&grabber, 25.0f, kFrameWait);
    const FMediaType type = pin.GetMediaType();
    EXPECT_EQ(type.subtype, FVideoSubtype::RGB24);
    EXPECT_EQ(type.averageTimePerFrame, 400000);
    EXPECT_EQ(type.height, 10); // positive: bottom-up
    EXPECT_EQ(type.imageSize, 484 * 10);
    EXPECT_EQ(type.sampleSize, 484 * 10);
    EXPECT_EQ(pin.CheckMediaType(type), kResultOk);
    FMediaType topDown = type;
    topDown.height = -10;
    EXPECT_EQ(pin.CheckMediaType(topDown), kResultTypeNotAccepted);
}

TEST(FPushPin, EachSampleCarriesItsOwnFrameAndConsecutiveStamps)
{
    OneColourFrame frame;
    RecordingSink sink;
    FPushPin pin(&frame.grabber, 25.0f, kFrameWait);
    ASSERT_EQ(pin.Active(&sink), kResultOk);
    for (int k = 0; k < 10; ++k) {
        frame.Paint(static_cast<uint8_t>(10 + k));
        ASSERT_TRUE(pin.PushFrame()) << k;
    }
    pin.Inactive();

    ASSERT_EQ(sink.received.size(), 10u);
    EXPECT_EQ(sink.endsOfStream, 1);
    EXPECT_EQ(sink.received[0].start, 0);
    EXPECT_EQ(sink.received[9].start, 3600000);
    EXPECT_EQ(sink.received[9].stop, 4000000);
    for (int k = 0; k < 10; ++k) {
        const Received& sample = sink.received[k];
        EXPECT_EQ(sample.stop - sample.start, 400000);
        EXPECT_TRUE(sample.syncPoint);
        ASSERT_EQ(sample.data.size(), 24u * 3);
        // Pixel bytes of each row carry the value pushed; the row padding stays zero.
        EXPECT_EQ(sample.data[0], 10 + k);
        EXPECT_EQ(sample.data[24 + 20], 10 + k);
        EXPECT_EQ(sample.data[23], 0);
    }
}

TEST(FPushPin, StopWhileWaitingForAFrameEndsTheStreamAtOnce)
{
    OneColourFrame frame;
    RecordingSink sink;
    FPushPin pin(&frame.grabber, 25.0f, kFrameWait);
    ASSERT_EQ(pin.Active(&sink), kResultOk);
    std::this_thread::sleep_for(50ms);
    EXPECT_LT(SecondsOf([&] { pin.Inactive(); }), 2.0);
    EXPECT_EQ(sink.endsOfStream, 1);
    EXPECT_TRUE(sink.received.empty());
    EXPECT_EQ(pin.StreamResult(), kResultOk);
}

TEST(FPushPin, StreamingThreadIdleLongerThanTheWaitEndsTheStreamWithAFailure)
{
    OneColourFrame frame;
    RecordingSink sink;
    FPushPin pin(&frame.grabber, 25.0f, 50ms);
    ASSERT_EQ(pin.Active(&sink), kResultOk);
    std::this_thread::sleep_for(300ms);
    // Nobody takes frames any more, and the render thread learns it without waiting.
    EXPECT_FALSE(pin.PushFrame());
    pin.Inactive();
    EXPECT_EQ(sink.endsOfStream, 1);
    EXPECT_EQ(pin.StreamResult(), kResultFail);
}

TEST(FPushPin, RefusedSampleEndsStreamingAndPushFrameFailsWithoutWaiting)
{
    OneColourFrame frame;
    RecordingSink sink;
    sink.refuse = true;
    FPushPin pin(&frame.grabber, 25.0f, kFrameWait);
    ASSERT_EQ(pin.Active(&sink), kResultOk);
    EXPECT_TRUE(pin.PushFrame());
    sink.WaitForSamples(1);
    bool pushed = true;
    EXPECT_LT(SecondsOf([&] { pushed = pin.PushFrame(); }), 5.0);
    EXPECT_FALSE(pushed);
    pin.Inactive();
    EXPECT_EQ(pin.StreamResult(), -1);
}

TEST(FPushPin, FramePushedBeforeTheStreamingThreadStartsIsNotLost)
{
    OneColourFrame frame;
    frame.Paint(77);
    RecordingSink sink;
    FPushPin pin(&frame.grabber, 25.0f, kFrameWait);
    auto pushed = std::async(std::launch::async, [&] { return pin.PushFrame(); });
    std::this_thread::sleep_for(50ms);
    ASSERT_EQ(pin.Active(&sink), kResultOk);
    EXPECT_TRUE(pushed.get());
    pin.Inactive();
    ASSERT_EQ(sink.received.size(), 1u);
    EXPECT_EQ(sink.received[0].data[0], 77);
}

TEST(FPushSource, NeedsAGrabber)
{
    int result = kResultOk;
    FPushSource none(nullptr, 25.0f, result);
    EXPECT_EQ(result, kResultInvalidArg);
    EXPECT_FALSE(none.PushFrame());

    OneColourFrame frame;
    FPushSource source(&frame.grabber, 25.0f, result);
    EXPECT_EQ(result, kResultOk);
    ASSERT_NE(source.Pin(), nullptr);
}
