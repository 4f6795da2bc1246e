#include "AudioTestFiles.h"
#include "audio/BlockCodec.h"
#include "audio/Link.h"

#include <gtest/gtest.h>

#include <deque>

using namespace audio;
using namespace audio_test;

namespace {

// Hands out the queued blocks, at most count frames at a time.
class QueueProvider : public Provider<PCMData> {
public:
    void get_data(PCMData& out, int count) override {
        requests.push_back(count);
        out = PCMData();
        if (queue.empty()) return;
        PCMData& front = queue.front();
        size_t n = std::min<size_t>(size_t(count) * front.frame_size(), front.buffer.length());
        out = front;
        out.buffer = front_bytes(front.buffer, n);
        front.buffer = drop_front_bytes(front.buffer, n);
        if (front.empty()) queue.pop_front();
    }
    std::deque<PCMData> queue;
    std::vector<int> requests;
};

class Collector : public Consumer<PCMData> {
public:
    void on_data(const PCMData& block) override { blocks.push_back(block); }
    std::vector<PCMData> blocks;
};

// "Decodes" by doubling each 16-bit sample into a stereo frame.
class Doubler : public BlockDecoderPCM<PCMData> {
public:
    PCMData decode(const PCMData& in) override {
        ++decodes;
        std::vector<int16_t> s = samples_of(in), out;
        for (int16_t v : s) { out.push_back(v); out.push_back(v); }
        return pcm_block(out, 2, in.sample_rate);
    }
    int input_request(int) override { return 100; }
    int decodes = 0;
};

// "Encodes" four mono samples by summing them.
class Summer : public BlockEncoderPCM<PCMData> {
public:
    PCMData encode(const PCMData& staging) override {
        int sum = 0;
        for (int16_t v : samples_of(staging)) sum += v;
        return pcm_block({int16_t(sum)}, 1, staging.sample_rate);
    }
    PCMData make_block(const PCMData& format) override {
        if (format.bits_per_sample != 16 || format.channels != 1) return PCMData();
        PCMData staging = format;
        staging.buffer = liba::SharedBuffer(8);
        return staging;
    }
};

} // namespace

TEST(Link, ConnectMovesAProviderAndLeavesTheOldConsumerUnlinked) {
    QueueProvider provider;
    Collector first, second;
    connect<PCMData>(&provider, &first);
    EXPECT_EQ(first.provider, &provider);
    connect<PCMData>(&provider, &second);
    EXPECT_EQ(first.provider, nullptr);
    EXPECT_EQ(second.provider, &provider);
    EXPECT_EQ(provider.consumer, &second);
    connect<PCMData>(&provider, nullptr);
    EXPECT_EQ(second.provider, nullptr);
    EXPECT_EQ(provider.consumer, nullptr);
}

TEST(Link, ConnectUnlinksTheConsumersPreviousProvider) {
    QueueProvider a, b;
    Collector consumer;
    connect<PCMData>(&a, &consumer);
    connect<PCMData>(&b, &consumer);
    EXPECT_EQ(a.consumer, nullptr);
    EXPECT_EQ(b.consumer, &consumer);
}

TEST(Link, EitherSideMayGoFirst) {
    auto provider = std::make_unique<QueueProvider>();
    {
        Collector consumer;
        connect<PCMData>(provider.get(), &consumer);
    }
    EXPECT_EQ(provider->consumer, nullptr);
    provider->deliver(pcm_block({1}, 1, 8000));   // nobody listening: nothing happens

    Collector consumer;
    connect<PCMData>(provider.get(), &consumer);
    provider.reset();
    EXPECT_EQ(consumer.provider, nullptr);
    PCMData out;
    consumer.pull(out, 10);
    EXPECT_TRUE(out.empty());
}

TEST(BlockDecoder, HandsOnPendingFramesWithoutDecodingAgain) {
    QueueProvider source;
    Doubler decoder;
    connect<PCMData>(&source, &decoder);
    source.queue.push_back(pcm_block({1, 2, 3, 4, 5}, 1, 8000));
    PCMData out;
    decoder.get_data(out, 2);
    EXPECT_EQ(samples_of(out), (std::vector<int16_t>{1, 1, 2, 2}));
    EXPECT_EQ(out.channels, 2);
    decoder.get_data(out, 10);
    EXPECT_EQ(samples_of(out), (std::vector<int16_t>{3, 3, 4, 4, 5, 5}));
    EXPECT_EQ(decoder.decodes, 1);
    decoder.get_data(out, 10);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(out.channels, 0);
}

TEST(BlockDecoder, PushedBlocksAreDecodedAndDelivered) {
    Doubler decoder;
    Collector sink;
    connect<PCMData>(&decoder, &sink);
    decoder.on_data(pcm_block({7}, 1, 8000));
    ASSERT_EQ(sink.blocks.size(), 1u);
    EXPECT_EQ(samples_of(sink.blocks[0]), (std::vector<int16_t>{7, 7}));
}

TEST(BlockEncoder, StagesWholeBlocksAndDropsOtherFormats) {
    Summer encoder;
    Collector sink;
    connect<PCMData>(&encoder, &sink);
    encoder.on_data(pcm_block({1, 2, 3}, 2, 8000));   // refused: no staging block yet
    encoder.on_data(pcm_block({1, 2, 3}, 1, 8000));   // accepted later
    encoder.on_data(pcm_block({4, 5, 6, 7, 8, 9}, 1, 8000));
    encoder.on_data(pcm_block({100, 100}, 1, 16000)); // another rate: dropped
    ASSERT_EQ(sink.blocks.size(), 2u);
    EXPECT_EQ(samples_of(sink.blocks[0]), std::vector<int16_t>{10});
    EXPECT_EQ(samples_of(sink.blocks[1]), std::vector<int16_t>{26});
}

TEST(BlockEncoder, PullEndsWhenUpstreamRunsDry) {
    QueueProvider source;
    Summer encoder;
    connect<PCMData>(&source, &encoder);
    source.queue.push_back(pcm_block({1, 2}, 1, 8000));
    source.queue.push_back(pcm_block({3, 4}, 1, 8000));
    source.queue.push_back(pcm_block({5}, 1, 8000));
    PCMData out;
    encoder.get_data(out, 1);
    EXPECT_EQ(samples_of(out), std::vector<int16_t>{10});
    encoder.get_data(out, 1);
    EXPECT_TRUE(out.empty());
    for (int request : source.requests) EXPECT_LE(request, 4);
}
