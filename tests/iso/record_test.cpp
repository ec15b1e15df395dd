// Directory records and path table records, byte for byte, and the rule
// that places records in the sectors of an extent.

#include <gtest/gtest.h>

#include "engine/iso/directory_records.h"
#include "engine/iso/path_tables.h"
#include "engine/iso/recorded_names.h"
#include "tests/iso/golden.h"

namespace sorvane::test {
namespace {

std::vector<std::uint8_t> Contents(const TMemoryStream& s) { return {s.Data(), s.Data() + s.Size()}; }

std::vector<std::uint8_t> Vec(const std::string& s) { return {s.begin(), s.end()}; }

const std::array<std::uint8_t, 7> kDate{104, 3, 5, 6, 7, 8, 4};
const std::string kDateBytes = B("\x68\x03\x05\x06\x07\x08\x04");

TEST(DirectoryRecord, RecordsMatchTheirGoldenBytes) {
    struct Row {
        const char* what;
        TRecordFields fields;
        std::string name;
        std::string golden;
    } rows[] = {
        {"ISO file: 12-byte name, so a pad byte; 46 bytes",
         {150, 5000, kDate, 0},
         "README.TXT;1",
         B("\x2E\x00" "\x96\0\0\0\0\0\0\x96" "\x88\x13\0\0\0\0\x13\x88") + kDateBytes +
             B("\x00\x00\x00" "\x01\x00\x00\x01" "\x0C") + "README.TXT;1" + B("\0")},
        {"Joliet file: 24-byte name and a pad byte; 58 bytes",
         {150, 5000, kDate, 0},
         JolietBytes(u"readme.txt;1"),
         B("\x3A\x00" "\x96\0\0\0\0\0\0\x96" "\x88\x13\0\0\0\0\x13\x88") + kDateBytes +
             B("\x00\x00\x00" "\x01\x00\x00\x01" "\x18") + Ucs2("readme.txt;1") + B("\0")},
        {"ISO directory DOCS: 38 bytes",
         {0x01020304, 2048, kDate, kFlagDirectory},
         "DOCS",
         B("\x26\x00" "\x04\x03\x02\x01\x01\x02\x03\x04" "\x00\x08\0\0\0\0\x08\x00") + kDateBytes +
             B("\x02\x00\x00" "\x01\x00\x00\x01" "\x04") + "DOCS" + B("\0")},
        {"hidden file with an odd name: no pad",
         {0, 0, kDate, kFlagHidden},
         "A.B;1",
         B("\x26\x00" "\0\0\0\0\0\0\0\0" "\0\0\0\0\0\0\0\0") + kDateBytes + B("\x01\x00\x00" "\x01\x00\x00\x01" "\x05") +
             "A.B;1"},
        {"the \".\" record", {23, 2048, kDate, kFlagDirectory}, B("\x00"),
         B("\x22\x00" "\x17\0\0\0\0\0\0\x17" "\x00\x08\0\0\0\0\x08\x00") + kDateBytes +
             B("\x02\x00\x00" "\x01\x00\x00\x01" "\x01\x00")},
    };
    for (const Row& r : rows) {
        TMemoryStream out;
        AppendDirectoryRecord(out, r.fields, r.name);
        EXPECT_EQ(Contents(out), Vec(r.golden)) << r.what;
        EXPECT_EQ(out.Data()[0], out.Size()) << r.what;
        EXPECT_EQ(out.Size() % 2, 0u) << r.what;
    }
}

TEST(DirectoryRecord, ARecordThatFillsTheSectorStaysAndOneByteMoreMovesToTheNext) {
    // After "." and ".." 1980 bytes are left: 20 records of 99 bytes fill
    // them exactly.
    TRecordPacker exact;
    EXPECT_EQ(exact.Place(34), 0u);
    EXPECT_EQ(exact.Place(34), 0u);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(exact.Place(99), 0u);
    EXPECT_EQ(exact.Tail(), 0u);
    EXPECT_EQ(exact.ExtentSize(), 2048);

    TRecordPacker over;
    over.Place(34);
    over.Place(34);
    for (int i = 0; i < 19; ++i) over.Place(99);
    EXPECT_EQ(over.Place(100), 99u) << "the rest of the first sector is skipped";
    EXPECT_EQ(over.Tail(), 2048u - 100u);
    EXPECT_EQ(over.ExtentSize(), 4096);

    TRecordPacker empty;
    empty.Place(34);
    empty.Place(34);
    EXPECT_EQ(empty.Tail(), 1980u);
    EXPECT_EQ(empty.ExtentSize(), 2048);
}

TEST(PathTableRecord, RecordsMatchTheirGoldenBytesInBothByteOrders) {
    struct Row {
        const char* what;
        TPathTableType type;
        std::uint32_t extent;
        std::uint16_t parent;
        std::string name;
        std::string golden;
    } rows[] = {
        {"DOCS, L: 12 bytes", TPathTableType::L, 0x17, 1, "DOCS", B("\x04\x00\x17\0\0\0\x01\x00") + "DOCS"},
        {"ABC, L: 11 bytes and a pad", TPathTableType::L, 0x18, 2, "ABC", B("\x03\x00\x18\0\0\0\x02\x00") + "ABC" + B("\0")},
        {"ABC, M", TPathTableType::M, 0x01020304, 0x0506, "ABC",
         B("\x03\x00\x01\x02\x03\x04\x05\x06") + "ABC" + B("\0")},
        {"root, M", TPathTableType::M, 0x17, 1, B("\0"), B("\x01\x00\0\0\0\x17\x00\x01\x00\x00")},
        {"Joliet name: no pad", TPathTableType::L, 0x20, 1, JolietBytes(u"Docs"),
         B("\x08\x00\x20\0\0\0\x01\x00") + Ucs2("Docs")},
    };
    for (const Row& r : rows) {
        TMemoryStream out;
        AppendPathTableRecord(out, r.type, r.extent, r.parent, r.name);
        EXPECT_EQ(Contents(out), Vec(r.golden)) << r.what;
        EXPECT_EQ(out.Size(), PathTableRecordLength(r.name.size())) << r.what;
    }
}

}  // namespace
}  // namespace sorvane::test
