// Whole images saved from varied projects and read back by independent
// readers (xorriso, isoinfo, bsdtar, 7z): both trees listed, the boot
// catalog checked, and every file compared byte for byte with its source.

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "engine/rtl/format.h"
#include "engine/rtl/text.h"
#include "tests/iso/iso_fixture.h"

namespace sorvane::test {
namespace {

namespace fs = std::filesystem;

struct TRun {
    int Status = -1;
    std::string Out;
};

TRun Sh(const std::string& command) {
    TRun run;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    char buffer[65536];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.Out.append(buffer, n);
    const int status = ::pclose(pipe);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

std::string Q(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

bool Have(const std::string& tool) { return Sh("command -v " + tool + " >/dev/null").Status == 0; }

#define REQUIRE_TOOL(tool) \
    if (!Have(tool)) GTEST_SKIP() << tool << " is not installed; install it to read images back"

// What a reader should find in one tree: files with their bytes, and
// folders, by path relative to the root ("Docs/a.txt").
struct TTree {
    std::map<std::string, std::string> Files;
    std::set<std::string> Dirs;
};

TTree ReadTree(const fs::path& root) {
    TTree tree;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        // Readers restore the volume's read-only modes; let the clean-up in.
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add);
        const std::string relative = fs::relative(it->path(), root).string();
        if (it->is_directory())
            tree.Dirs.insert(relative);
        else
            tree.Files[relative] = ReadWholeFile(it->path().string());
    }
    return tree;
}

void ExpectSameTree(const TTree& actual, const TTree& expected, const std::string& reader) {
    SCOPED_TRACE(reader);
    int reported = 0;
    for (const auto& [path, bytes] : expected.Files) {
        auto it = actual.Files.find(path);
        if (it == actual.Files.end()) {
            ADD_FAILURE() << "missing file " << path;
        } else if (it->second != bytes) {
            ADD_FAILURE() << "content differs: " << path << " (" << it->second.size() << " bytes, expected "
                          << bytes.size() << ")";
        } else {
            continue;
        }
        if (++reported > 10) return;
    }
    for (const auto& [path, bytes] : actual.Files)
        if (!expected.Files.count(path)) ADD_FAILURE() << "unexpected file " << path;
    for (const auto& dir : expected.Dirs) EXPECT_TRUE(actual.Dirs.count(dir)) << "missing folder " << dir;
    for (const auto& dir : actual.Dirs) EXPECT_TRUE(expected.Dirs.count(dir)) << "unexpected folder " << dir;
}

class ReadersTest : public IsoTest {
protected:
    ReadersTest() { folders_["\\"] = {"", ""}; }

    // A folder of the project, with the names each tree should show.
    void Dir(const std::string& path, const std::string& isoName, std::string jolietName = "") {
        const auto slash = path.rfind('\\');
        const std::string parent = slash == 0 ? "\\" : path.substr(0, slash);
        if (jolietName.empty()) jolietName = path.substr(slash + 1);
        ASSERT_TRUE(folders_.count(parent)) << path;
        ASSERT_NE(burner.CreateDir(path), nullptr) << path;
        const auto& [j, i] = folders_[parent];
        folders_[path] = {Join(j, jolietName), Join(i, isoName)};
        joliet.Dirs.insert(folders_[path].first);
        iso.Dirs.insert(folders_[path].second);
    }

    // A file of the local disk added to folder `dir`, with the names each
    // tree should show (by default its own name, and that upper-cased).
    void File(const std::string& dir, const std::string& name, const std::string& bytes, std::string jolietName = "",
              std::string isoName = "") {
        // One source folder per project folder: a project folder never
        // holds two entries of the same name.
        const std::size_t folder = folderIndex_.try_emplace(dir, folderIndex_.size()).first->second;
        const std::string source = tmp.Write("src/" + std::to_string(folder) + "/" + name, bytes);
        ASSERT_TRUE(burner.InsertFile(dir, source, false)) << name;
        if (jolietName.empty()) jolietName = name;
        if (isoName.empty()) isoName = UpperCase(name);
        const auto& [j, i] = folders_.at(dir);
        joliet.Files[Join(j, jolietName)] = bytes;
        iso.Files[Join(i, isoName)] = bytes;
    }

    std::string Save() {
        const std::string image = tmp / "volume.iso";
        std::vector<std::string> done;
        burner.OnWriteDone = [&](TOrvoBurner&, const std::string& e) { done.push_back(e); };
        EXPECT_TRUE(burner.SaveISOImage(image, true));
        EXPECT_EQ(done, std::vector<std::string>{""});
        return image;
    }

