// Discs that lie: loops, endless nesting, impossible lengths, names and
// dates, unreadable sectors. The import must end, keep what can be kept,
// and say what it left out.

#include <cstring>

#include "engine/iso/session_browser.h"

#include "tests/iso/crafted_disc.h"
#include "tests/iso/reader_fixture.h"

namespace sorvane::test {
namespace {

constexpr std::uint8_t kDir = 0x02;
constexpr std::uint32_t kIsoRoot = 20;
constexpr std::uint32_t kJolietRoot = 40;

TRec IsoFile(const std::string& name, std::uint32_t extent = 500, std::uint32_t length = 10) {
    return TRec{Latin(name), extent, length, 0};
}
TRec IsoDir(const std::string& name, std::uint32_t extent) { return TRec{Latin(name), extent, 2048, kDir}; }
TRec JFile(const std::string& name, std::uint32_t extent = 500, std::uint32_t length = 10) {
    return TRec{Ucs2(name), extent, length, 0};
}
TRec JDir(const std::string& name, std::uint32_t extent) { return TRec{Ucs2(name), extent, 2048, kDir}; }

using HostileDiscTest = ReaderTest;

TEST_F(HostileDiscTest, DirectoriesPointingAtThemselvesOrAnAncestorOrSharingAnExtentEndTheWalk) {
    TCraftedDisc c(kIsoRoot);
    c.PutDirectory(kIsoRoot, kIsoRoot, {IsoDir("LOOP", kIsoRoot), IsoDir("SUB", 21), IsoDir("TWIN", 21), IsoFile("ROOT.TXT")});
    c.PutDirectory(21, kIsoRoot, {IsoDir("ME", 21), IsoDir("UP", kIsoRoot), IsoFile("IN.TXT")});

    TSessionReader reader = Reader(c.Disc);
    ASSERT_TRUE(reader.ImportSession(255));
    EXPECT_TRUE(reader.ImportIncomplete);
    EXPECT_NE(tree.FindDir("\\SUB"), nullptr);
    EXPECT_NE(File("\\SUB", "IN.TXT"), nullptr);
    EXPECT_NE(File("\\", "ROOT.TXT"), nullptr) << "records after a loop are still imported";
    EXPECT_EQ(tree.FindDir("\\LOOP"), nullptr);
    EXPECT_EQ(tree.FindDir("\\TWIN"), nullptr);
    EXPECT_EQ(tree.FindDir("\\SUB\\ME"), nullptr);
    EXPECT_EQ(tree.FindDir("\\SUB\\UP"), nullptr);
    EXPECT_EQ(tree.DirCount(), 1);
    EXPECT_EQ(CountPosted("POINTS BACK INTO THE TREE"), 4);
}

TEST_F(HostileDiscTest, EndlessNestingStopsAtTheDepthLimit) {
    TCraftedDisc c(kIsoRoot);
    constexpr std::uint32_t kLevels = 400;
    for (std::uint32_t i = 0; i < kLevels; ++i)
        c.PutDirectory(kIsoRoot + i, i ? kIsoRoot + i - 1 : kIsoRoot, {IsoDir("D", kIsoRoot + i + 1)});

    ASSERT_TRUE(Reader(c.Disc).ImportSession(255));
    EXPECT_EQ(tree.DirCount(), TWalkLimits{}.MaxDepth);
    EXPECT_TRUE(Posted("NESTED DEEPER THAN 128 LEVELS", mtFileSystem));
}

TEST_F(HostileDiscTest, HugeDirectoryLengthIsBoundedByTheSectorBudget) {
    TCraftedDisc c(kIsoRoot);
    c.Disc.Sector(16)->at(156 + 10) = 0xFF;  // root data length 0xFFFFFFFF, both halves
    std::memset(c.Disc.Sector(16)->data() + 156 + 10, 0xFF, 8);
    constexpr std::uint32_t kFilled = 3000;
    for (std::uint32_t i = 0; i < kFilled; ++i)
        c.Put(kIsoRoot + i, SectorOf({RecordBytes(IsoFile("F" + std::to_string(i) + ".TXT"))}));

    TSessionReader reader = Reader(c.Disc);
    reader.Limits.MaxSectors = 1000;
    ASSERT_TRUE(reader.ImportSession(255));
    EXPECT_EQ(tree.FileCount(), 1000);
    EXPECT_LE(c.Disc.ReadCount, 1000u + 21u);
    EXPECT_TRUE(Posted("DIRECTORY TREE LARGER THAN 1000 SECTORS", mtFileSystem));
}

TEST_F(HostileDiscTest, ZeroLengthRecordEndsItsSectorAndTheNextSectorIsStillRead) {
    TCraftedDisc c(kIsoRoot);
    TBytes first = SectorOf({DotRecords(kIsoRoot, kIsoRoot), RecordBytes(IsoFile("A.TXT"))});
    // Behind the zero length byte: a record that must never be seen.
    const TBytes ghost = RecordBytes(IsoFile("GHOST.TXT"));
    std::memcpy(first.data() + 68 + 40 + 10, ghost.data(), ghost.size());
    c.Put(kIsoRoot, first);
    c.Put(kIsoRoot + 1, SectorOf({RecordBytes(IsoFile("B.TXT"))}));
    c.Disc.Sector(16)->at(166) = 0;  // root length 4096
    WriteBoth<std::uint32_t>(c.Disc.Sector(16)->data() + 166, 4096);

    ASSERT_TRUE(Reader(c.Disc).ImportSession(255));
    EXPECT_EQ(Names(tree.Root()), (std::vector<std::string>{"A.TXT", "B.TXT"}));
}

TEST_F(HostileDiscTest, RecordsThatLieAboutTheirSizesAreSkippedAndTheirNeighboursKept) {
    TCraftedDisc c(kIsoRoot);
    TRec nameBeyondRecord = IsoFile("LIAR.TXT");
    nameBeyondRecord.NameLengthOverride = 200;
    TRec noName = IsoFile("X");
    noName.NameLengthOverride = 0;
    TRec endiansDisagree = IsoFile("HALF.TXT");
    endiansDisagree.BigEndianDisagrees = true;
    TRec tooShort = IsoFile("S");
    tooShort.LengthOverride = 20;
    std::vector<TBytes> records{DotRecords(kIsoRoot, kIsoRoot), RecordBytes(IsoFile("GOOD1.TXT")),
                                RecordBytes(nameBeyondRecord), RecordBytes(noName), RecordBytes(endiansDisagree),
                                RecordBytes(IsoFile("GOOD2.TXT"))};
    TBytes sector = SectorOf(records);
    // A record too short for its own header, then one running past the sector.
    std::size_t end = 0;
    for (const TBytes& r : records) end += r.size();
    TBytes shortRecord = RecordBytes(tooShort);
    shortRecord.resize(20);
    std::memcpy(sector.data() + end, shortRecord.data(), shortRecord.size());
    const TBytes good3 = RecordBytes(IsoFile("GOOD3.TXT"));
    std::memcpy(sector.data() + end + 20, good3.data(), good3.size());
    sector[2000] = 100;  // a record of 100 bytes that would end past 2048
    c.Put(kIsoRoot, sector);

    ASSERT_TRUE(Reader(c.Disc).ImportSession(255));
    EXPECT_EQ(Names(tree.Root()), (std::vector<std::string>{"GOOD1.TXT", "GOOD2.TXT", "GOOD3.TXT"}));
    EXPECT_EQ(CountPosted("4 DAMAGED DIRECTORY RECORDS IN SECTOR 20"), 1) << "one line for the directory";
}

TEST_F(HostileDiscTest, DirectoryFullOfRubbishIsReportedOnceWithACountNotOnceARecord) {
    // 2,000 sectors of 01h bytes: a one-byte "record" wherever one may start.
    TCraftedDisc c(kIsoRoot, kJolietRoot);
    constexpr std::uint32_t kSectors = 2000;
    WriteBoth<std::uint32_t>(c.Disc.Sector(17)->data() + 166, kSectors * 2048);
    for (std::uint32_t i = 0; i < kSectors; ++i) c.Put(kJolietRoot + i, TBytes(2048, 0x01));

    const TDiscSession session = ReadDiscSession(c.Disc, 1, Sink());
    ASSERT_TRUE(session.FileSystemFound);
    EXPECT_TRUE(session.Truncated);
    EXPECT_EQ(session.Problems, std::vector<std::string>{">>> ERROR IMPORTING SESSION, " +
                                                         std::to_string(kSectors * 2015 - 2) +
                                                         " DAMAGED DIRECTORY RECORDS IN SECTORS 40 TO 2039"});

    // Overlong names are told one by one, but only so many per directory.
    TCraftedDisc named(kIsoRoot, kJolietRoot);
    const auto overlong = [](int from, int count) {
        std::vector<TBytes> records;
        for (int i = from; i < from + count; ++i) records.push_back(RecordBytes(JFile(std::string(108, 'a' + i % 26))));
        return records;
    };
    std::vector<TBytes> first = overlong(0, 7);
    first.insert(first.begin(), DotRecords(kJolietRoot, kJolietRoot));
    named.Put(kJolietRoot, SectorOf(first));
    named.Put(kJolietRoot + 1, SectorOf(overlong(7, 8)));
    named.Put(kJolietRoot + 2, SectorOf(overlong(15, 8)));
    WriteBoth<std::uint32_t>(named.Disc.Sector(17)->data() + 166, 3 * 2048);
    messages.clear();
    ASSERT_TRUE(ReadDiscSession(named.Disc, 1, Sink()).FileSystemFound);
    EXPECT_EQ(CountPosted("FILE NAME LENGTH EXCEEDS 120 CHARS"),
              static_cast<int>(TWalkLimits{}.MaxProblemsPerDirectory));
    EXPECT_EQ(CountPosted("7 MORE PROBLEMS IN THE DIRECTORY AT SECTOR 40 NOT SHOWN"), 1);
}

TEST_F(HostileDiscTest, TrailingDotOfANameWithoutExtensionIsNotPartOfTheNameInEitherTree) {
    for (const bool joliet : {true, false}) {
        tree.ResetProject();
        TCraftedDisc c(kIsoRoot, joliet ? kJolietRoot : 0);
        const auto file = [&](const std::string& name) { return joliet ? JFile(name) : IsoFile(name); };
        c.PutDirectory(joliet ? kJolietRoot : kIsoRoot, kIsoRoot,
                       {file("README.;1"), file("MAKEFILE."), file("A.B"), file("..."), file("TWO.."), joliet ? JDir("dir.", 70)
                                                                                              : IsoDir("DIR.", 70)});
        c.PutDirectory(70, kIsoRoot, {file("IN.")});

        const TDiscSession session = ReadDiscSession(c.Disc, 1, Sink());
        ASSERT_TRUE(session.FileSystemFound) << joliet;
        std::vector<std::string> names;
        for (const TDiscNode& node : session.Root.Children) names.push_back(node.Name);
        EXPECT_EQ(names, (std::vector<std::string>{"README", "MAKEFILE", "A.B", "...", "TWO..", joliet ? "dir" : "DIR"}))
            << joliet;
        EXPECT_NE(FindDiscNode(session.Root, "readme"), nullptr) << "found by the name it had before recording";
        EXPECT_NE(FindDiscNode(session.Root, "DIR/IN"), nullptr);
    }
}

TEST_F(HostileDiscTest, OverlongJolietNameIsReportedAndTheWalkGoesOn) {
    TCraftedDisc c(kIsoRoot, kJolietRoot);
    const std::string longName(108, 'n');  // 216 bytes of UCS-2
    c.PutDirectory(kJolietRoot, kJolietRoot, {JFile(longName), JFile("after.txt")});

    ASSERT_TRUE(Reader(c.Disc).ImportSession(255));
    EXPECT_EQ(Names(tree.Root()), std::vector<std::string>{"after.txt"});
    EXPECT_TRUE(Posted("ERROR IMPORTING SESSION, FILE NAME LENGTH EXCEEDS 120 CHARS\n\r" + longName, mtFileSystem));
}

TEST_F(HostileDiscTest, DotNamesAndEmptyNamesAreRefusedWhileOddCharactersStayInTheProject) {
    TCraftedDisc c(kIsoRoot, kJolietRoot);
    c.PutDirectory(kJolietRoot, kJolietRoot,
                   {JDir("..", 60), JDir(".", 61), JFile(std::string("\0\0", 2)), JDir("", 62), JFile("a/b.txt"),
                    JFile("..\\up.txt")});
    c.PutDirectory(60, kJolietRoot, {JFile("x.txt")});
    c.PutDirectory(61, kJolietRoot, {JFile("y.txt")});
    c.PutDirectory(62, kJolietRoot, {JFile("z.txt")});

    ASSERT_TRUE(Reader(c.Disc).ImportSession(255));
    EXPECT_EQ(Names(tree.Root()), (std::vector<std::string>{"a/b.txt", "..\\up.txt"}));
    EXPECT_EQ(tree.DirCount(), 0) << "no directory named \"\", \".\" or \"..\" may reach the project";
    EXPECT_EQ(CountPosted("UNUSABLE NAME"), 3);
    EXPECT_EQ(CountPosted("DAMAGED DIRECTORY RECORD"), 1) << "a name of no bytes at all";
}

TEST_F(HostileDiscTest, InvalidDatesCostTheDateNotTheImportInBothTrees) {
    for (const bool joliet : {false, true}) {
        tree.ResetProject();
        TCraftedDisc c(kIsoRoot, joliet ? kJolietRoot : 0);
        std::vector<TRec> records;
        const std::array<std::uint8_t, 7> dates[] = {
            {104, 13, 1, 7, 8, 9, 0}, {104, 2, 30, 7, 8, 9, 0}, {104, 5, 0, 7, 8, 9, 0}, {104, 5, 6, 25, 61, 99, 0}};
        for (int i = 0; i < 4; ++i) {
            TRec r = joliet ? JFile("d" + std::to_string(i) + ".txt") : IsoFile("D" + std::to_string(i) + ".TXT");
            r.Date = dates[i];
            records.push_back(r);
        }
        TRec dir = joliet ? JDir("sub", 70) : IsoDir("SUB", 70);
        dir.Date = dates[0];
        records.push_back(dir);
        c.PutDirectory(joliet ? kJolietRoot : kIsoRoot, kIsoRoot, records);
        c.PutDirectory(70, kIsoRoot, {joliet ? JFile("in.txt") : IsoFile("IN.TXT")});

        ASSERT_TRUE(Reader(c.Disc).ImportSession(255)) << joliet;
        EXPECT_EQ(tree.FileCount(), 6) << joliet;
        ASSERT_NE(tree.FindDir("\\SUB"), nullptr);
        EXPECT_EQ(tree.FindDir("\\SUB")->FirstEntry->Next, nullptr);
        const TFEntry* first = tree.Root()->FirstEntry;
        EXPECT_GE(first->DateTime, 0.0) << "an invalid date gives the date part 0, keeping the time";
        EXPECT_LT(first->DateTime, 1.0);
    }
}

TEST_F(HostileDiscTest, UnreadableDirectorySectorEndsThatDirectoryOnly) {
    TCraftedDisc c(kIsoRoot);
    c.PutDirectory(kIsoRoot, kIsoRoot, {IsoDir("SUB", 30), IsoFile("A.TXT"), IsoDir("OK", 31)});
    WriteBoth<std::uint32_t>(c.Disc.Sector(16)->data() + 166, 4096);
    c.Put(kIsoRoot + 1, SectorOf({RecordBytes(IsoFile("B.TXT"))}));
    c.Disc.MakeUnreadable(kIsoRoot + 1);
    c.Disc.MakeUnreadable(30);
    c.PutDirectory(31, kIsoRoot, {IsoFile("C.TXT")});

    ASSERT_TRUE(Reader(c.Disc).ImportSession(255));
    EXPECT_NE(File("\\", "A.TXT"), nullptr);
    EXPECT_EQ(File("\\", "B.TXT"), nullptr);
    EXPECT_NE(File("\\OK", "C.TXT"), nullptr);
    EXPECT_TRUE(Posted("DIRECTORY SECTOR 30 UNREADABLE", mtFileSystem));
    EXPECT_TRUE(Posted("DIRECTORY SECTOR 21 UNREADABLE", mtFileSystem));
}

TEST_F(HostileDiscTest, TreeOfUnreadableDirectoriesIsGivenUpAfterAFewFailedReads) {
    // Each failed read may cost a drive seconds; thousands of them would
    // look like a hang.
    TCraftedDisc c(kIsoRoot);
    std::vector<TRec> dirs;
    for (std::uint32_t i = 0; i < 55; ++i) dirs.push_back(IsoDir("D" + std::to_string(i), 1000 + i));
    c.PutDirectory(kIsoRoot, kIsoRoot, dirs);
    ASSERT_TRUE(Reader(c.Disc).ImportSession(255));
    EXPECT_LE(c.Disc.ReadCount, 21u + 1u + TWalkLimits{}.MaxUnreadableSectors);
    EXPECT_TRUE(Posted("MORE THAN 32 DIRECTORY SECTORS UNREADABLE", mtFileSystem));
}

TEST_F(HostileDiscTest, UnreadableJolietRootFallsBackToTheIsoTree) {
    TCraftedDisc c(kIsoRoot, kJolietRoot);
    c.PutDirectory(kIsoRoot, kIsoRoot, {IsoFile("ISO.TXT")});
    c.Disc.MakeUnreadable(kJolietRoot);
    ASSERT_TRUE(Reader(c.Disc).ImportSession(255));
    EXPECT_EQ(Names(tree.Root()), std::vector<std::string>{"ISO.TXT"});
}

TEST_F(HostileDiscTest, SupplementaryDescriptorWithoutJolietEscapeIsNotReadAsJoliet) {
    TCraftedDisc c(kIsoRoot);
    // An ISO 9660:1999 enhanced descriptor: type 2, 8-bit names.
    c.Put(17, Descriptor(TDescriptorKind::SupplementaryNotJoliet, 50));
    c.Put(18, Descriptor(TDescriptorKind::Terminator));
    c.PutDirectory(50, 50, {IsoFile("enhanced name.txt")});
    c.PutDirectory(kIsoRoot, kIsoRoot, {IsoFile("ISO.TXT")});
    ASSERT_TRUE(Reader(c.Disc).ImportSession(255));
    EXPECT_EQ(Names(tree.Root()), std::vector<std::string>{"ISO.TXT"});
}

TEST_F(HostileDiscTest, XaFieldWhereARecordShouldStartIsSkipped) {
    TCraftedDisc c(kIsoRoot);
    const TBytes xa{0, 0, 0, 0, 0x0D, 0x55, 'X', 'A', 1, 0, 0, 0, 0, 0};
    c.Put(kIsoRoot, SectorOf({DotRecords(kIsoRoot, kIsoRoot), xa, RecordBytes(IsoFile("AFTER.XA;1"))}));
    ASSERT_TRUE(Reader(c.Disc).ImportSession(255));
    EXPECT_EQ(Names(tree.Root()), std::vector<std::string>{"AFTER.XA"});
}

TEST_F(HostileDiscTest, NamesDifferingOnlyInCaseAreReportedNotSilentlyLost) {
    TCraftedDisc c(kIsoRoot, kJolietRoot);
    c.PutDirectory(kJolietRoot, kJolietRoot,
                   {JFile("Readme.txt"), JFile("README.TXT"), JDir("Docs", 60), JDir("DOCS", 61)});
    c.PutDirectory(60, kJolietRoot, {JFile("a.txt")});
    c.PutDirectory(61, kJolietRoot, {JFile("b.txt")});

    ASSERT_TRUE(Reader(c.Disc).ImportSession(255));
    EXPECT_NE(File("\\", "Readme.txt"), nullptr);
    EXPECT_TRUE(Posted("FILE README.TXT NOT IMPORTED", mtFileSystem));
    EXPECT_EQ(Names(tree.FindDir("\\Docs")), (std::vector<std::string>{"a.txt", "b.txt"}));
    EXPECT_TRUE(Posted("DIRECTORY DOCS OF THE DISC SHARES ITS NAME", mtFileSystem));
}

TEST_F(HostileDiscTest, FileRecordedInPiecesIsNotImportedAsItsFirstPiece) {
    TCraftedDisc c(kIsoRoot);
    TRec first = IsoFile("HUGE.BIN", 1000, 0xFFFFF800);
    first.Flags = 0x80;
    c.PutDirectory(kIsoRoot, kIsoRoot, {first, IsoFile("HUGE.BIN", 1000 + 0x1FFFFF, 4096), IsoFile("NEXT.TXT")});
    ASSERT_TRUE(Reader(c.Disc).ImportSession(255));
    EXPECT_EQ(Names(tree.Root()), std::vector<std::string>{"NEXT.TXT"});
    EXPECT_TRUE(Posted("FILE HUGE.BIN IS 4 GB OR LARGER (2 PIECES ON THE DISC), NOT IMPORTED", mtFileSystem));
}

TEST_F(HostileDiscTest, NameTooLongForTheProjectIsReportedNotDroppedSilently) {
    TCraftedDisc c(kIsoRoot);
    const std::string longName = std::string(120, 'L') + ".TXT";
    c.PutDirectory(kIsoRoot, kIsoRoot, {IsoFile(longName + ";1"), IsoFile("SHORT.TXT;1")});
    ASSERT_TRUE(Reader(c.Disc).ImportSession(255));
    EXPECT_EQ(Names(tree.Root()), std::vector<std::string>{"SHORT.TXT"});
    EXPECT_TRUE(Posted("FILE " + longName + " NOT IMPORTED, ITS NAME IS LONGER THAN 109 CHARACTERS", mtFileSystem));
}

// --- Finding the session ------------------------------------------------------------

TEST_F(HostileDiscTest, DiscWithoutSessionsFailsSilently) {
    TMemoryDisc disc;
    EXPECT_FALSE(Reader(disc).ImportSession(255));
    EXPECT_TRUE(messages.empty());
}

TEST_F(HostileDiscTest, MissingTrackInformationIsReportedWithTheSessionNumber) {
    TCraftedDisc c(kIsoRoot);
    c.Disc.AddSession({5000, 100});
    c.Disc.FailTrackInformation(2);
    EXPECT_FALSE(Reader(c.Disc).ImportSession(255));
    EXPECT_TRUE(Posted(">>> ERROR IMPORTING SESSION # 2", mtFileSystem));
}

TEST_F(HostileDiscTest, NoDescriptorWithinTwentyOneSectorsMeansNoImage) {
    TCraftedDisc c(kIsoRoot);
    c.Put(16, TBytes(2048, 0));
    c.Put(17, TBytes(2048, 0));
    c.Put(16 + 21, Descriptor(TDescriptorKind::Primary, kIsoRoot));  // one sector too far
    c.PutDirectory(kIsoRoot, kIsoRoot, {IsoFile("A.TXT")});
    EXPECT_FALSE(Reader(c.Disc).ImportSession(1));
    EXPECT_TRUE(Posted(">>> ERROR IMPORTING SESSION 1 (ISO IMAGE NOT FOUND)", mtFileSystem));

    // The terminator ends the search before a descriptor behind it.
    messages.clear();
    c.Put(16, Descriptor(TDescriptorKind::Terminator));
    c.Put(17, Descriptor(TDescriptorKind::Primary, kIsoRoot));
    EXPECT_FALSE(Reader(c.Disc).ImportSession(1));
    EXPECT_TRUE(Posted("(ISO IMAGE NOT FOUND)", mtFileSystem));
}

TEST_F(HostileDiscTest, TrackStartWithoutUsableAddressIsNotSearched) {
    TMemoryDisc disc;
    disc.AddSession({0x7FFFFFE0, 100});
    disc.RecordReads = true;
    EXPECT_FALSE(Reader(disc).ImportSession(255));
    EXPECT_TRUE(disc.Reads.empty());
    EXPECT_TRUE(Posted("(ISO IMAGE NOT FOUND)", mtFileSystem));
}

}  // namespace
}  // namespace sorvane::test
