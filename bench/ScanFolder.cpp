// Time to open a folder of 1000 photos: listing, birth times and the sort by name
// and by date, as ScanFolder does it. Prints the medians.

#include "photos/PhotoFolder.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    std::string pattern = (std::filesystem::temp_directory_path() / "photobook-scan-XXXXXX").string();
    const std::string dir = ::mkdtemp(pattern.data());
    for (int i = 0; i < count; ++i)
        std::ofstream(dir + "/IMG_" + std::to_string((i * 7919) % 100000) + ".jpg") << 'x';
    const FString folder = FString::FromUtf8(dir);

    for (bool byDate : {false, true}) {
        std::vector<double> times;
        size_t found = 0;
        for (int run = 0; run < 31; ++run) {
            std::vector<FPhotoEntry> photos;
            photos.reserve(1024);
            const auto start = std::chrono::steady_clock::now();
            ListPhotos(folder, 1024, photos);
            SortPhotos(photos, byDate);
            times.push_back(
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
            found = photos.size();
        }
        std::sort(times.begin(), times.end());
        std::printf("scan of %zu photos, sorted by %s: median %.2f ms\n", found, byDate ? "date" : "name",
                    times[times.size() / 2]);
    }
    std::filesystem::remove_all(dir);
    return 0;
}
