// Runs one fuzz target over every file of its seed folder, as the fuzzer would start.
// Usage: qb_fuzz_replay <target> <seed folder>
#include "support/FuzzReplay.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <target> <seed folder>\n", argv[0]);
        return 2;
    }
    const auto& targets = qbtest::FuzzTargets();
    const auto target = std::find_if(targets.begin(), targets.end(),
                                     [&](const qbtest::FuzzTarget& t) { return std::strcmp(t.name, argv[1]) == 0; });
    if (target == targets.end()) {
        std::fprintf(stderr, "no fuzz target %s\n", argv[1]);
        return 2;
    }
    std::vector<std::filesystem::path> seeds;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(argv[2], ec))
        if (entry.is_regular_file()) seeds.push_back(entry.path());
    if (seeds.empty()) {
        std::fprintf(stderr, "no seeds in %s\n", argv[2]);
        return 1;
    }
    std::sort(seeds.begin(), seeds.end());
    if (target->initialize) target->initialize(&argc, &argv);
    for (const auto& seed : seeds) {
        std::ifstream in(seed, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::printf("%s: %s (%zu bytes)\n", argv[1], seed.filename().c_str(), bytes.size());
        std::fflush(stdout);
        target->testOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    }
    std::printf("%zu seeds replayed\n", seeds.size());
    return 0;
}
