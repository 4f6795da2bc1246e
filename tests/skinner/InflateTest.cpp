#include "PngReference.h"
#include "skinner/Inflate.h"

#include <gtest/gtest.h>

using namespace pngtest;
using skinner::Inflate;
using skinner::InflateResult;

namespace {

struct Collect : skinner::InflateSink {
    Bytes bytes;
    size_t limit = SIZE_MAX;
    int put_byte(uint8_t b) override {
        if (bytes.size() >= limit)
            return 0;
        bytes.push_back(b);
        return 1;
    }
};

InflateResult inflate(const Bytes& stream, Collect& out) {
    Inflate inflate;
    return inflate.run(stream.data(), stream.size(), out);
}

// A fixed-code block: "ab", then (length 3, distance code d with its extra bits).
Bytes fixed_with_match(int distance_code, uint32_t extra = 0, int extra_bits = 0) {
    BitWriter w;
    w.bits(1, 1);
    w.bits(1, 2);
    w.fixed_symbol('a');
    w.fixed_symbol('b');
    w.fixed_symbol(257);
    w.code(uint32_t(distance_code), 5);
    w.bits(extra, extra_bits);
    w.fixed_symbol(256);
    return w.zlib();
}

// Dynamic block header whose code-length code gives length 1 to the two
// symbols listed (the smaller symbol gets code 0), then the given symbols.
BitWriter dynamic_header(int hlit, int hdist, int first, int second) {
    BitWriter w;
    w.bits(1, 1);
    w.bits(2, 2);
    w.bits(uint32_t(hlit), 5);
    w.bits(uint32_t(hdist), 5);
    static const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    w.bits(15, 4); // all 19 code-length lengths follow
    for (int symbol : order)
        w.bits(symbol == first || symbol == second ? 1 : 0, 3);
    return w;
}

} // namespace

TEST(Inflate, StoredFixedAndBackReferences) {
    Collect out;
    EXPECT_EQ(inflate(stored_zlib({'h', 'i', '!'}, 2), out), InflateResult::done);
    EXPECT_EQ(out.bytes, (Bytes{'h', 'i', '!'}));

    // Distance 2 over "ab" with length 3 overlaps what it writes: "ababa".
    Collect copy;
    EXPECT_EQ(inflate(fixed_with_match(1), copy), InflateResult::done);
    EXPECT_EQ(copy.bytes, (Bytes{'a', 'b', 'a', 'b', 'a'}));
}

TEST(Inflate, HeaderChecks) {
    Collect out;
    EXPECT_EQ(inflate({}, out), InflateResult::corrupt);
    EXPECT_EQ(inflate({0x78}, out), InflateResult::corrupt);
    EXPECT_EQ(inflate({0x79, 0x01, 0x03, 0x00}, out), InflateResult::unsupported); // method 9
    EXPECT_EQ(inflate({0x88, 0x01, 0x03, 0x00}, out), InflateResult::unsupported); // 64 KiB window
    EXPECT_EQ(inflate({0x78, 0x20, 0x03, 0x00}, out), InflateResult::unsupported); // preset dictionary
    EXPECT_EQ(inflate({0x78, 0x01}, out), InflateResult::corrupt);                 // no block at all
    EXPECT_EQ(inflate({0x78, 0x01, 0x07}, out), InflateResult::corrupt);           // block type 3
    EXPECT_TRUE(out.bytes.empty());
}

TEST(Inflate, StoredBlockFaults) {
    Bytes good = stored_zlib({1, 2, 3});
    Collect out;
    Bytes bad_complement = good;
    bad_complement[5] ^= 1;
    EXPECT_EQ(inflate(bad_complement, out), InflateResult::corrupt);
    Bytes too_long = good;
    too_long.pop_back();
    EXPECT_EQ(inflate(too_long, out), InflateResult::corrupt);
    EXPECT_TRUE(out.bytes.empty());
    // A non-final block followed by nothing: its bytes stay, the stream is cut short.
    Bytes unfinished = stored_zlib({1, 2, 3});
    unfinished[2] = 0;
    EXPECT_EQ(inflate(unfinished, out), InflateResult::corrupt);
    EXPECT_EQ(out.bytes, (Bytes{1, 2, 3}));
}

