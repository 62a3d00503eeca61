// Writes a raw capture for quenvo-log --replay: FRAMES consecutive 14-byte
// frames of a bench session (the virtual meter's), with noise in the bits the
// receiver ignores. The replay figure in bench/replay-figure uses it.
//
//   make_capture FRAMES FILE [SEED]
#include "link/frameencoder.h"
#include "virtualmeter/benchsession.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char **argv)
{
    if (argc != 3 && argc != 4) {
        std::fprintf(stderr, "usage: %s FRAMES FILE [SEED]\n", argv[0]);
        return 2;
    }
    const long long frames = std::atoll(argv[1]);
    const std::uint64_t seed = argc == 4 ? std::strtoull(argv[3], nullptr, 10) : 1;
    if (frames < 1) {
        std::fprintf(stderr, "FRAMES must be 1 or more\n");
        return 2;
    }
    std::FILE *file = std::fopen(argv[2], "wb");
    if (!file) {
        std::perror(argv[2]);
        return 1;
    }
    BenchSession session(seed);
    for (long long i = 0; i < frames; ++i) {
        const auto bytes =
            encodeMeterFrame(session.next(), static_cast<std::uint64_t>(i) * 0x9E3779B97F4A7C15ull);
        if (std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) {
            std::perror(argv[2]);
            std::fclose(file);
            return 1;
        }
    }
    if (std::fclose(file) != 0) {
        std::perror(argv[2]);
        return 1;
    }
    return 0;
}
