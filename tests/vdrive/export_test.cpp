// Multisession volumes made by genisoimage (-C/-M), recorded through the
// drive, exported session by session and read back by isoinfo: a
// three-session CD-R and a DVD+RW grown in place.

#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/vdrive/vdrive_fixture.h"

namespace sorvane::vdrive::test {
namespace {

namespace fs = std::filesystem;

std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return out;
    std::array<char, 4096> buffer;
    std::size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) out.append(buffer.data(), n);
    ::pclose(pipe);
    return out;
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> data((std::istreambuf_iterator<char>(in)), {});
    data.resize((data.size() + 2047) / 2048 * 2048, 0);
    return data;
}

class ExportTest : public VDriveTest {
protected:
    ExportTest() : dir(fs::temp_directory_path() / ("vdrive-export-" + std::to_string(::getpid()))) {
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    ~ExportTest() override { fs::remove_all(dir); }

    void SetUp() override {
        if (Shell("command -v genisoimage").empty() || Shell("command -v isoinfo").empty())
            GTEST_SKIP() << "genisoimage/isoinfo not installed";
    }

    // A tree with one file named after the session, holding a known text.
    fs::path Tree(int session) {
        fs::path tree = dir / ("tree" + std::to_string(session));
        fs::create_directories(tree);
        std::ofstream(tree / ("s" + std::to_string(session) + ".txt")) << "session " << session << " data\n";
        return tree;
    }

    // genisoimage -C start,nwa -M previous: a new session for `nwa`.
    fs::path MakeImage(int session, std::uint32_t lastStart, std::uint32_t nwa, const fs::path& previous) {
        fs::path image = dir / ("s" + std::to_string(session) + ".iso");
        std::string cmd = "genisoimage -quiet -J -R -V SESSION" + std::to_string(session) + " -o " + image.string();
        if (!previous.empty())
            cmd += " -C " + std::to_string(lastStart) + "," + std::to_string(nwa) + " -M " + previous.string();
        cmd += " " + Tree(session).string();
        std::string out = Shell(cmd);
        EXPECT_TRUE(fs::exists(image)) << out;
        return image;
    }

    fs::path Export(int session) {
        fs::path out = dir / ("export" + std::to_string(session) + ".iso");
        std::string error;
        EXPECT_TRUE(host.ExportSession(drive, session, out.string(), &error)) << error;
        return out;
    }

    // The files isoinfo sees in an exported image, and one file's text.
    std::string Listing(const fs::path& image) { return Shell("isoinfo -J -f -i " + image.string()); }
    std::string Extract(const fs::path& image, const std::string& file) {
        return Shell("isoinfo -J -x /" + file + " -i " + image.string());
    }

    fs::path dir;
};

TEST_F(ExportTest, ThreeSessionCdRReadsBackAtEverySession) {
    Load(TMediumKind::CdR);
    ASSERT_EQ(SelectWriteParameters(WriteParametersList(1, 3)), kGood);
    std::vector<std::uint32_t> starts;
    fs::path previous;
    for (int session = 1; session <= 3; ++session) {
        std::uint32_t nwa = Nwa();
        fs::path image = MakeImage(session, starts.empty() ? 0 : starts.back(), nwa, previous);
        ASSERT_EQ(Write(nwa, ReadFile(image)), kGood);
        ASSERT_EQ(Check(cdb::SynchronizeCache(false)), kGood);
        ASSERT_EQ(Check(cdb::CloseTrackSession(cdb::TClose::Session, 0)), kGood);
        starts.push_back(nwa);
        previous = Export(session);
    }
    auto status = host.Status(drive);
    ASSERT_EQ(status.Sessions.size(), 3u);
    EXPECT_EQ(status.Sessions[1].Start, starts[1]);
    EXPECT_EQ(starts[2] - (status.Sessions[1].Start + status.Sessions[1].Length + 2), 6900u);

    for (int session = 1; session <= 3; ++session) {
        fs::path image = Export(session);
        std::string listing = Listing(image);
        for (int file = 1; file <= 3; ++file) {
            bool expected = file <= session;  // earlier sessions' files stay reachable
            std::string name = "/s" + std::to_string(file) + ".txt";
            EXPECT_EQ(listing.find(name) != std::string::npos, expected) << "session " << session << ":\n" << listing;
        }
        EXPECT_EQ(Extract(image, "s1.txt"), "session 1 data\n");
        EXPECT_EQ(Extract(image, "s" + std::to_string(session) + ".txt"),
                  "session " + std::to_string(session) + " data\n");
    }
}

TEST_F(ExportTest, GrownDvdPlusRwKeepsEveryStageReadable) {
    Load(TMediumKind::DvdPlusRw);
    ASSERT_EQ(Check(cdb::FormatUnit(), FormatList(2295104, 0x26, 0)), kGood);
    WaitWhileBusy(1, kFormatting);

    fs::path first = MakeImage(1, 0, 0, {});
    auto data = ReadFile(first);
    ASSERT_EQ(Write(0, data), kGood);
    ASSERT_EQ(Check(cdb::SynchronizeCache(false)), kGood);

    // The next session starts after the volume, on a 32 KiB boundary; its
    // volume descriptors are written over those at sector 16 first, as a
    // recorder growing the volume does.
    std::uint32_t nwa = (std::uint32_t(data.size() / 2048) + 15) / 16 * 16;
    fs::path second = MakeImage(2, 0, nwa, Export(1));
    auto grown = ReadFile(second);
    std::size_t terminator = 16;
    while (terminator < 32 && grown[terminator * 2048] != 255) ++terminator;
    std::vector<std::uint8_t> header(grown.begin() + 16 * 2048, grown.begin() + std::ptrdiff_t(terminator + 1) * 2048);
    ASSERT_EQ(Write(16, header), kGood);
    ASSERT_EQ(Check(cdb::SynchronizeCache(false)), kGood);
    ASSERT_EQ(Write(nwa, grown), kGood);
    ASSERT_EQ(Check(cdb::SynchronizeCache(false)), kGood);
    ASSERT_EQ(Check(cdb::CloseTrackSession(cdb::TClose::StopFormat, 255)), kGood);

    auto status = host.Status(drive);
    ASSERT_EQ(status.Sessions.size(), 2u);
    EXPECT_EQ(status.Sessions[1].Start, nwa);

    std::string stage1 = Listing(Export(1));
    EXPECT_NE(stage1.find("/s1.txt"), std::string::npos) << stage1;
    EXPECT_EQ(stage1.find("/s2.txt"), std::string::npos) << stage1;
    fs::path stage2 = Export(2);
    std::string listing2 = Listing(stage2);
    EXPECT_NE(listing2.find("/s1.txt"), std::string::npos) << listing2;
    EXPECT_NE(listing2.find("/s2.txt"), std::string::npos) << listing2;
    EXPECT_EQ(Extract(stage2, "s1.txt"), "session 1 data\n");
    EXPECT_EQ(Extract(stage2, "s2.txt"), "session 2 data\n");
    // The disc itself, read plainly from sector 0, is the grown volume.
    EXPECT_EQ(ReadBack(16, 1), std::vector<std::uint8_t>(grown.begin() + 16 * 2048, grown.begin() + 17 * 2048));
}

}  // namespace
}  // namespace sorvane::vdrive::test