TEST(Inflate, CodedBlockFaultsKeepEarlierBytes) {
    Collect far;
    // Distance code 2 is 3 back, but only 2 bytes exist.
    EXPECT_EQ(inflate(fixed_with_match(2), far), InflateResult::corrupt);
    EXPECT_EQ(far.bytes, (Bytes{'a', 'b'}));
    for (int code : {30, 31}) {
        Collect out;
        EXPECT_EQ(inflate(fixed_with_match(code), out), InflateResult::corrupt) << code;
        EXPECT_EQ(out.bytes, (Bytes{'a', 'b'}));
    }
    for (int symbol : {286, 287}) {
        BitWriter w;
        w.bits(1, 1);
        w.bits(1, 2);
        w.fixed_symbol('z');
        w.fixed_symbol(symbol);
        Collect out;
        EXPECT_EQ(inflate(w.zlib(), out), InflateResult::corrupt) << symbol;
        EXPECT_EQ(out.bytes, Bytes{'z'});
    }
}

TEST(Inflate, DynamicHeaderFaults) {
    // Repeat code 16 with no previous length (code-length codes: 0 -> "0", 16 -> "1").
    BitWriter repeat_first = dynamic_header(0, 0, 0, 16);
    repeat_first.code(1, 1);
    repeat_first.bits(0, 2);
    Collect out;
    EXPECT_EQ(inflate(repeat_first.zlib(), out), InflateResult::corrupt);

    // 18 (138 zeros) twice runs past the 258 lengths of HLIT 257 + HDIST 1.
    BitWriter past_end = dynamic_header(0, 0, 0, 18);
    past_end.code(1, 1);
    past_end.bits(127, 7);
    past_end.code(1, 1);
    past_end.bits(127, 7);
    EXPECT_EQ(inflate(past_end.zlib(), out), InflateResult::corrupt);

    // Three code-length codes of length 1 are over-subscribed.
    BitWriter over;
    over.bits(1, 1);
    over.bits(2, 2);
    over.bits(0, 5);
    over.bits(0, 5);
    over.bits(0, 4);
    for (int len : {1, 1, 1, 0})
        over.bits(uint32_t(len), 3);
    EXPECT_EQ(inflate(over.zlib(), out), InflateResult::corrupt);

    // HLIT 30 would list 287 literal/length codes.
    BitWriter too_many = dynamic_header(30, 0, 0, 18);
    EXPECT_EQ(inflate(too_many.zlib(), out), InflateResult::corrupt);
}

TEST(Inflate, DynamicBlockDecodes) {
    // Code lengths: 'a' (97) and 256 get length 1 (code 0 and 1), distance 0 gets 1.
    // Code-length code: 0 -> "0", 1 -> "10", 18 -> "11" (lengths 1, 2, 2).
    BitWriter w;
    w.bits(1, 1);
    w.bits(2, 2);
    w.bits(0, 5);
    w.bits(0, 5);
    w.bits(15, 4);
    static const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
    for (int symbol : order)
        w.bits(symbol == 0 ? 1 : symbol == 1 || symbol == 18 ? 2 : 0, 3);
    auto zeros = [&w](int n) {
        while (n >= 11) {
            int run = std::min(n, 138);
            w.code(3, 2);
            w.bits(uint32_t(run - 11), 7);
            n -= run;
        }
        while (n-- > 0)
            w.code(0, 1);
    };
    zeros(97);
    w.code(2, 2); // 'a'
    zeros(256 - 98);
    w.code(2, 2); // 256
    w.code(2, 2); // distance 0
    w.code(0, 1); // 'a'
    w.code(0, 1); // 'a'
    w.code(1, 1); // end
    Collect out;
    EXPECT_EQ(inflate(w.zlib(), out), InflateResult::done);
    EXPECT_EQ(out.bytes, (Bytes{'a', 'a'}));
}

TEST(Inflate, SinkRefusalStops) {
    Collect out;
    out.limit = 2;
    EXPECT_EQ(inflate(stored_zlib({1, 2, 3, 4}), out), InflateResult::stopped);
    EXPECT_EQ(out.bytes, (Bytes{1, 2}));
}

TEST(Inflate, DistancesReachBackAFullWindow) {
    // 40000 stored bytes, then a fixed block copying 3 bytes from 32768 back.
    Bytes data(40000);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = uint8_t(i * 7 + i / 256);
    Bytes stream = stored_zlib(data);
    stream[stream.size() - 40000 - 5] = 0; // the last stored block is no longer final
    BitWriter w;
    w.bits(1, 1);
    w.bits(1, 2);
    w.fixed_symbol(257);
    w.code(29, 5);
    w.bits(32768 - 24577, 13);
    w.fixed_symbol(256);
    Bytes tail = w.zlib();
    stream.insert(stream.end(), tail.begin() + 2, tail.end());
    Collect out;
    EXPECT_EQ(inflate(stream, out), InflateResult::done);
    ASSERT_EQ(out.bytes.size(), 40003u);
    for (size_t k = 0; k < 3; ++k)
        EXPECT_EQ(out.bytes[40000 + k], data[40000 - 32768 + k]);
}

