#include "export/FFrameGrabber.h"
#include "export/FPushSource.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <thread>
#include <vector>

using namespace std::chrono_literals;

namespace {
// A 7 x 3 frame (21 bytes per row, 24 with padding) filled with one value.
struct OneColourFrame
{
    std::vector<uint8_t> bytes = std::vector<uint8_t>(7 * 3 * 4, 0);
    FFrameGrabber grabber{FFrameView{bytes.data(), 7, 3, 28}, 7, 3};
};

// Records the first byte of each sample the streaming thread delivers; can refuse them.
// The record is read only once the thread has stopped.
struct RecordingSink : FSampleSink
{
    int Receive(const FMediaSample& sample) override
    {
        received.push_back(sample.Data()[0]);
        ++count;
        return refuse ? -1 : 0;
    }
    void EndOfStream() override { ++endsOfStream; }

    std::vector<uint8_t> received;
    std::atomic<int> count = 0, endsOfStream = 0;
    bool refuse = false;
};

double SecondsOf(const std::function<void()>& action)
{
    const auto start = std::chrono::steady_clock::now();
    action();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
} // namespace

TEST(FPushPin, StopWhileWaitingEndsAtOnceButAnIdleStreamEndsWithAFailure)
{
    OneColourFrame frame;
    RecordingSink sink;
    FPushPin pin(&frame.grabber, 25.0f, kFrameWait);
    ASSERT_EQ(pin.Active(&sink), kResultOk);
    std::this_thread::sleep_for(50ms);
    EXPECT_LT(SecondsOf([&] { pin.Inactive(); }), 2.0);
    EXPECT_TRUE(sink.endsOfStream == 1 && pin.StreamResult() == kResultOk);

    // Idle longer than the wait: nobody takes frames any more, and the render thread
    // learns it without waiting.
    FPushPin idle(&frame.grabber, 25.0f, 50ms);
    ASSERT_EQ(idle.Active(&sink), kResultOk);
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(idle.PushFrame());
    idle.Inactive();
    EXPECT_TRUE(sink.endsOfStream == 2 && idle.StreamResult() == kResultFail && sink.received.empty());
}

TEST(FPushPin, RefusedSampleEndsStreamingAndPushFrameFailsWithoutWaiting)
{
    OneColourFrame frame;
    RecordingSink sink;
    sink.refuse = true;
    FPushPin pin(&frame.grabber, 25.0f, kFrameWait);
    ASSERT_EQ(pin.Active(&sink), kResultOk);
    EXPECT_TRUE(pin.PushFrame());
    for (int i = 0; i < 5000 && sink.count == 0; ++i)
        std::this_thread::sleep_for(1ms);
    bool pushed = true;
    EXPECT_LT(SecondsOf([&] { pushed = pin.PushFrame(); }), 5.0);
    EXPECT_FALSE(pushed);
    pin.Inactive();
    EXPECT_EQ(pin.StreamResult(), -1);
}

TEST(FPushPin, FramePushedBeforeTheStreamingThreadStartsIsNotLost)
{
    OneColourFrame frame;
    std::fill(frame.bytes.begin(), frame.bytes.end(), 77);
    frame.grabber.ProcessFrame();
    RecordingSink sink;
    FPushPin pin(&frame.grabber, 25.0f, kFrameWait);
    auto pushed = std::async(std::launch::async, [&] { return pin.PushFrame(); });
    std::this_thread::sleep_for(50ms);
    ASSERT_EQ(pin.Active(&sink), kResultOk);
    EXPECT_TRUE(pushed.get());
    pin.Inactive();
    ASSERT_EQ(sink.received.size(), 1u);
    EXPECT_EQ(sink.received[0], 77);
}
