// Time of one page-turn rebuild (bend of 1120 vertices plus normals), the work a
// turning page costs every frame. Prints the median over many repetitions.

#include "render/FPage.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

int main()
{
    constexpr int kRepetitions = 20000;
    FPage page(true, false);
    std::vector<double> microseconds;
    microseconds.reserve(kRepetitions);
    float checksum = 0;
    for (int i = 0; i < kRepetitions; ++i) {
        // A different position every time, as during a turn, so nothing is cached.
        page.builtPosition = TurnEnd * static_cast<float>(i % 1000) / 1000.0f;
        const auto start = std::chrono::steady_clock::now();
        page.DeformPage(i % 2 == 0 ? 1 : -1);
        const auto end = std::chrono::steady_clock::now();
        microseconds.push_back(std::chrono::duration<double, std::micro>(end - start).count());
        checksum += page.vertices[500].y;
    }
    std::nth_element(microseconds.begin(), microseconds.begin() + kRepetitions / 2, microseconds.end());
    std::printf("DeformPage (1120 vertices + normals): median %.2f us over %d runs (checksum %g)\n",
                microseconds[kRepetitions / 2], kRepetitions, static_cast<double>(checksum));
    return 0;
}
