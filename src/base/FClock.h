#pragma once
// The program's millisecond clock: monotonic, wrapping at 2^32 like the timer
// the animations were tuned with. Callers take differences as unsigned.

#include <chrono>
#include <cstdint>

inline uint32_t MillisecondClock()
{
    using namespace std::chrono;
    return static_cast<uint32_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
