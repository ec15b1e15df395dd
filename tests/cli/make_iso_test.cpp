// sorvane-cli make-iso run as a program on real trees: its images against
// the synchronous save of the same project, read back by independent
// readers, and every way it reports trouble.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <tuple>

#include "engine/orvo_burner.h"
#include "engine/rtl/sync_queue.h"
#include "engine/rtl/text.h"
#include "tasks/add_paths.h"
#include "tests/cli/cli_fixture.h"

namespace sorvane {
namespace {

using namespace sorvane::test;

class MakeIsoCliTest : public CliTest {
protected:
    // An image needs no drive: these run on a machine with one too.
    void SetUp() override {
        TSyncQueue::Main().ClaimOwnership();
        std::filesystem::create_directories(work);
    }

    // sorvane-cli make-iso with `args`, and `env` added to its environment;
    // what it prints on stderr.
    TRun MakeIso(const std::vector<std::string>& args, const std::vector<std::string>& env = {}) {
        std::string arguments = "make-iso";
        for (const std::string& arg : args) arguments += " " + Quote(arg);
        std::string variables;
        for (const std::string& variable : env) variables += variable + " ";
        return Shell("{ " + variables + recorder.CliCommand(arguments) + " 2>&1 >/dev/null; }");
    }
    std::string At(const std::string& name) const { return tmp.Path() + "/" + name; }

    // A tree with nested folders, an empty folder, names in several cases
    // and scripts, files around the sector and block sizes, and links.
    void MakeTree() {
        const std::string root = At("tree");
        std::filesystem::create_directories(root + "/Alpha/beta/Gamma");
        std::filesystem::create_directories(root + "/empty folder");
        std::filesystem::create_directories(root + "/Ünïcode ñame");
        const std::size_t sizes[] = {0, 1, 2047, 2048, 2049, 65535, 65536, 65537, 123457, 2500000};
        const char* folders[] = {"", "Alpha/", "Alpha/beta/", "Alpha/beta/Gamma/", "Ünïcode ñame/"};
        int n = 0;
        for (std::size_t size : sizes) {
            const std::string path = root + "/" + folders[n % 5] + "File " + std::to_string(n) + (n % 2 ? ".dat" : "");
            WriteAll(path, Noise(size, static_cast<std::uint8_t>(n)));
            files.push_back(path.substr(root.size() + 1));
            ++n;
        }
        WriteAll(root + "/Alpha/readme.txt", Noise(777, 42));
        files.push_back("Alpha/readme.txt");
        std::filesystem::create_symlink(root + "/Alpha/readme.txt", root + "/link to readme.txt");
        files.push_back("link to readme.txt");
        WriteAll(At("single.bin"), Noise(5000, 43));
    }

