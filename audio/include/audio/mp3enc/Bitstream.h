#pragma once
#include "audio/mp3enc/BitWriter.h"
#include "audio/mp3enc/GranuleInfo.h"

#include <cstdint>
#include <deque>
#include <vector>

namespace audio::mp3enc {

// Fields of a layer III frame header that vary in this encoder.
struct FrameHeader {
    int version = 0;        // 1 MPEG-1, 0 MPEG-2 and MPEG-2.5
    bool mpeg25 = false;    // output rate below 16000 Hz
    int bitrate_index = 0;
    int rate_index = 0;
    bool padding = false;
    bool stereo = false;    // joint stereo with mid/side, else single channel
};

// Bytes of header and side information: 21 or 36 (MPEG-1), 13 or 21 (MPEG-2 and 2.5).
int side_info_bytes(int version, bool stereo);

// The layer III stream: each frame's header and side information are queued with the place in the
// main-data stream where its slots begin, so that main data can start in earlier frames' slots
// (the bit reservoir). A frame is handed out once its slots are filled.
class Bitstream {
public:
    // Bytes of main data written ahead of the next frame's slots (its main_data_begin).
    int main_data_begin() const;
    // Queues the header and side information of the next frame, whose whole length is frame_bytes.
    void add_frame(const FrameHeader& header, int frame_bytes, const GranuleInfo* const gi[2][2]);
    // Main data of the frames, written behind everything before.
    BitWriter& main_data() { return main_; }
    // Ancillary stuffing: the marker text as far as whole bytes fit, then alternating bits.
    void write_ancillary(int bits);
    // Moves every frame whose slots are full to out.
    void take_finished(std::vector<uint8_t>& out);
    // Ends the stream: fills the last frames' open slots with zeros and moves everything to out.
    void finish(std::vector<uint8_t>& out);

private:
    struct Pending {
        std::vector<uint8_t> head;
        int64_t slot_start = 0;   // bit position in the main-data stream
        int64_t slot_bits = 0;
    };
    BitWriter main_;
    int64_t main_consumed_bits_ = 0;   // main-data bits already handed out
    int64_t slots_end_ = 0;            // end of the slots of all queued frames
    std::deque<Pending> pending_;
    int ancillary_bit_ = 0;
};

} // namespace audio::mp3enc
