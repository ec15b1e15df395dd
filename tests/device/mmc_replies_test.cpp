// Reply decoders: big-endian wire fields into host order, and the choices
// the component makes among the descriptors a drive returns.

#include <gtest/gtest.h>

#include <array>

#include "engine/device/mmc_replies.h"

namespace sorvane {
namespace {

TEST(TrackInformation, EveryFieldIsConvertedFromBigEndian) {
    std::array<std::uint8_t, 40> reply{};
    const std::uint8_t head[] = {0x00, 0x26, 0x03, 0x02, 0x00, 0x04, 0x41, 0x01,  // length, track, session, modes
                                 0x00, 0x00, 0x30, 0x39,                          // track start 12345
                                 0x00, 0x01, 0x02, 0x03,                          // next writable
                                 0xFF, 0xFF, 0xFF, 0xFF,                          // free blocks
                                 0x00, 0x00, 0x00, 0x10,                          // fixed packet size
                                 0x12, 0x34, 0x56, 0x78,                          // track size
                                 0x87, 0x65, 0x43, 0x21};                         // last recorded
    std::copy(std::begin(head), std::end(head), reply.begin());
    const TTrackInfo info = DecodeTrackInfo(reply);
    EXPECT_EQ(info.DataLength, 0x26);
    EXPECT_EQ(info.TrackNumber, 3);
    EXPECT_EQ(info.SessionNumber, 2);
    EXPECT_EQ(info.TrackMode, 0x04);
    EXPECT_EQ(info.DataMode, 0x41);
    EXPECT_EQ(info.ValidFlags, 0x01);
    EXPECT_EQ(info.TrackStart, 12345u);
    EXPECT_EQ(info.NextWritable, 0x00010203u);
    EXPECT_EQ(info.FreeBlocks, 0xFFFFFFFFu);
    EXPECT_EQ(info.FixedPacketSize, 16u);
    EXPECT_EQ(info.TrackSize, 0x12345678u);
    EXPECT_EQ(info.LastRecorded, 0x87654321u);
}

TEST(FormatCapacities, TheFirstDescriptorWithTwoKilobyteBlocksOrDvdPlusRwFormatWins) {
    auto reply = [](std::array<std::uint8_t, 8> current, std::array<std::uint8_t, 8> second,
                    std::array<std::uint8_t, 8> third) {
        std::array<std::uint8_t, 248> r{};
        r[3] = 24;
        std::copy(current.begin(), current.end(), r.begin() + 4);
        std::copy(second.begin(), second.end(), r.begin() + 12);
        std::copy(third.begin(), third.end(), r.begin() + 20);
        return r;
    };
    // Current descriptor with descriptor byte 0 and 2048-byte blocks.
    EXPECT_EQ(SelectFormatCapacity(reply({0, 0, 0x10, 0, 0, 0, 8, 0}, {}, {})), 0x1000u);
    // A formatted disc (descriptor type 2) falls through to the second one.
    EXPECT_EQ(SelectFormatCapacity(reply({0, 0, 0x10, 0, 2, 0, 8, 0}, {0, 0, 0x20, 0, 0, 0, 8, 0}, {})), 0x2000u);
    // Format type 26h (DVD+RW) with a zero parameter.
    EXPECT_EQ(SelectFormatCapacity(reply({0, 0, 0x10, 0, 2, 0, 8, 0}, {0, 0x23, 0x05, 0x40, 0x98, 0, 0, 0}, {})),
              0x230540u);
    EXPECT_EQ(SelectFormatCapacity(
                  reply({0, 0, 0x10, 0, 2, 0, 8, 0}, {0, 0, 0x20, 0, 0x94, 0, 8, 1}, {0, 0, 0x30, 0, 0, 0, 8, 0})),
              0x3000u);
    // Nothing fits: the current descriptor whatever it says.
    EXPECT_EQ(SelectFormatCapacity(reply({0xFF, 0xFD, 0, 1, 3, 0, 8, 0}, {}, {})), 0xFFFD0001u);
}

TEST(ModePage, FoundAfterTheHeaderAfterABlockDescriptorOrOneByteEarly) {
    std::array<std::uint8_t, 64> reply{};
    reply[8] = 0x05;
    EXPECT_EQ(LocateModePage(reply, 0x05), 8u);
    reply.fill(0);
    reply[7] = 8;  // block descriptor length
    reply[16] = 0x85;  // PS bit set
    EXPECT_EQ(LocateModePage(reply, 0x05), 16u);
    reply.fill(0);
    reply[7] = 0x2A;
    EXPECT_EQ(LocateModePage(reply, 0x2A), 7u);
    reply.fill(0);
    EXPECT_EQ(LocateModePage(reply, 0x2A), 8u);
}

TEST(Atip, LeadOutStartInSectorsFromMinutesSecondsFrames) {
    std::array<std::uint8_t, 26> atip{};
    atip[12] = 79;
    atip[13] = 59;
    atip[14] = 74;
    EXPECT_EQ(AtipLeadOutStart(atip), 79u * 4500 + 59 * 75 + 74);
}

}  // namespace
}  // namespace sorvane
