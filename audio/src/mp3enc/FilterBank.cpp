#include "audio/mp3enc/FilterBank.h"

#include "audio/mp3enc/Tables.h"

#include <cmath>
#include <cstddef>
#include <utility>

namespace audio::mp3enc {

namespace {

constexpr int kMatrixBits = 14;
constexpr int kMdctBits = 18;
constexpr int kAliasBits = 14;
constexpr int64_t kHalfSqrt2 = 11585;  // 1/sqrt(2) in Q14
// Window (2^21) x matrix (2^14) x 16-bit input (2^15 per unit) leaves 2^50 per unit; keep 2^28.
constexpr int kSubbandShift = kWindowScaleBits + kMatrixBits + 15 - 28;

const double kAliasC[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};

template <ptrdiff_t Stride, typename T, size_t... I>
int64_t dot_terms(const int32_t* coefficients, const T* values, std::index_sequence<I...>) {
    return (... + (static_cast<int64_t>(coefficients[I]) * values[static_cast<ptrdiff_t>(I) * Stride]));
}

// Sum of coefficients[i] * values[i * Stride] for i < N, written out term by term: as a loop the
// compiler's usual optimisation keeps a counter and a branch for every product of the filter bank.
template <size_t N, ptrdiff_t Stride = 1, typename T>
int64_t dot(const std::array<int32_t, N>& coefficients, const T* values) {
    return dot_terms<Stride>(coefficients.data(), values, std::make_index_sequence<N>{});
}

} // namespace

FilterBank::FilterBank() {
    const double pi = std::acos(-1.0);
    auto matrix = [pi](int k, int m) {
        return static_cast<int32_t>(std::lround(std::cos((2 * k + 1) * m * pi / 64) * (1 << kMatrixBits)));
    };
    for (int k = 0; k < 8; ++k)
        for (int t = 0; t < 8; ++t) {
            rows4_[k][t] = matrix(k, 4 * t);
            rows2_[k][t] = matrix(k, 4 * t + 2);
        }
    for (int k = 0; k < 16; ++k)
        for (int n = 0; n < 16; ++n)
            rows1_[k][n] = matrix(k, 2 * n + 1);
    for (int k = 0; k < 18; ++k)
        for (int i = 0; i < 36; ++i) {
            const double window = std::sin(pi / 36 * (i + 0.5));
            const double c = std::cos(pi / 72 * (2 * i + 19) * (2 * k + 1));
            mdct_[k][i] = static_cast<int32_t>(std::lround(window * c / 9 * (1 << kMdctBits)));
        }
    for (int i = 0; i < 8; ++i) {
        const double root = std::sqrt(1 + kAliasC[i] * kAliasC[i]);
        cs_[i] = static_cast<int32_t>(std::lround(1 / root * (1 << kAliasBits)));
        ca_[i] = static_cast<int32_t>(std::lround(kAliasC[i] / root * (1 << kAliasBits)));
    }
    for (int i = 0; i < 64; ++i)
        for (int j = 0; j < 8; ++j)
            window_[i][j] = analysis_window(i + 64 * j);
}

void FilterBank::set_lowpass(double normalized) {
    lowpass_band_ = kSubbands;
    for (int band = 0; band < kSubbands; ++band)
        if (band / 31.0 >= normalized) {
            lowpass_band_ = band;
            break;
        }
}

void FilterBank::analyze_slot(const int16_t* newest, int64_t* bands) const {
    // ISO 11172-3 analysis: X[i] is the sample i steps back from the newest.
    int64_t y[64];
    for (int i = 0; i < 64; ++i)
        y[i] = dot<8, -64>(window_[i], newest - i);
    // The matrix row cos((2k + 1)(i - 16) pi / 64) is even about i = 16 and odd about i = 48 (where
    // it is zero): y folds to 32 sums z[m] for the rows cos((2k + 1) m pi / 64).
    int64_t z[32];
    z[0] = y[16];
    for (int m = 1; m <= 16; ++m)
        z[m] = y[16 + m] + y[16 - m];
    for (int m = 17; m < 32; ++m)
        z[m] = y[16 + m] - y[80 - m];
    // Row 31 - k is row k with the odd m negated, and of the even m, row 15 - k is row k with
    // m = 2 (mod 4) negated: each partial sum serves two bands. Only sums are shared, every product
    // is the one of the full matrix, so the bands are exactly the full matrix's.
    int64_t z4[8], z2[8], z1[16];
    for (int t = 0; t < 8; ++t) {
        z4[t] = z[4 * t];
        z2[t] = z[4 * t + 2];
    }
    for (int n = 0; n < 16; ++n)
        z1[n] = z[2 * n + 1];
    int64_t even[16];
    for (int k = 0; k < 8; ++k) {
        const int64_t a = dot(rows4_[k], z4);
        const int64_t b = dot(rows2_[k], z2);
        even[k] = a + b;
        even[15 - k] = a - b;
    }
    for (int k = 0; k < 16; ++k) {
        const int64_t odd = dot(rows1_[k], z1);
        bands[k] = (even[k] + odd) >> kSubbandShift;
        bands[31 - k] = (even[k] - odd) >> kSubbandShift;
    }
    for (int k = lowpass_band_; k < kSubbands; ++k)
        bands[k] = 0;
}

void FilterBank::analyze(const int16_t* pcm, SubbandSamples& out) const {
    for (int slot = 0; slot < kSlots; ++slot) {
        analyze_slot(pcm + 511 + 32 * slot, out[slot].data());
        // The decoder inverts every odd band in odd time slots; pre-invert so the two cancel.
        if (slot % 2)
            for (int k = 1; k < kSubbands; k += 2)
                out[slot][k] = -out[slot][k];
    }
}

void FilterBank::mdct(const SubbandSamples& previous, const SubbandSamples& current, int64_t* xr) const {
    for (int band = 0; band < kSubbands; ++band) {
        int64_t* lines = xr + band * 18;
        if (band >= lowpass_band_) {
            for (int k = 0; k < 18; ++k)
                lines[k] = 0;
            continue;
        }
        int64_t in[36];
        for (int i = 0; i < 18; ++i) {
            in[i] = previous[i][band];
            in[i + 18] = current[i][band];
        }
        for (int k = 0; k < 18; ++k)
            lines[k] = dot(mdct_[k], in) >> kMdctBits;
    }
    // Alias reduction: the transpose of the decoder's butterflies.
    for (int band = 1; band < kSubbands; ++band) {
        int64_t* boundary = xr + band * 18;
        for (int i = 0; i < 8; ++i) {
            const int64_t a = boundary[-1 - i];
            const int64_t b = boundary[i];
            boundary[-1 - i] = (a * cs_[i] + b * ca_[i]) >> kAliasBits;
            boundary[i] = (b * cs_[i] - a * ca_[i]) >> kAliasBits;
        }
    }
}

void FilterBank::mid_side(int64_t* left, int64_t* right) {
    for (int i = 0; i < 576; ++i) {
        const int64_t l = left[i];
        const int64_t r = right[i];
        left[i] = ((l + r) * kHalfSqrt2) >> 14;
        right[i] = ((l - r) * kHalfSqrt2) >> 14;
    }
}

} // namespace audio::mp3enc