    std::vector<std::string> files;  // relative to the tree
};

TEST_F(MakeIsoCliTest, ImageIsByteIdenticalToTheSynchronousSaveOfTheSameProject) {
    MakeTree();
    const std::vector<std::string> env = {"SOURCE_DATE_EPOCH=1100000000"};
    const TRun run = MakeIso({"-o", At("cli.iso"), "--cache-mb=2", "--no-post-gap", "--volume-id", "Tree",
                              At("tree"), At("single.bin")},
                             env);
    ASSERT_EQ(run.ExitCode, 0) << run.Output;
    EXPECT_EQ(run.Output, "");

    // The same project in this process, on the same clock and time zone.
    TScopedClock clock(25569.0 + 1100000000.0 / 86400.0, 0);
    TOrvoBurner burner;
    burner.WritePostGap = false;
    burner.IdVolume = "Tree";
    tasks::TPathAdder adder(burner, [](const std::string& w) { ADD_FAILURE() << w; });
    adder.AddAll({At("tree"), At("single.bin")});
    ASSERT_TRUE(burner.SaveISOImage(At("sync.iso"), true));
    const std::vector<std::uint8_t> cli = ReadAll(At("cli.iso")), sync = ReadAll(At("sync.iso"));
    EXPECT_EQ(cli.size(), sync.size());
    EXPECT_TRUE(cli == sync);
}

TEST_F(MakeIsoCliTest, IndependentReadersGetEveryFileBackByteForByte) {
    if (!Installed("xorriso") || !Installed("isoinfo")) GTEST_SKIP() << "xorriso and isoinfo are needed";
    MakeTree();
    const TRun run = MakeIso({"-o", At("out.iso"), "--cache-mb", "2", At("tree")});
    ASSERT_EQ(run.ExitCode, 0) << run.Output;

    const std::string extracted = At("xorriso");
    ASSERT_EQ(std::system(("xorriso -osirrox on -indev '" + At("out.iso") + "' -extract / '" + extracted +
                           "' >/dev/null 2>&1")
                              .c_str()),
              0);
    EXPECT_TRUE(std::filesystem::is_directory(extracted + "/tree/empty folder"));
    for (const std::string& file : files) {
        EXPECT_EQ(ReadAll(extracted + "/tree/" + file), ReadAll(At("tree/" + file))) << "xorriso: " << file;
        // The volume records a file name without a dot with one at its end,
        // and every file name with its version; isoinfo wants both.
        const std::string recorded =
            file.substr(file.rfind('/') + 1).find('.') == std::string::npos ? file + ".;1" : file + ";1";
        // isoinfo knows no UTF-8; the tree's names all fit in Latin-1.
        std::string latin1;
        for (char16_t unit : Utf8ToUtf16(recorded)) latin1 += static_cast<char>(unit);
        const std::string copy = At("isoinfo.out");
        const std::string command = "isoinfo -J -j iso8859-1 -i '" + At("out.iso") + "' -x '/tree/" + latin1 +
                                    "' > '" + copy + "' 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << file;
        EXPECT_EQ(ReadAll(copy), ReadAll(At("tree/" + file))) << "isoinfo: " << file;
    }
}

TEST_F(MakeIsoCliTest, EntriesThatCannotBeRecordedAreNamedAndTheRestIsWritten) {
    const std::string root = At("odd");
    std::filesystem::create_directories(root + "/Sub/inner");
    WriteAll(root + "/Notes.txt", Noise(100, 1));
    WriteAll(root + "/notes.TXT", Noise(100, 2));
    std::filesystem::create_symlink(root + "/nowhere", root + "/dangling");
    std::filesystem::create_symlink(root + "/Sub", root + "/Sub/inner/back");
    ASSERT_EQ(::mkfifo((root + "/pipe").c_str(), 0644), 0);
    {
        std::ofstream huge(root + "/huge.bin");
    }
    std::filesystem::resize_file(root + "/huge.bin", std::uintmax_t{1} << 32);  // sparse: no disk space used
    WriteAll(root + "/Sub/kept.bin", Noise(3000, 3));
    std::filesystem::create_directories(root + "/sub");  // another folder than "Sub" here
    WriteAll(root + "/sub/other.bin", Noise(10, 5));

    WriteAll(root + "/odd.iso", Noise(10000, 4));  // an image of an earlier run, inside the tree

    const TRun run = MakeIso({"-o", root + "/odd.iso", root});
    EXPECT_EQ(run.ExitCode, 3) << run.Output;
    EXPECT_NE(run.Output.find("'" + root + "/odd.iso' left out: it is the image being written"), std::string::npos);
    // Names that differ only in case are distinct here: both are recorded,
    // the later one under a name of its own, and said so.
    EXPECT_NE(run.Output.find(">>> NAME \"notes.TXT\" IN \"\\ODD\" RECORDED AS \"notes~1.TXT\"\n"),
              std::string::npos)
        << run.Output;
    EXPECT_NE(run.Output.find(">>> NAME \"sub\" IN \"\\ODD\" RECORDED AS \"sub~1\"\n"), std::string::npos);
    EXPECT_EQ(run.Output.find("differs only in case"), std::string::npos);
    EXPECT_NE(run.Output.find("'" + root + "/dangling' left out: symbolic link to nothing"), std::string::npos);
    EXPECT_NE(run.Output.find("'" + root + "/Sub/inner/back' left out: symbolic link loop"), std::string::npos);
    EXPECT_NE(run.Output.find("'" + root + "/pipe' left out: not a regular file or folder"), std::string::npos);
    EXPECT_NE(run.Output.find("'" + root + "/huge.bin' left out: 4 GiB or larger"), std::string::npos);
    if (Installed("isoinfo")) {
        const std::string copy = At("kept.out");
        ASSERT_EQ(std::system(("isoinfo -J -i '" + root + "/odd.iso' -x '/odd/Sub/kept.bin;1' > '" + copy + "'")
                                  .c_str()),
                  0);
        EXPECT_EQ(ReadAll(copy), Noise(3000, 3));
        for (const auto& [path, seed, size] : {std::tuple{"/odd/Notes.txt", 1, 100}, {"/odd/notes~1.TXT", 2, 100},
                                                std::tuple{"/odd/sub~1/other.bin", 5, 10}}) {
            ASSERT_EQ(std::system(("isoinfo -J -i '" + root + "/odd.iso' -x '" + path + ";1' > '" + copy + "'")
                                      .c_str()),
                      0);
            EXPECT_EQ(ReadAll(copy), Noise(static_cast<std::size_t>(size), static_cast<unsigned>(seed))) << path;
        }
    }
}

TEST_F(MakeIsoCliTest, FailuresExitNonZeroWithTheEngineTextAndLeaveNoIncompleteImageNorDestroyTheOldOne) {
    WriteAll(At("data.bin"), Noise(3 << 20, 9));
    TRun run = MakeIso({"-o", At("missing-folder/out.iso"), At("data.bin")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Output.find("CAN'T CREATE FILE \"" + At("missing-folder/out.iso") + "\""), std::string::npos);

    run = MakeIso({"-o", "/dev/full", At("data.bin")});
    EXPECT_EQ(run.ExitCode, 1);
    EXPECT_NE(run.Output.find("CAN'T WRITE FILE \"/dev/full\" [NO SPACE LEFT ON DEVICE]"), std::string::npos) << run.Output;

    // A real full file system, when this process may mount one.
    const std::string small = At("small");
    std::filesystem::create_directories(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") == 0) {
        // The image a failed run was to replace stays whole, and nothing
        // half-written is left beside it.
        WriteAll(small + "/out.iso", Noise(100000, 5));
        run = MakeIso({"-o", small + "/out.iso", At("data.bin")});
        const auto kept = ReadAll(small + "/out.iso");
        const auto entries = std::distance(std::filesystem::directory_iterator(small), {});
        ::umount(small.c_str());
        EXPECT_EQ(run.ExitCode, 1);
        EXPECT_NE(run.Output.find("CAN'T WRITE FILE \"" + small + "/out.iso\" [NO SPACE LEFT ON DEVICE]"),
                  std::string::npos)
            << run.Output;
        EXPECT_TRUE(kept == Noise(100000, 5));
        EXPECT_EQ(entries, 1);
    }

    EXPECT_EQ(MakeIso({"-o", At("x.iso")}).ExitCode, 2) << "no PATH";
    EXPECT_EQ(MakeIso({At("data.bin")}).ExitCode, 2) << "no output";
    EXPECT_EQ(MakeIso({"-o", At("x.iso"), "--cache-mb=1", At("data.bin")}).ExitCode, 2);
    EXPECT_EQ(MakeIso({"-o", At("x.iso"), "--boot", At("no.img"), At("data.bin")}).ExitCode, 2);
    WriteAll(At("empty.img"), {});
    run = MakeIso({"-o", At("x.iso"), "--boot", At("empty.img"), At("data.bin")});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_NE(run.Output.find("the boot image '" + At("empty.img") + "' is empty"), std::string::npos) << run.Output;
    EXPECT_EQ(MakeIso({"-o", At("x.iso"), "--frobnicate", At("data.bin")}).ExitCode, 2);
    EXPECT_EQ(MakeIso({"-o", At("x.iso"), At("nothing-here")}).ExitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(At("x.iso")));
}

}  // namespace
}  // namespace sorvane
