#pragma once
// The records the frame source hands downstream: result codes, the one media type it
// offers, a media sample, and the consumer of samples (the movie writer, or a test's fake).

#include <cstdint>
#include <vector>

// Negative means failure; kResultFalse is the success that ends a stream.
inline constexpr int kResultOk = 0;
inline constexpr int kResultFalse = 1;
inline constexpr int kResultFail = -1;
inline constexpr int kResultPointer = -2;
inline constexpr int kResultInvalidArg = -3;
inline constexpr int kResultOutOfMemory = -4;
inline constexpr int kResultTypeNotAccepted = -5;

enum class FVideoSubtype
{
    RGB24,
    RGB32
};

// Uncompressed bottom-up bitmap frames (a positive height means row 0 is the bottom row).
struct FMediaType
{
    bool video = true;
    FVideoSubtype subtype = FVideoSubtype::RGB24;
    int64_t averageTimePerFrame = 0; // 100 ns units
    int32_t headerSize = 40;
    int32_t width = 0;
    int32_t height = 0;
    int32_t planes = 1;
    int32_t bitCount = 24;
    uint32_t compression = 0; // none
    int32_t imageSize = 0;    // stride * height
    bool temporalCompression = false;
    int32_t sampleSize = 0;

    bool operator==(const FMediaType&) const = default;
};

struct FMediaSample
{
    std::vector<uint8_t> buffer; // the allocator's one buffer, reused for every frame
    int32_t actualLength = 0;    // bytes of frame data at the start of buffer
    int64_t start = 0;           // presentation times in 100 ns units
    int64_t stop = 0;
    bool syncPoint = false;

    uint8_t* Data() { return buffer.empty() ? nullptr : buffer.data(); }
    const uint8_t* Data() const { return buffer.empty() ? nullptr : buffer.data(); }
};

// Receives samples on the streaming thread, one at a time; the sample belongs to the
// sender again when Receive returns.
class FSampleSink
{
public:
    virtual ~FSampleSink() = default;
    // A negative result ends the streaming thread without an end of stream.
    virtual int Receive(const FMediaSample& sample) = 0;
    virtual void EndOfStream() = 0;
};
