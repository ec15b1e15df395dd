// The names entries are recorded under: characters no reader accepts,
// records that would outgrow their one-byte length, and entries of one
// directory that would end up with the same name.

#include <set>

#include "engine/iso/directory_record.h"
#include "engine/iso/recorded_names.h"
#include "engine/rtl/text.h"
#include "tests/iso/iso_fixture.h"

namespace sorvane::test {
namespace {

constexpr auto kFile = TEntryKind::File;
constexpr auto kDir = TEntryKind::Directory;

std::string U8(const std::u16string& s) { return Utf16ToUtf8(s); }

TEST(RecordedNames, IsoIdentifiersHoldOnlyPrintableAsciiWithoutSeparatorsOrWildcards) {
    struct Row {
        std::string in;
        TEntryKind kind;
        std::string out;
    } rows[] = {
        {"README.TXT", kFile, "README.TXT;1"},
        {"A*B?C:D.TXT", kFile, "A_B_C_D.TXT;1"},
        {"X/Y\\Z;W.TXT", kFile, "X_Y_Z_W.TXT;1"},
        {"CAF\xC3\x89.TXT", kFile, "CAF_.TXT;1"},  // one "_" per character, not per byte
        {"TAB\tX\x7F.TXT", kFile, "TAB_X_.TXT;1"},
        {"lower case.txt", kFile, "LOWER CASE.TXT;1"},
        {"A;B", kDir, "A_B"},
        {".", kDir, "_"},
        {"..", kDir, "__"},
        {"", kFile, "_;1"},
    };
    for (const Row& r : rows) EXPECT_EQ(IsoIdentifier(r.in, r.kind), r.out) << r.in;
}

TEST(RecordedNames, JolietIdentifiersReplaceOnlyWhatJolietForbids) {
    struct Row {
        std::string in;
        TEntryKind kind;
        std::string out;
    } rows[] = {
        {"readme.txt", kFile, "readme.txt;1"},
        {"a:b*c?.txt", kFile, "a_b_c_.txt;1"},
        {"semi;colon\\back.txt", kFile, "semi_colon_back.txt;1"},
        {"bell\x07.txt", kFile, "bell_.txt;1"},
        {"caf\xC3\xA9 \xE2\x82\xAC (1).txt", kFile, "caf\xC3\xA9 \xE2\x82\xAC (1).txt;1"},
        {"My Folder", kDir, "My Folder"},
        {"..", kDir, "__"},
    };
    for (const Row& r : rows) EXPECT_EQ(U8(JolietIdentifier(r.in, r.kind)), r.out) << r.in;
}

TEST(RecordedNames, NoRecordEverOutgrowsItsOneByteLengthAndExtensionsSurvive) {
    // 109 characters is the longest file name the project takes without the
    // handler's consent: with ";1" its Joliet record would be 256 bytes.
    // Readers cut Joliet names at 103 units, so that is where it is cut.
    const std::string name109 = std::string(105, 'n') + ".txt";
    const std::u16string joliet = JolietIdentifier(name109, kFile);
    EXPECT_EQ(joliet.size(), 103u);
    EXPECT_EQ(U8(joliet), std::string(97, 'n') + ".txt;1");
    EXPECT_EQ(JolietRecordLength(joliet.size()), 240u);
    EXPECT_EQ(U8(JolietIdentifier(std::string(103, 'k'), kDir)), std::string(103, 'k'));
    EXPECT_EQ(U8(JolietIdentifier(std::string(104, 'k'), kDir)), std::string(103, 'k'));
    EXPECT_EQ(U8(JolietIdentifier(std::string(97, 'k') + ".txt", kFile)), std::string(97, 'k') + ".txt;1");

    const std::vector<std::string> extensions{"", ".txt", ".long" + std::string(80, 'e')};
    for (std::size_t length = 1; length <= 400; length += 7)
        for (const std::string& ext : extensions)
            for (const TEntryKind kind : {kFile, kDir}) {
                const std::string name = std::string(length, 'a') + ext;
                const std::string where = std::to_string(length) + ext.substr(0, 8);
                const std::u16string j = JolietIdentifier(name, kind);
                const std::string i = IsoIdentifier(name, kind);
                EXPECT_LE(JolietRecordLength(j.size()), kMaxRecordLength) << where;
                EXPECT_LE(IsoRecordLength(i.size()), kMaxRecordLength) << where;
                EXPECT_LE(i.size(), kMaxIsoNameBytes) << where;
                const std::string versionless = kind == kFile ? U8(j).substr(0, U8(j).size() - 2) : U8(j);
                if (ext == ".txt") {
                    EXPECT_EQ(versionless.substr(versionless.size() - 4), ".txt") << where;
                    EXPECT_EQ(i.substr(i.size() - (kind == kFile ? 6 : 4), 4), ".TXT") << where;
                }
            }

    // A cut never leaves half of a surrogate pair behind.
    std::string emoji;
    for (int k = 0; k < 80; ++k) emoji += "\xF0\x9F\x98\x80";
    const std::u16string cut = JolietIdentifier(emoji, kDir);
    EXPECT_EQ(cut.size(), kMaxJolietNameUnits - 1) << "the 103rd unit would be half a pair";
    EXPECT_EQ(U8(cut).find("\xEF\xBF\xBD"), std::string::npos);
}

class RecordedNamesInProject : public IsoTest {
protected:
    // The recorded names of one directory, without ";1".
    std::vector<std::string> Names(const std::string& dirPath, bool joliet) {
        const TRecordedDir& d = L().Names().Of(burner.FindDir(dirPath));
        std::vector<std::string> out;
        for (std::size_t i = 0; i < d.IsoNames.size(); ++i) {
            std::string n = joliet ? U8(d.JolietNames[i]) : d.IsoNames[i];
            if (n.size() > 2 && n.substr(n.size() - 2) == ";1") n.resize(n.size() - 2);
            out.push_back(n);
        }
        return out;
    }
    static bool Distinct(const std::vector<std::string>& names) {
        std::set<std::string> seen;
        for (const auto& n : names)
            if (!seen.insert(UpperCase(n)).second) return false;
        return true;
    }
};

TEST_F(RecordedNamesInProject, NamesThatDifferOnlyInCaseGetDistinctNamesInBothTrees) {
    AddFile("\\", "Readme.txt", 10);
    AddFile("\\", "other.txt", 10);
    // The project refuses a second "README.TXT"; a rename gets there.
    ASSERT_TRUE(burner.RenameEntry("\\", "other.txt", "README.TXT", ""));
    burner.LayoutFileSystem(true, nullptr);
    EXPECT_EQ(Names("\\", true), (std::vector<std::string>{"Readme.txt", "README~1.TXT"}));
    EXPECT_EQ(Names("\\", false), (std::vector<std::string>{"README.TXT", "README~1.TXT"}));
    EXPECT_TRUE(Said("NAME \"README.TXT\" IN \"\\\" RECORDED AS \"README~1.TXT\""));
}

TEST_F(RecordedNamesInProject, CleanedNamesGiveWayToTheNamesTheUserGave) {
    AddFile("\\", "a*b.txt", 10);
    AddFile("\\", "a_b.txt", 10);
    AddFile("\\", "caf\xC3\xA9.txt", 10);
    AddFile("\\", "caf\xC3\xA8.txt", 10);
    burner.LayoutFileSystem(true, nullptr);
    EXPECT_EQ(Names("\\", true), (std::vector<std::string>{"a_b~1.txt", "a_b.txt", "caf\xC3\xA9.txt", "caf\xC3\xA8.txt"}));
    EXPECT_EQ(Names("\\", false), (std::vector<std::string>{"A_B~1.TXT", "A_B.TXT", "CAF_.TXT", "CAF_~1.TXT"}));
}

TEST_F(RecordedNamesInProject, AFolderAndAFileOfTheSameNameDoNotShareIt) {
    AddFile("\\", "data.txt", 10);
    burner.CreateDir("\\Data.txt");
    ASSERT_EQ(burner.Project().FileCount(), 2);
    burner.LayoutFileSystem(true, nullptr);
    EXPECT_TRUE(Distinct(Names("\\", true)));
    EXPECT_TRUE(Distinct(Names("\\", false)));
}

TEST_F(RecordedNamesInProject, LongNamesThatMeetOnceShortenedAreMadeDistinctWithinTheLimits) {
    const std::string stem(104, 'x');
    AddFile("\\", stem + "a.txt", 10);
    AddFile("\\", stem + "b.txt", 10);
    // Many names that all clean to "_.T" in the ISO tree.
    for (char32_t c = 0xC0; c < 0xC0 + 300; ++c) {
        std::string name;
        AppendUtf8(name, c);
        AddFile("\\", name + ".t", 1);
    }
    burner.LayoutFileSystem(true, nullptr);
    const auto joliet = Names("\\", true);
    const auto iso = Names("\\", false);
    EXPECT_TRUE(Distinct(joliet));
    EXPECT_TRUE(Distinct(iso));
    EXPECT_EQ(joliet[0], std::string(97, 'x') + ".txt");
    EXPECT_EQ(joliet[1], std::string(95, 'x') + "~1.txt");
    EXPECT_EQ(iso[2], "_.T");
    EXPECT_EQ(iso.back(), "_~299.T");
    const TRecordedDir& d = L().Names().Of(burner.Project().Root());
    for (const auto& n : d.JolietNames) EXPECT_LE(n.size(), kMaxJolietNameUnits);
    for (const auto& n : d.IsoNames) EXPECT_LE(n.size(), kMaxIsoNameBytes);
}

TEST_F(RecordedNamesInProject, TheProjectKeepsTheUsersNames) {
    TFEntry* e = AddFile("\\", "a:b.txt", 10);
    burner.LayoutFileSystem(true, nullptr);
    EXPECT_EQ(e->LongName, "a:b.txt");
    EXPECT_EQ(e->ShortName, "A:B.TXT");
    EXPECT_EQ(Names("\\", true)[0], "a_b.txt");
}

}  // namespace
}  // namespace sorvane::test
