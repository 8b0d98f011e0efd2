#include "platform/capture_receiver.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmora {
namespace {

// Stereo frames numbered from first: left = n, right = -n.
std::vector<std::int16_t> frames(int first, int count) {
    std::vector<std::int16_t> samples;
    for (int n = first; n < first + count; ++n) {
        samples.push_back(static_cast<std::int16_t>(n));
        samples.push_back(static_cast<std::int16_t>(-n));
    }
    return samples;
}

TEST(CaptureReceiver, TakesOnlyFramesRecordedAfterTheStartUntilTheBufferIsFull) {
    CaptureReceiver receiver;
    receiver.setFormat(2, 1000);  // a frame a millisecond
    int reports = 0;
    receiver.setDone([&] { ++reports; });
    std::vector<std::int16_t> buffer(2 * 10, 0);
    ASSERT_TRUE(receiver.setBuffer(buffer.data(), 10));
    ASSERT_TRUE(receiver.arm(1.004));
    EXPECT_FALSE(receiver.setBuffer(buffer.data(), 10));  // not while armed

    // Recorded from 1.000 s on: the first four frames came before the start.
    receiver.deliver(frames(0, 6).data(), 6, 1.000, false);
    EXPECT_EQ(buffer[0], 4);
    EXPECT_EQ(buffer[1], -4);
    EXPECT_EQ(reports, 0);
    receiver.deliver(frames(6, 8).data(), 8, 1.006, false);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(buffer[2 * 9], 13);  // ten frames, 4..13
    // Full: later frames belong to no capture.
    receiver.deliver(frames(14, 6).data(), 6, 1.014, false);
    EXPECT_EQ(buffer[0], 4);
    EXPECT_EQ(reports, 1);
}

TEST(CaptureReceiver, CountsTheOverflowsOfTheArmedCaptureOnly) {
    CaptureReceiver receiver;
    receiver.setFormat(2, 1000);
    std::vector<std::int16_t> buffer(2 * 100, 0);
    receiver.setBuffer(buffer.data(), 100);
    receiver.deliver(frames(0, 4).data(), 4, 0, true);  // not armed yet
    receiver.arm(0);
    EXPECT_EQ(receiver.overflows(), 0);
    receiver.deliver(frames(0, 4).data(), 4, 0, true);
    receiver.deliver(frames(4, 4).data(), 4, 0, false);
    receiver.deliver(frames(8, 4).data(), 4, 0, true);
    EXPECT_EQ(receiver.overflows(), 2);
    receiver.disarm();
    receiver.deliver(frames(12, 4).data(), 4, 0, true);
    EXPECT_EQ(receiver.overflows(), 2);  // what the capture saw stays
    receiver.arm(0);
    EXPECT_EQ(receiver.overflows(), 0);  // a new capture counts anew

    // Cleared: no buffer to arm, nothing taken.
    receiver.clear();
    EXPECT_FALSE(receiver.arm(0));
    receiver.deliver(frames(50, 4).data(), 4, 0, true);
    EXPECT_EQ(buffer[2 * 12], 0);
}

}  // namespace
}  // namespace velmora
