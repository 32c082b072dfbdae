// Drives the fuzz entry point with seeded random files where libFuzzer is not
// available: a mix of plain bytes, UTF-16 with the mark, and mutated settings lines.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char** argv)
{
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 1000;
    std::mt19937 random(20261206);
    const std::string seeds[] = {
        "Window\t1\t2\t3\t4\r\nBGTexturePath\t\"/a b/c.jpg\"\r\nRotation\t/x.jpg\t5\r\n",
        "CameraPreset\t3\t1\t2\t3\t4\t5\t6\t7\r\n\"\"\t\"\r\n",
        std::string("\xFF\xFEW\0i\0n\0\r\0\n\0", 12),
        "line\\nwith<NEW LINE>escapes\rcr only\r\r\n",
    };
    for (int round = 0; round < rounds; ++round) {
        std::string input = seeds[random() % 4];
        const int edits = static_cast<int>(random() % 24);
        for (int e = 0; e < edits; ++e) {
            const size_t at = input.empty() ? 0 : random() % input.size();
            switch (random() % 4) {
            case 0: input.insert(at, 1, static_cast<char>(random())); break;
            case 1:
                if (!input.empty())
                    input.erase(at, 1);
                break;
            case 2:
                if (!input.empty())
                    input[at] = static_cast<char>(random());
                break;
            default:
                input.insert(at, std::string(random() % 8 == 0 ? random() % 12000 : random() % 40,
                                             static_cast<char>("a\"\t \r\n"[random() % 6])));
                break;
            }
        }
        LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(input.data()), input.size());
    }
    std::printf("%d random files read without a fault\n", rounds);
    return 0;
}
