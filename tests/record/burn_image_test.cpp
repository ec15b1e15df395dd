// Recording an existing image file to a disc.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "engine/rtl/sync_queue.h"
#include "tests/record/burn_fixture.h"

namespace sorvane {
namespace {

using namespace sorvane::test;
using K = vdrive::TMediumKind;
namespace fs = std::filesystem;

class BurnImageFile : public BurnTest {
protected:
    // An image made by xorriso from a few files of pattern bytes.
    std::string XorrisoImage() {
        const std::string folder = tmp / "tree";
        fs::create_directories(folder + "/sub");
        WriteFile(folder + "/one.bin", Pattern(70000, 3));
        WriteFile(folder + "/sub/two.txt", Pattern(3000, 4));
        const std::string image = tmp / "xorriso.iso";
        const TShell run = Shell("xorriso -as mkisofs -quiet -J -V TREE -o " + Quote(image) + " " + Quote(folder));
        EXPECT_EQ(run.Status, 0) << run.Out;
        return image;
    }
};

TEST_F(BurnImageFile, ImageMadeByXorrisoReadsBackIdentical) {
    Insert({K::CdR});
    const std::string image = XorrisoImage();
    const TBytes original = ReadFile(image);
    ASSERT_FALSE(original.empty());
    for (K medium : {K::CdR, K::DvdR, K::DvdPlusR, K::DvdPlusRw, K::DvdRwRestricted, K::DvdRam}) {
        SCOPED_TRACE(std::string(vdrive::MediumKindName(medium)));
        Swap({medium});
        ASSERT_EQ(BurnImage(image), "");
        EXPECT_EQ(burner.ImageSectors() * 2048, static_cast<std::int64_t>(original.size()));
        const TBytes disc = ReadFile(ExportSession(1));
        ASSERT_GE(disc.size(), original.size());
        EXPECT_TRUE(std::equal(original.begin(), original.end(), disc.begin())) << "the image differs on the disc";
        // A DVD's last write is padded to 32 sectors with zeros.
        EXPECT_TRUE(std::all_of(disc.begin() + static_cast<std::ptrdiff_t>(original.size()), disc.end(),
                                [](std::uint8_t b) { return b == 0; }));
        EXPECT_LE(burner.BytesWritten(), burner.GetImageSize() * 2048);
        // No file-system header is written for an image: it has its own.
        EXPECT_EQ(Logged(0x2A).front().Cdb[2] | Logged(0x2A).front().Cdb[5], 0);
        EXPECT_FALSE(host.Status(0).Locked);
        // Read back, the disc holds the whole image; its two files are known
        // by the image's own file system.
        const std::optional<TVerifyReport> verified = burner.VerifyRecording({});
        ASSERT_TRUE(verified);
        EXPECT_TRUE(verified->Confirmed());
        EXPECT_EQ(verified->SectorsRead * 2048, original.size());
        EXPECT_EQ(verified->Files, 2);
    }
}

TEST_F(BurnImageFile, OddSizedImageOnDvdRFillsItsReservationExactly) {
    // A DVD-R takes 16-sector packets only; the image's last write is
    // padded, and the track is reserved for what is written, whether a
    // short track would be padded for a project or not.
    Insert({K::DvdR});
    const std::string image = MakeImage(100, "odd.iso");
    for (bool postGap : {false, true}) {
        SCOPED_TRACE(postGap ? "post-gap" : "no post-gap");
        Swap({K::DvdR});
        burner.WritePostGap = postGap;
        ASSERT_EQ(BurnImage(image), "");
        const auto steps = RecordingSteps();
        EXPECT_NE(std::find(steps.begin(), steps.end(), "RESERVE 128"), steps.end());
        EXPECT_NE(std::find(steps.begin(), steps.end(), "WRITES 0..128/32"), steps.end());
        EXPECT_EQ(burner.BytesWritten(), std::min<std::int64_t>(128, burner.GetImageSize()) * 2048);
    }
}

TEST_F(BurnImageFile, MissingImageIsReportedBeforeTheCallReturnsAndNothingRuns) {
    Insert({K::CdR});
    for (const std::string& path : {tmp / "missing.iso", tmp.Path()}) {
        SCOPED_TRACE(path);
        host.ClearLog();
        const std::size_t before = done.size();
        EXPECT_FALSE(burner.BurnISOImage(path));
        // Raised from inside the call, on the caller's thread.
        ASSERT_EQ(done.size(), before + 1);
        EXPECT_EQ(done.back(), "CAN'T OPEN FILE \"" + path + "\" OR FILE IS IN USES BY OTHER SOFTWARE");
        EXPECT_FALSE(burner.Writing());
        EXPECT_EQ(Logged(0x2A).size(), 0u);
        EXPECT_EQ(Logged(0x5C).size(), 0u) << "no write thread";
    }
    // Nothing was left running: the next recording starts.
    EXPECT_EQ(BurnImage(MakeImage(300, "fine.iso")), "");
    // Without a handler the failure is only the result.
    burner.OnWriteDone = nullptr;
    EXPECT_FALSE(burner.BurnISOImage(tmp / "missing.iso"));
}

TEST_F(BurnImageFile, ImageOnADiscThatHoldsASessionIsRefused) {
    Insert({K::CdR, vdrive::TMediumState::Closed, MakeImage(400, "first.iso")});
    EXPECT_EQ(BurnImage(MakeImage(300, "second.iso")), "DISC IS NOT EMPTY");
    EXPECT_EQ(Logged(0x2A).size(), 0u);
}

TEST_F(BurnImageFile, ImageLargerThanTheDiscIsRefusedBeforeAnythingIsWritten) {
    Insert({K::CdR});
    const std::string image = tmp / "huge.iso";
    WriteFile(image, {});
    ASSERT_EQ(::truncate(image.c_str(), 800LL << 20), 0);  // sparse: nothing is read
    EXPECT_EQ(BurnImage(image), "PROJECT SIZE OVERREACHED FREE DISC SPACE");
    EXPECT_EQ(Logged(0x2A).size(), 0u);
    EXPECT_FALSE(burner.Writing());
}

}  // namespace
}  // namespace sorvane