TEST(Inflate, OverlappingMatchesRepeatTheirPattern) {
    for (size_t distance : {1, 2, 3, 4, 5, 7, 8, 9, 15, 16, 17, 31, 33}) {
        for (size_t length : {3, 8, 15, 16, 17, 100, 258}) {
            Bytes expected;
            BitWriter w;
            w.bits(1, 1);
            w.bits(1, 2);
            for (size_t i = 0; i < distance; ++i) {
                expected.push_back(uint8_t(i * 37 + 1));
                w.fixed_symbol(expected.back());
            }
            w.fixed_match(length, distance);
            w.fixed_symbol('z');
            w.fixed_symbol(256);
            for (size_t i = 0; i < length; ++i)
                expected.push_back(expected[expected.size() - distance]);
            expected.push_back('z');
            Collect out;
            EXPECT_EQ(inflate(w.zlib(), out), InflateResult::done) << distance << " " << length;
            EXPECT_EQ(out.bytes, expected) << distance << " " << length;
        }
    }
}

TEST(Inflate, EveryCutOfAStreamIsCorruptAndKeepsAPrefix) {
    Bytes data;
    for (int i = 0; i < 3000; ++i)
        data.push_back(uint8_t("skin pictures "[i % 14] + (i % 97 == 0 ? i % 7 : 0)));
    Bytes stream = zlib_level(data, 9);
    stream.resize(stream.size() - 4); // the checksum, which is never read
    for (size_t cut = 0; cut < stream.size(); ++cut) {
        Collect out;
        ASSERT_EQ(inflate(Bytes(stream.begin(), stream.begin() + long(cut)), out), InflateResult::corrupt) << cut;
        ASSERT_TRUE(std::equal(out.bytes.begin(), out.bytes.end(), data.begin())) << cut;
    }
    Collect whole;
    EXPECT_EQ(inflate(stream, whole), InflateResult::done);
    EXPECT_EQ(whole.bytes, data);
}

TEST(Inflate, LongCodesGoThroughSubTables) {
    // Literals 'a'.. get the lengths 1, 2, ..., 14; the end of the block 15.
    // One 15-bit code, all ones, stays unassigned.
    auto block = [](std::initializer_list<std::pair<uint32_t, int>> codes) {
        BitWriter w;
        w.bits(1, 1);
        w.bits(2, 2);
        w.bits(0, 5);
        w.bits(0, 5);
        w.bits(15, 4);
        // Code-length code: 0..15 and 18 have 5 bits each (18 gets code 16).
        static const int order[19] = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};
        for (int symbol : order)
            w.bits(symbol == 16 || symbol == 17 ? 0 : 5, 3);
        auto zeros = [&w](int n) {
            for (; n >= 11; n -= std::min(n, 138)) {
                w.code(16, 5);
                w.bits(uint32_t(std::min(n, 138) - 11), 7);
            }
            for (; n > 0; --n)
                w.code(0, 5);
        };
        zeros(97);
        for (uint32_t len = 1; len <= 14; ++len)
            w.code(len, 5);
        zeros(256 - 111);
        w.code(15, 5); // 256
        w.code(0, 5);  // the one distance code: none
        for (auto [code, length] : codes)
            w.code(code, length);
        return w.zlib();
    };
    auto code_of = [](int length) { return length == 15 ? 0x7FFEu : ((1u << length) - 1) ^ 1u; };
    Collect out;
    EXPECT_EQ(inflate(block({{code_of(1), 1}, {code_of(11), 11}, {code_of(14), 14}, {code_of(15), 15}}), out),
              InflateResult::done);
    EXPECT_EQ(out.bytes, (Bytes{'a', 'k', 'n'}));
    Collect missing;
    EXPECT_EQ(inflate(block({{code_of(12), 12}, {0x7FFF, 15}, {code_of(15), 15}}), missing), InflateResult::corrupt);
    EXPECT_EQ(missing.bytes, Bytes{'l'});
}
