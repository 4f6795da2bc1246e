#pragma once
// Shared by the sound-file fuzz targets: the input becomes a file in a private device root.
#include "audio/PlayChain.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <type_traits>
#include <unistd.h>

namespace fuzz_audio {

inline void drain(audio::Provider<audio::PCMData>& provider) {
    for (int pulls = 0; pulls < 100000; ++pulls) {
        audio::PCMData block;
        provider.get_data(block, 4096);
        if (block.empty()) break;
    }
}

inline std::string write_input(const uint8_t* data, size_t size) {
    static std::string path;
    if (path.empty()) {
        char root[] = "/tmp/chimely-fuzz-XXXXXX";
        if (!mkdtemp(root)) std::abort();
        setenv("CHIMELY_ROOT", root, 1);
        path = std::string(root) + "/input";
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) std::abort();
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    return path;
}

// Opens the input with the reader R (and the decoder D behind it, when R is not PCM), drains it,
// seeks to the middle, before the start and past the end, and drains again.
template <class R, class D = void> void run(const uint8_t* data, size_t size) {
    write_input(data, size);
    std::unique_ptr<audio::PlayChain> chain;
    if constexpr (std::is_void_v<D>)
        chain = std::make_unique<audio::PlayChainReaderOnly<R>>(std::make_unique<R>(L"\\input"), L"input", L"");
    else
        chain = std::make_unique<audio::PlayChainReaderDecoder<R, D>>(std::make_unique<R>(L"\\input"), L"input", L"");
    audio::FileReader* r = chain->reader();
    r->length_time();
    drain(*chain->provider());
    r->set_position(r->length() / 2);
    drain(*chain->provider());
    r->set_position(-1);
    r->seek_time(1e9);
    drain(*chain->provider());
}

} // namespace fuzz_audio
