// The audio reader must take any bytes as a file: it opens it within the
// listening tools' limits or refuses it with a message, and what it opens
// reads to its end in finite samples without ever giving more frames than
// it announced.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "FuzzFolder.h"
#include "audio/AudioFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace pelmo;
    const std::string path = fuzz::FuzzFolder("audio") + "input.wav";
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        if (size) std::fwrite(data, 1, size, f);
        std::fclose(f);
    } else {
        return 0;
    }
    TAudioReader reader;
    std::string error;
    if (!reader.Open(path, error)) {
        if (error.empty() || reader.IsOpen()) __builtin_trap();
        return 0;
    }
    const TAudioInfo& info = reader.Info();
    if (info.SampleRate < MinListenRate || info.SampleRate > MaxListenRate || info.Channels < 1 ||
        info.Channels > MaxListenChannels || info.Frames < 0)
        __builtin_trap();
    constexpr std::size_t Block = 4096;
    std::vector<double> samples(Block * static_cast<std::size_t>(info.Channels));
    std::int64_t total = 0;
    // Enough blocks for every announced frame and one more; a reader that
    // gave more would not end.
    for (std::int64_t reads = 0; reads <= info.Frames / static_cast<std::int64_t>(Block) + 1; ++reads) {
        const std::size_t got = reader.Read(samples.data(), Block);
        if (got > Block) __builtin_trap();
        for (std::size_t i = 0; i < got * static_cast<std::size_t>(info.Channels); ++i)
            if (!std::isfinite(samples[i])) __builtin_trap();
        total += static_cast<std::int64_t>(got);
        if (got == 0) break;
    }
    if (total > info.Frames) __builtin_trap();
    return 0;
}
