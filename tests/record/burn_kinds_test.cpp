// A project recorded on every disc kind the component writes: the commands
// the drive receives, in order, and the volume the disc holds afterwards.

#include <gtest/gtest.h>

#include <regex>

#include "engine/device/disc_kind.h"
#include "engine/rtl/format.h"
#include "tests/record/burn_fixture.h"

namespace sorvane {
namespace {

using namespace sorvane::test;
using K = vdrive::TMediumKind;

// The release every successful recording ends with: the CD page, the
// fastest reading and slowest writing, the tray unlocked and loaded.
const std::vector<std::string> kRelease = {"PAGE wt=1 ms=3 test=0", "SPEED w=2", "REZERO", "UNLOCK", "LOAD", "REZERO"};

struct TKindCase {
    const char* Name;
    K Medium;
    // Every FORMAT UNIT parameter list sent, in order.
    std::vector<std::vector<std::uint8_t>> Formats;
    // The write thread's steps; {A} is the session's first sector, {S} the
    // sector after the image (start + GetImageSize), {E} the sector after
    // the last write, {N} the sectors reserved.
    std::vector<std::string> Steps;
};

void PrintTo(const TKindCase& row, std::ostream* out) { *out << row.Name; }

std::vector<std::string> With(std::vector<std::string> steps, const std::vector<std::string>& tail) {
    steps.insert(steps.end(), tail.begin(), tail.end());
    return steps;
}

const std::vector<std::uint8_t> kQuickFormatSequential = {0x00, 0xA2, 0x00, 0x08, 0x00, 0x00,
                                                          0x03, 0xE8, 0x54, 0x00, 0x00, 0x10};
const std::vector<std::uint8_t> kQuickGrow = {0x00, 0x82, 0x00, 0x08, 0x00, 0x00, 0x00, 0x00, 0x4C, 0x00, 0x00, 0x10};
const std::vector<std::uint8_t> kQuickFormatFallback = {0x00, 0x82, 0x00, 0x08, 0x00, 0x00,
                                                        0x00, 0x00, 0x54, 0x00, 0x00, 0x10};

std::vector<TKindCase> Cases() {
    const std::vector<std::string> cd = With(
        {"BUFFER", "LOAD", "REZERO", "SPEED w=65535", "PAGE wt=1 ms=0 test=0", "OPC", "WRITES {A}..{E}/27", "BUFFER",
         "SYNC", "PAGE wt=1 ms=3 test=0", "CLOSE IMMED 2 0", "BUFFER"},
        kRelease);
    const std::vector<std::string> dvdRw = With(
        {"BUFFER", "LOAD", "REZERO", "SPEED w=65535", "PAGE wt=0 ms=3 test=0", "STREAMING {A}-{S}", "OPC",
         "WRITES 0..32/32", "SYNC", "WRITES {A}..{E}/32", "BUFFER", "SYNC IMMED", "PAGE wt=0 ms=3 test=0",
         "CLOSE IMMED 2 0", "BUFFER"},
        kRelease);
    std::vector<std::string> dvdRwGrown = dvdRw;
    // Behind the descriptors lies what the disc held: it is written back.
    dvdRwGrown.insert(dvdRwGrown.begin() + 7, "READ 0+32");
    return {
        {"CdR", K::CdR, {}, cd},
        {"CdRw", K::CdRw, {}, cd},
        {"DvdR",
         K::DvdR,
         {},
         With({"BUFFER", "LOAD", "REZERO", "SPEED w=65535", "PAGE wt=0 ms=3 test=0", "STREAMING {A}-{S}",
               "STREAMING 0-2298495", "TIMESTAMP", "RESERVE {N}", "OPC", "WRITES {A}..{E}/32", "BUFFER", "SYNC IMMED",
               "CLOSE IMMED 1 1", "CLOSE IMMED 1 2", "CLOSE IMMED 2 3", "BUFFER"},
              kRelease)},
        // Formatted into restricted overwrite first, with a small formatted
        // area the session grows from.
        {"DvdRwSequential", K::DvdRw, {kQuickFormatSequential}, dvdRwGrown},
        // Formatted to its end, the disc cannot be grown: the quick grow is
        // refused and the quick format follows.
        {"DvdRwRestrictedOverwrite", K::DvdRwRestricted, {kQuickGrow, kQuickFormatFallback}, dvdRw},
        {"DvdPlusR",
         K::DvdPlusR,
         {},
         With({"BUFFER", "LOAD", "REZERO", "SPEED w=65535", "PAGE wt=2 ms=3 test=0", "STREAMING {A}-{S}", "OPC",
               "WRITES {A}..{E}/32", "BUFFER", "SYNC", "PAGE wt=2 ms=3 test=0", "CLOSE 1 1", "CLOSE 2 255", "BUFFER"},
              kRelease)},
        {"DvdPlusRDualLayer",
         K::DvdPlusRDl,
         {},
         With({"BUFFER", "LOAD", "REZERO", "SPEED w=65535", "PAGE wt=2 ms=3 test=0", "STREAMING {A}-{S}", "OPC",
               "WRITES {A}..{E}/32", "BUFFER", "SYNC", "PAGE wt=2 ms=0 test=0", "CLOSE 1 1", "CLOSE 2 0", "BUFFER"},
              kRelease)},
        // A new DVD+RW refuses the first write as unformatted, is formatted
        // and takes it then.
        {"DvdPlusRw",
         K::DvdPlusRw,
         {{0x00, 0x82, 0x00, 0x08, 0x00, 0x23, 0x05, 0x40, 0x98, 0x00, 0x00, 0x00}},
         With({"BUFFER", "LOAD", "SPEED w=65535", "PAGE wt=2 ms=0 test=0", "STREAMING {A}-{S}", "OPC", "WRITE 0+32",
               "FORMAT", "WRITES 0..32/32", "SYNC", "WRITES {A}..{E}/32", "BUFFER", "SYNC", "PAGE wt=2 ms=0 test=0",
               "CLOSE 3 255", "BUFFER"},
              kRelease)},
        // No write parameters, no calibration, no closing, no buffer queries
        // once the data is written.
        {"DvdRam",
         K::DvdRam,
         {},
         With({"BUFFER", "LOAD", "REZERO", "SPEED w=65535", "WRITES 0..32/32", "SYNC", "WRITES {A}..{E}/32", "SYNC"},
              kRelease)},
    };
}

std::vector<std::string> Expand(const std::vector<std::string>& steps, std::int64_t start, std::int64_t sectors,
                                bool cd) {
    const std::int64_t written = cd ? sectors : (sectors + 31) / 32 * 32;
    std::vector<std::string> out;
    for (std::string step : steps) {
        const std::pair<const char*, std::int64_t> values[] = {
            {"{A}", start}, {"{S}", start + sectors}, {"{E}", start + written}, {"{N}", written}};
        for (const auto& [key, value] : values)
            for (std::size_t at; (at = step.find(key)) != std::string::npos;)
                step.replace(at, 3, std::to_string(value));
        out.push_back(step);
    }
    return out;
}

class RecordEveryKind : public BurnTest, public ::testing::WithParamInterface<TKindCase> {};

TEST_P(RecordEveryKind, SendsTheKindsSequenceAndLeavesTheVolumeOnTheDisc) {
    const TKindCase& c = GetParam();
    Insert({c.Medium});
    AddProject();

    ASSERT_EQ(Burn(), "");
    EXPECT_TRUE(eventsOnOwner);

    std::vector<std::vector<std::uint8_t>> formats;
    for (const auto& entry : Logged(0x04)) formats.push_back(entry.DataOut);
    EXPECT_EQ(formats, c.Formats);

    const bool cd = c.Medium == K::CdR || c.Medium == K::CdRw;
    const std::int64_t sectors = burner.GetImageSize();
    EXPECT_EQ(RecordingSteps(), Expand(c.Steps, burner.StartAddress(), sectors, cd));

    // Progress ends at the image's size, even where the last write was
    // rounded up; the closing was announced once, with every byte written.
    EXPECT_EQ(burner.BytesWritten(), sectors * 2048);
    EXPECT_EQ(finalizing, 1);
    EXPECT_EQ(bytesAtFinalizing, sectors * 2048);
    EXPECT_EQ(burner.DeviceBufferSize() - burner.DeviceFreeBufferSize(), 0u);
    EXPECT_FALSE(host.Status(0).Locked);

    // The start is announced with the kind and the speed in its own units:
    // "48X (8,467 KB/s)" on a CD, "8.0X (11,080 KB/s)" on every DVD.
    std::string name;
    for (const char ch : std::string(DiscKindName(burner.CurrentDiscKind)))
        name += ch == '+' ? "[+]" : std::string(1, ch);
    const std::regex announcement(">>> STARTING WRITE PROCESS ON " + name +
                                  (cd ? " AT [0-9]+X \\([0-9,]+ KB/s\\)" : " AT [0-9]+\\.[0-9]X \\([0-9,]+ KB/s\\)"));
    const auto posted = Messages();
    EXPECT_EQ(std::count_if(posted.begin(), posted.end(),
                            [&](const auto& m) { return std::regex_match(m.first, announcement) && m.second == 1; }),
              1);
    ExpectSessionHolds(1, files);
    // Read back, the disc holds every sector the recording sent: each file
    // but the empty one, and the file system.
    const std::optional<TVerifyReport> verified = burner.VerifyRecording({});
    ASSERT_TRUE(verified);
    EXPECT_TRUE(verified->Confirmed()) << verified->Problems.size() << " problems";
    EXPECT_EQ(verified->Files, 3);
    EXPECT_GE(verified->SectorsRead, static_cast<std::uint64_t>(burner.ImageSectors()));
    // A second reader agrees on one file.
    const TShell isoinfo =
        Shell("isoinfo -J -i " + Quote(ExportSession(1)) + " -x '/Docs/readme.txt;1' 2>/dev/null");
    EXPECT_EQ(TBytes(isoinfo.Out.begin(), isoinfo.Out.end()), files.at("Docs/readme.txt"));
}

INSTANTIATE_TEST_SUITE_P(Kinds, RecordEveryKind, ::testing::ValuesIn(Cases()),
                         [](const ::testing::TestParamInfo<TKindCase>& row) { return std::string(row.param.Name); });

}  // namespace
}  // namespace sorvane