    // Extracts the image with one reader into a fresh folder and reads it.
    TTree Extract(const std::string& image, const std::string& reader, const std::string& tree = "joliet") {
        const fs::path out = tmp.Path() / ("out-" + reader + "-" + tree);
        fs::create_directories(out);
        TRun run;
        if (reader == "xorriso")
            run = Sh("xorriso -abort_on FAILURE " + std::string(tree == "iso" ? "-read_fs ecma119 " : "") +
                     "-osirrox on -indev " + Q(image) + " -extract / " + Q(out.string()));
        else if (reader == "bsdtar")
            run = Sh("bsdtar -xf " + Q(image) + " -C " + Q(out.string()));
        else if (reader == "7z")
            run = Sh("7z x -y -bd -o" + Q(out.string()) + " " + Q(image));
        EXPECT_EQ(run.Status, 0) << reader << ": " << run.Out;
        return ReadTree(out);
    }

    // isoinfo's listing of one tree: one line per entry, files with ";1".
    std::set<std::string> IsoinfoListing(const std::string& image, bool jolietTree) {
        const TRun run = Sh("isoinfo -i " + Q(image) + (jolietTree ? " -J" : "") + " -f");
        EXPECT_EQ(run.Status, 0) << run.Out;
        std::set<std::string> lines;
        std::size_t start = 0;
        for (std::size_t end; (end = run.Out.find('\n', start)) != std::string::npos; start = end + 1)
            lines.insert(run.Out.substr(start, end - start));
        return lines;
    }

    void ExpectIsoinfoListing(const std::string& image, bool jolietTree) {
        const TTree& expected = jolietTree ? joliet : iso;
        const auto lines = IsoinfoListing(image, jolietTree);
        EXPECT_EQ(lines.size(), expected.Files.size() + expected.Dirs.size());
        // isoinfo shows only the Latin-1 part of UCS-2 names faithfully.
        const auto ascii = [](const std::string& s) {
            return std::all_of(s.begin(), s.end(), [](char c) { return c >= 0x20 && c < 0x7F; });
        };
        for (const auto& [path, bytes] : expected.Files) {
            if (ascii(path)) {
                EXPECT_TRUE(lines.count("/" + path + ";1")) << "isoinfo: " << path;
            }
        }
        for (const auto& dir : expected.Dirs) {
            if (ascii(dir)) {
                EXPECT_TRUE(lines.count("/" + dir)) << "isoinfo: " << dir;
            }
        }
    }

    // isoinfo extracts a few files by their recorded path.
    void ExpectIsoinfoExtracts(const std::string& image, bool jolietTree, const std::vector<std::string>& paths) {
        const TTree& expected = jolietTree ? joliet : iso;
        for (const auto& path : paths) {
            const TRun run = Sh("isoinfo -i " + Q(image) + (jolietTree ? " -J" : "") + " -x " + Q("/" + path + ";1") +
                                " 2>/dev/null");
            EXPECT_EQ(run.Out, expected.Files.at(path)) << "isoinfo -x " << path;
        }
    }

    static std::string Join(const std::string& a, const std::string& b) { return a.empty() ? b : a + "/" + b; }

