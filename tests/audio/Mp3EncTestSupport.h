#pragma once
// Helpers for the MP3 encoder tests: signals, a libmad decode of a whole stream, an independent
// frame-header walk and signal measures.
#include "audio/mp3enc/Mp3Enc.h"

#include <mad.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

namespace mp3test {

inline std::vector<int16_t> sine(double frequency, int rate, int count, double amplitude, double phase = 0) {
    std::vector<int16_t> out(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        out[i] = static_cast<int16_t>(std::lround(amplitude * std::sin(2 * M_PI * frequency * i / rate + phase)));
    return out;
}

// Encodes in frame-size calls, as the recording stage does, then flushes.
inline std::vector<uint8_t> encode(const std::vector<int16_t>& left, const std::vector<int16_t>& right, int rate,
                                   int channels, int kbps) {
    std::unique_ptr<audio::Mp3EncHandle, void (*)(audio::Mp3EncHandle*)> h(audio::mp3enc_create(rate, channels, kbps),
                                                                          audio::mp3enc_destroy);
    std::vector<uint8_t> out;
    if (!h)
        return out;
    const int frame = audio::mp3enc_frame_samples(h.get());
    std::vector<uint8_t> buffer(16384);
    for (size_t i = 0; i < left.size(); i += static_cast<size_t>(frame)) {
        const int n = static_cast<int>(std::min(left.size() - i, static_cast<size_t>(frame)));
        const int written = audio::mp3enc_encode(h.get(), left.data() + i, right.empty() ? nullptr : right.data() + i,
                                                 n, buffer.data(), static_cast<int>(buffer.size()));
        if (written < 0)
            return {};
        out.insert(out.end(), buffer.begin(), buffer.begin() + written);
    }
    const int written = audio::mp3enc_flush(h.get(), buffer.data(), static_cast<int>(buffer.size()));
    if (written > 0)
        out.insert(out.end(), buffer.begin(), buffer.begin() + written);
    return out;
}

struct Decoded {
    std::vector<int16_t> left, right;
    int channels = 0;
    int rate = 0;
    int frames = 0;
    int errors = 0;
    std::vector<int> modes;  // MAD_MODE_* per frame
    std::vector<int> mode_extensions;
};

inline int16_t to_pcm(mad_fixed_t v) {
    v += 1L << (MAD_F_FRACBITS - 16);
    if (v >= MAD_F_ONE)
        v = MAD_F_ONE - 1;
    if (v < -MAD_F_ONE)
        v = -MAD_F_ONE;
    return static_cast<int16_t>(v >> (MAD_F_FRACBITS + 1 - 16));
}

// Decodes every frame with libmad; errors counts every decoding error, frames the decoded frames.
inline Decoded decode(const std::vector<uint8_t>& bytes) {
    Decoded d;
    std::vector<uint8_t> input(bytes);
    input.resize(bytes.size() + MAD_BUFFER_GUARD, 0);
    mad_stream stream;
    mad_frame frame;
    mad_synth synth;
    mad_stream_init(&stream);
    mad_frame_init(&frame);
    mad_synth_init(&synth);
    mad_stream_buffer(&stream, input.data(), input.size());
    for (;;) {
        if (mad_frame_decode(&frame, &stream) != 0) {
            if (stream.error == MAD_ERROR_BUFLEN)
                break;
            if (stream.this_frame >= input.data() + bytes.size())
                break;  // the guard bytes
            ++d.errors;
            if (!MAD_RECOVERABLE(stream.error))
                break;
            continue;
        }
        mad_synth_frame(&synth, &frame);
        ++d.frames;
        d.channels = MAD_NCHANNELS(&frame.header);
        d.rate = static_cast<int>(frame.header.samplerate);
        d.modes.push_back(frame.header.mode);
        d.mode_extensions.push_back(frame.header.mode_extension);
        for (int i = 0; i < synth.pcm.length; ++i) {
            d.left.push_back(to_pcm(synth.pcm.samples[0][i]));
            if (synth.pcm.channels == 2)
                d.right.push_back(to_pcm(synth.pcm.samples[1][i]));
        }
    }
    mad_synth_finish(&synth);
    mad_frame_finish(&frame);
    mad_stream_finish(&stream);
    return d;
}

// A frame header as read independently of both encoder and decoder.
struct Header {
    int version = 0;  // 1, 2, or 25
    int layer = 0;
    int kbps = 0;
    int rate = 0;
    bool padding = false;
    int mode = 0;
    int mode_extension = 0;
    int length = 0;
};

// Walks the stream frame by frame from its first byte; false when a header is bad or the last
// frame is cut off.
inline bool walk_frames(const std::vector<uint8_t>& bytes, std::vector<Header>& out) {
    static const int kbps1[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0};
    static const int kbps2[] = {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0};
    static const int rates[3][3] = {{44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};
    size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.size() - at < 4)
            return false;
        const uint32_t h = (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) | (uint32_t{bytes[at + 2]} << 8) | bytes[at + 3];
        if ((h >> 21) != 0x7FF)
            return false;
        Header f;
        const int version_bits = (h >> 19) & 3;
        if (version_bits == 1)
            return false;
        f.version = version_bits == 3 ? 1 : version_bits == 2 ? 2 : 25;
        f.layer = 4 - static_cast<int>((h >> 17) & 3);
        const int bitrate_index = (h >> 12) & 15;
        const int rate_index = (h >> 10) & 3;
        if (rate_index == 3 || bitrate_index == 0 || bitrate_index == 15)
            return false;
        f.kbps = f.version == 1 ? kbps1[bitrate_index] : kbps2[bitrate_index];
        f.rate = rates[f.version == 1 ? 0 : f.version == 2 ? 1 : 2][rate_index];
        f.padding = (h >> 9) & 1;
        f.mode = (h >> 6) & 3;
        f.mode_extension = (h >> 4) & 3;
        f.length = (f.version == 1 ? 144000 : 72000) * f.kbps / f.rate + (f.padding ? 1 : 0);
        if (at + static_cast<size_t>(f.length) > bytes.size())
            return false;
        out.push_back(f);
        at += static_cast<size_t>(f.length);
    }
    return true;
}

// Best delay of decoded against input (0..max_lag) by correlation, and the SNR in dB at it over
// the input's span, ignoring edge samples.
struct Alignment {
    int lag = 0;
    double snr_db = 0;
};

inline Alignment align(const std::vector<int16_t>& input, const std::vector<int16_t>& decoded, int max_lag,
                       int skip) {
    Alignment best{0, -1e9};
    double best_corr = -1e300;
    const int n = static_cast<int>(input.size());
    for (int lag = 0; lag <= max_lag; ++lag) {
        double corr = 0;
        for (int i = skip; i < n - skip; i += 3)
            if (i + lag < static_cast<int>(decoded.size()))
                corr += static_cast<double>(input[i]) * decoded[i + lag];
        if (corr > best_corr) {
            best_corr = corr;
            best.lag = lag;
        }
    }
    double signal = 0, noise = 0;
    for (int i = skip; i < n - skip; ++i) {
        const double d = i + best.lag < static_cast<int>(decoded.size()) ? decoded[i + best.lag] : 0;
        signal += static_cast<double>(input[i]) * input[i];
        noise += (input[i] - d) * (input[i] - d);
    }
    best.snr_db = 10 * std::log10(signal / std::max(noise, 1e-9));
    return best;
}

// Frequency (Hz, 10 Hz steps up to rate / 2) with the most energy in samples [from, from + count).
inline double dominant_frequency(const std::vector<int16_t>& s, int rate, size_t from, size_t count) {
    double best_f = 0, best_p = -1;
    for (double f = 10; f < rate / 2.0; f += 10) {
        double re = 0, im = 0;
        for (size_t i = from; i < from + count && i < s.size(); ++i) {
            re += s[i] * std::cos(2 * M_PI * f * static_cast<double>(i) / rate);
            im += s[i] * std::sin(2 * M_PI * f * static_cast<double>(i) / rate);
        }
        const double p = re * re + im * im;
        if (p > best_p) {
            best_p = p;
            best_f = f;
        }
    }
    return best_f;
}

inline double rms(const std::vector<int16_t>& s, size_t from, size_t count) {
    double sum = 0;
    size_t n = 0;
    for (size_t i = from; i < from + count && i < s.size(); ++i, ++n)
        sum += static_cast<double>(s[i]) * s[i];
    return n ? std::sqrt(sum / static_cast<double>(n)) : 0;
}

} // namespace mp3test
