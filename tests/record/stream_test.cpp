#include <gtest/gtest.h>

#include <cerrno>

#include "engine/rtl/stream_ex.h"
#include "tests/record/record_fixture.h"

namespace sorvane {
namespace {

using namespace sorvane::test;

TEST(FileStreamEx, PositionsBeyondFourGibibytesSurviveSeekAndGetSize) {
    TTempDir dir;
    TFileStreamEx stream(dir / "big", fmCreate);
    ASSERT_TRUE(stream.IsOpen());
    const std::int64_t far = (std::int64_t{5} << 30) + 12345;  // sparse, costs no disk space
    EXPECT_EQ(stream.Seek(far, soFromBeginning), far);
    EXPECT_EQ(stream.Write("xyz", 3), 3);
    EXPECT_EQ(stream.Seek(-3, soFromCurrent), far);
    EXPECT_EQ(stream.GetSize(), far + 3);
    EXPECT_EQ(stream.Seek(0, soFromCurrent), far) << "GetSize must leave the position where it was";
    char got[3] = {};
    EXPECT_EQ(stream.Read(got, 3), 3);
    EXPECT_EQ(std::string(got, 3), "xyz");
    EXPECT_TRUE(stream.SetSize(far));
    EXPECT_EQ(stream.GetSize(), far);
}

TEST(FileStreamEx, CreateReplacesAnExistingFileAndOpeningAMissingOneFailsQuietly) {
    TTempDir dir;
    WriteFile(dir / "old", Pattern(5000, 1));
    {
        TFileStreamEx stream(dir / "old", fmCreate);
        ASSERT_TRUE(stream.IsOpen());
        EXPECT_EQ(stream.GetSize(), 0);
    }
    TFileStreamEx missing(dir / "nothing-here", fmOpenRead | fmShareDenyNone);
    EXPECT_FALSE(missing.IsOpen());
    EXPECT_EQ(missing.ErrorCode(), ENOENT);
    char byte;
    EXPECT_EQ(missing.Read(&byte, 1), 0) << "a failed call counts as 0 bytes";
}

TEST(FileStreamEx, ReadFullyTellsTheEndOfAFileFromAFailure) {
    TTempDir dir;
    WriteFile(dir / "short", Pattern(100, 2));
    TFileStreamEx file(dir / "short", fmOpenRead | fmShareDenyNone);
    TBytes buffer(300);
    EXPECT_EQ(file.ReadFully(buffer.data(), 300), 100);
    EXPECT_EQ(file.ErrorCode(), 0);

    // A folder opens for reading but cannot be read.
    TFileStreamEx folder(dir.Path(), fmOpenRead | fmShareDenyNone);
    ASSERT_TRUE(folder.IsOpen());
    EXPECT_EQ(folder.ReadFully(buffer.data(), 300), 0);
    EXPECT_EQ(folder.ErrorCode(), EISDIR);
}

TEST(FileStreamEx, WriteFullyReportsAFullDevice) {
    TFileStreamEx full("/dev/full", fmOpenWrite);
    ASSERT_TRUE(full.IsOpen());
    const TBytes data(4096, 7);
    EXPECT_EQ(full.WriteFully(data.data(), 4096), 0);
    EXPECT_EQ(full.ErrorCode(), ENOSPC);
}

}  // namespace
}  // namespace sorvane