    TTempDir tmp;
    TTree joliet, iso;

private:
    std::map<std::string, std::pair<std::string, std::string>> folders_;
    std::map<std::string, std::size_t> folderIndex_;
};


TEST_F(ReadersTest, VariedProjectReadsBackInBothTreesWithEveryByteInPlace) {
    REQUIRE_TOOL("xorriso");
    REQUIRE_TOOL("isoinfo");
    REQUIRE_TOOL("bsdtar");
    REQUIRE_TOOL("7z");
    Dir("\\Docs", "DOCS");
    Dir("\\Docs\\Sub dir", "SUB_DIR");
    File("\\", "readme.txt", Pattern(5000, 1));
    File("\\", "empty.dat", "");
    File("\\", ".hidden", Pattern(100, 2));
    File("\\", "exactly one sector.bin", Pattern(2048, 3));
    File("\\", "one block and a byte.bin", Pattern(131073, 4));
    File("\\Docs", "caf\xC3\xA9 \xE2\x82\xAC.txt", Pattern(10, 5), "", "CAF_ _.TXT");
    File("\\Docs", "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E.txt", Pattern(20, 6), "", "___.TXT");
    File("\\Docs", "emoji \xF0\x9F\x98\x80.txt", Pattern(30, 7), "", "EMOJI _.TXT");
    File("\\Docs\\Sub dir", "a:b*c?.txt", Pattern(40, 8), "a_b_c_.txt", "A_B_C_.TXT");
    File("\\Docs\\Sub dir", "semi;colon.txt", Pattern(50, 9), "semi_colon.txt", "SEMI_COLON.TXT");
    File("\\Docs\\Sub dir", "back\\slash.txt", Pattern(60, 10), "back_slash.txt", "BACK_SLASH.TXT");
    File("\\Docs\\Sub dir", "tab\there.txt", Pattern(70, 11), "tab_here.txt", "TAB_HERE.TXT");
    // A cleaned name meets a real one: the real one keeps its name.
    File("\\Docs\\Sub dir", "x?y.txt", Pattern(80, 12), "x_y~1.txt", "X_Y~1.TXT");
    File("\\Docs\\Sub dir", "x_y.txt", Pattern(90, 13));
    // 109 characters: the longest name the project takes.
    const std::string longName = std::string(105, 'L') + ".txt";
    File("\\", longName, Pattern(110, 14), std::string(97, 'L') + ".txt");
    // Names that differ only in case, as a rename leaves them.
    File("\\", "Case.txt", Pattern(120, 15));
    File("\\", "other.txt", Pattern(130, 16), "CASE~1.TXT", "CASE~1.TXT");
    ASSERT_TRUE(burner.RenameEntry("\\", "other.txt", "CASE.TXT", ""));
    // A deep tree, empty folders, and a folder name longer than a record.
    std::string deep = "\\deep";
    Dir(deep, "DEEP");
    for (int level = 1; level <= 12; ++level) {
        deep += "\\level " + std::to_string(level);
        Dir(deep, "LEVEL_" + std::to_string(level));
    }
    File(deep, "bottom.bin", Pattern(3000, 17));
    Dir("\\Empty", "EMPTY");
    Dir("\\Empty\\Inner", "INNER");
    Dir("\\" + std::string(200, 'D'), std::string(13, 'D'), std::string(103, 'D'));
    File("\\" + std::string(200, 'D'), "inside.txt", Pattern(140, 18));

    const std::string image = Save();
    ExpectSameTree(Extract(image, "xorriso"), joliet, "xorriso");
    ExpectSameTree(Extract(image, "bsdtar"), joliet, "bsdtar");
    ExpectSameTree(Extract(image, "7z"), joliet, "7z");
    ExpectSameTree(Extract(image, "xorriso", "iso"), iso, "xorriso, ISO tree");
    ExpectIsoinfoListing(image, true);
    ExpectIsoinfoListing(image, false);
    ExpectIsoinfoExtracts(image, true, {"readme.txt", "Docs/Sub dir/a_b_c_.txt", "CASE~1.TXT"});
    ExpectIsoinfoExtracts(image, false, {"README.TXT", "DOCS/SUB_DIR/X_Y~1.TXT"});
    const TRun info = Sh("isoinfo -d -i " + Q(image));
    EXPECT_NE(info.Out.find("Joliet with UCS level 1 found"), std::string::npos) << info.Out;
    EXPECT_EQ(info.Out.find("El Torito"), std::string::npos) << info.Out;
}

TEST_F(ReadersTest, ThousandsOfFilesInManyFoldersReadBack) {
    REQUIRE_TOOL("xorriso");
    REQUIRE_TOOL("bsdtar");
    REQUIRE_TOOL("7z");
    REQUIRE_TOOL("isoinfo");
    Dir("\\many", "MANY");
    for (int d = 0; d < 60; ++d) Dir(Format("\\many\\folder %02d", d), Format("FOLDER_%02d", d));
    for (int f = 0; f < 3000; ++f)
        File(Format("\\many\\folder %02d", f % 60), Format("file %04d.dat", f),
             Pattern(static_cast<std::size_t>(f * 7 % 5000), static_cast<unsigned>(f)));
    const std::string image = Save();
    ExpectSameTree(Extract(image, "xorriso"), joliet, "xorriso");
    ExpectSameTree(Extract(image, "bsdtar"), joliet, "bsdtar");
    ExpectSameTree(Extract(image, "7z"), joliet, "7z");
    ExpectIsoinfoListing(image, true);
    ExpectIsoinfoListing(image, false);
}

TEST_F(ReadersTest, VolumeWithoutJolietReadsBackWithItsIsoNames) {
    REQUIRE_TOOL("xorriso");
    REQUIRE_TOOL("isoinfo");
    REQUIRE_TOOL("bsdtar");
    REQUIRE_TOOL("7z");
    burner.JolietFileSystem = false;
    Dir("\\Docs", "DOCS");
    File("\\", "readme.txt", Pattern(5000, 1));
    File("\\", "empty.dat", "");
    File("\\", ".hidden", Pattern(10, 2));
    File("\\Docs", "caf\xC3\xA9.txt", Pattern(20, 3), "", "CAF_.TXT");
    File("\\Docs", "caf\xC3\xA8.txt", Pattern(30, 4), "", "CAF_~1.TXT");
    File("\\Docs", "a*b.txt", Pattern(40, 5), "", "A_B.TXT");
    // Folders made by name keep 13 characters of their name in this tree.
    Dir("\\Holiday pictures 2004", "HOLIDAY_PICTU");
    Dir("\\Holiday pictures 2005", "HOLIDAY_PICTU~1");
    File("\\Holiday pictures 2004", "a.jpg", Pattern(50, 6));
    File("\\Holiday pictures 2005", "a.jpg", Pattern(60, 7));
    const std::string image = Save();
    ExpectSameTree(Extract(image, "xorriso"), iso, "xorriso");
    ExpectSameTree(Extract(image, "bsdtar"), iso, "bsdtar");
    ExpectSameTree(Extract(image, "7z"), iso, "7z");
    ExpectIsoinfoListing(image, false);
    ExpectIsoinfoExtracts(image, false, {"README.TXT", "DOCS/CAF_~1.TXT"});
    const TRun info = Sh("isoinfo -d -i " + Q(image));
    EXPECT_NE(info.Out.find("NO Joliet present"), std::string::npos) << info.Out;
}

// Boot images of the three diskette sizes and of an odd size, each read
// back by the boot catalog's readers and compared with its source.
TEST_F(ReadersTest, BootableVolumesCarryTheirBootImageAndCatalog) {
    REQUIRE_TOOL("xorriso");
    REQUIRE_TOOL("isoinfo");
    REQUIRE_TOOL("7z");
    struct Case {
        std::size_t bytes;
        const char* xorrisoEmulation;
        const char* isoinfoMedia;
        const char* sevenZipName;
    } cases[] = {
        {1474560, "fd1.4", "Boot media 2 (1.44MB Floppy)", "Boot-1.44M.img"},
        {2949120, "fd2.8", "Boot media 3 (2.88MB Floppy)", "Boot-2.88M.img"},
        {1228800, "fd1.2", "Boot media 1 (1200 Floppy)", "Boot-1.2M.img"},
        {5 * 2048 + 77, "hd", "Boot media 4 (Hard Disk Emulation)", "Boot-HardDisk.img"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        burner.ResetProject();
        joliet = iso = TTree{};
        const std::string boot = Pattern(c.bytes, static_cast<unsigned>(c.bytes));
        L().BootImageFile = tmp.Write("boot-" + std::to_string(c.bytes) + ".img", boot);
        L().MakeBootable = true;
        Dir("\\Docs", "DOCS");
        File("\\Docs", "after the boot image.bin", Pattern(9000, 1));
        File("\\", "readme.txt", Pattern(700, 2));
        const std::string image = Save();

        const TRun report = Sh("xorriso -indev " + Q(image) + " -report_el_torito plain");
        EXPECT_NE(report.Out.find(Format("El Torito catalog  : %d  1", L().BootCatalogSector)), std::string::npos)
            << report.Out;
        EXPECT_NE(report.Out.find(c.xorrisoEmulation), std::string::npos) << report.Out;
        EXPECT_NE(report.Out.find(Format("%d", L().BootImageSector)), std::string::npos) << report.Out;

        const TRun info = Sh("isoinfo -d -i " + Q(image));
        EXPECT_NE(info.Out.find(Format("El Torito VD version 1 found, boot catalog is in sector %d", L().BootCatalogSector)),
                  std::string::npos)
            << info.Out;
        EXPECT_NE(info.Out.find(c.isoinfoMedia), std::string::npos) << info.Out;
        EXPECT_NE(info.Out.find("ID 'Orvo'"), std::string::npos) << info.Out;

        // xorriso copies the boot image out as the catalog describes it.
        const fs::path bootOut = tmp.Path() / ("boot-out-" + std::to_string(c.bytes));
        fs::create_directories(bootOut);
        const TRun extract =
            Sh("xorriso -osirrox on -indev " + Q(image) + " -extract_boot_images " + Q(bootOut.string() + "/"));
        EXPECT_EQ(extract.Status, 0) << extract.Out;
        const std::string extracted = ReadWholeFile((bootOut / "eltorito_img1_bios.img").string());
        EXPECT_EQ(extracted.substr(0, boot.size()), boot);

        // 7z lists the boot image beside the files; the files read back whole.
        TTree seven = Extract(image, "7z");
        const std::string sevenBoot = seven.Files["[BOOT]/" + std::string(c.sevenZipName)];
        const std::size_t common = std::min(sevenBoot.size(), boot.size());
        EXPECT_EQ(sevenBoot.substr(0, common), boot.substr(0, common));
        EXPECT_FALSE(sevenBoot.empty());
        seven.Files.erase("[BOOT]/" + std::string(c.sevenZipName));
        seven.Dirs.erase("[BOOT]");
        ExpectSameTree(seven, joliet, "7z");
        ExpectSameTree(Extract(image, "xorriso"), joliet, "xorriso");
        fs::remove_all(tmp.Path() / "out-7z-joliet");
        fs::remove_all(tmp.Path() / "out-xorriso-joliet");
    }
}

}  // namespace
}  // namespace sorvane::test
