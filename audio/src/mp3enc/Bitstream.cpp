#include "audio/mp3enc/Bitstream.h"

#include <cstring>

namespace audio::mp3enc {

namespace {

// Texts carried in ancillary stuffing.
const char kAncillaryMarker[] = "LAME";
const char kAncillaryVersion[] = "3.93.1";

constexpr int kModeJointStereo = 1;
constexpr int kModeSingleChannel = 3;
constexpr int kModeExtensionMidSide = 2;

void write_granule(BitWriter& w, const GranuleInfo& gi, bool mpeg1) {
    w.put(static_cast<uint32_t>(gi.part2_3_length), 12);
    w.put(static_cast<uint32_t>(gi.big_values), 9);
    w.put(static_cast<uint32_t>(gi.global_gain), 8);
    w.put(static_cast<uint32_t>(gi.scalefac_compress), mpeg1 ? 4 : 9);
    w.put(0, 1);              // window_switching_flag
    for (int t : gi.table_select)
        w.put(static_cast<uint32_t>(t == 14 ? 16 : t), 5);
    w.put(static_cast<uint32_t>(gi.region0_count), 4);
    w.put(static_cast<uint32_t>(gi.region1_count), 3);
    if (mpeg1)
        w.put(0, 1);  // preflag
    w.put(static_cast<uint32_t>(gi.scalefac_scale), 1);
    w.put(static_cast<uint32_t>(gi.count1table_select), 1);
}

} // namespace

int side_info_bytes(int version, bool stereo) {
    if (version == 1)
        return stereo ? 36 : 21;
    return stereo ? 21 : 13;
}

int Bitstream::main_data_begin() const {
    return static_cast<int>((slots_end_ - main_.bit_count()) / 8);
}

void Bitstream::add_frame(const FrameHeader& h, int frame_bytes, const GranuleInfo* const gi[2][2]) {
    const bool mpeg1 = h.version == 1;
    const int channels = h.stereo ? 2 : 1;
    const int granules = mpeg1 ? 2 : 1;
    BitWriter w;
    w.put(h.mpeg25 ? 0xFFE : 0xFFF, 12);
    w.put(static_cast<uint32_t>(h.version), 1);
    w.put(1, 2);  // layer III
    w.put(1, 1);  // no CRC
    w.put(static_cast<uint32_t>(h.bitrate_index), 4);
    w.put(static_cast<uint32_t>(h.rate_index), 2);
    w.put(h.padding, 1);
    w.put(0, 1);  // private bit
    w.put(h.stereo ? kModeJointStereo : kModeSingleChannel, 2);
    w.put(h.stereo ? kModeExtensionMidSide : 0, 2);
    w.put(0, 1);  // copyright
    w.put(1, 1);  // original
    w.put(0, 2);  // emphasis

    w.put(static_cast<uint32_t>(main_data_begin()), mpeg1 ? 9 : 8);
    if (mpeg1) {
        w.put(0, channels == 1 ? 5 : 3);
        for (int ch = 0; ch < channels; ++ch)
            w.put(0xF, 4);  // scfsi: the zero scale factors of granule 1 equal granule 0's
    } else {
        w.put(0, channels == 1 ? 1 : 2);
    }
    for (int gr = 0; gr < granules; ++gr)
        for (int ch = 0; ch < channels; ++ch)
            write_granule(w, *gi[gr][ch], mpeg1);

    Pending p;
    p.head = w.bytes();
    p.slot_start = slots_end_;
    p.slot_bits = (static_cast<int64_t>(frame_bytes) - static_cast<int64_t>(p.head.size())) * 8;
    slots_end_ += p.slot_bits;
    pending_.push_back(std::move(p));
}

void Bitstream::write_ancillary(int bits) {
    if (bits >= 8) {
        for (size_t i = 0; i < std::strlen(kAncillaryMarker) && bits >= 8; ++i, bits -= 8)
            main_.put(static_cast<uint8_t>(kAncillaryMarker[i]), 8);
        if (bits >= 32)
            for (size_t i = 0; i < std::strlen(kAncillaryVersion) && bits >= 8; ++i, bits -= 8)
                main_.put(static_cast<uint8_t>(kAncillaryVersion[i]), 8);
    }
    for (; bits > 0; --bits) {
        main_.put(static_cast<uint32_t>(ancillary_bit_), 1);
        ancillary_bit_ ^= 1;
    }
}

void Bitstream::take_finished(std::vector<uint8_t>& out) {
    while (!pending_.empty()) {
        const Pending& p = pending_.front();
        if (p.slot_start + p.slot_bits > main_.bit_count())
            break;
        out.insert(out.end(), p.head.begin(), p.head.end());
        const size_t from = static_cast<size_t>((p.slot_start - main_consumed_bits_) / 8);
        const size_t count = static_cast<size_t>(p.slot_bits / 8);
        const auto& bytes = main_.bytes();
        out.insert(out.end(), bytes.begin() + static_cast<std::ptrdiff_t>(from),
                   bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
        main_.drop_front(from + count);
        main_consumed_bits_ = p.slot_start + p.slot_bits;
        pending_.pop_front();
    }
}

void Bitstream::finish(std::vector<uint8_t>& out) {
    main_.align();
    while (main_.bit_count() < slots_end_)
        main_.put(0, 8);
    take_finished(out);
}

} // namespace audio::mp3enc
