// sorvane-cli make-iso run as a program on real trees: its images against
// the synchronous save of the same project, read back by independent
// readers, and every way it reports trouble.

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>
#include <tuple>

#include "cli/add_paths.h"
#include "cli/progress.h"
#include "engine/orvo_burner.h"
#include "engine/rtl/text.h"
#include "tests/record/record_fixture.h"

extern char** environ;

namespace sorvane {
namespace {

using namespace sorvane::test;

struct TRun {
    int Status = -1;
    std::string Err;
};

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs `argv` with `env` added to the environment; stdout is dropped.
TRun RunProgram(const std::vector<std::string>& argv, const TTempDir& dir, const std::vector<std::string>& env = {}) {
    std::vector<std::string> environment(env);
    for (char** e = environ; *e; ++e) environment.emplace_back(*e);
    std::vector<char*> args, envp;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    for (const auto& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
    args.push_back(nullptr);
    envp.push_back(nullptr);
    const std::string errPath = dir / "stderr.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    pid_t pid = 0;
    TRun run;
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), envp.data()) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    run.Err = Slurp(errPath);
    return run;
}

bool Have(const std::string& tool) { return std::system(("command -v " + tool + " >/dev/null 2>&1").c_str()) == 0; }

class MakeIsoCliTest : public RecordTest {
protected:
    TRun MakeIso(std::vector<std::string> args, const std::vector<std::string>& env = {}) {
        args.insert(args.begin(), {SORVANE_CLI_PATH, "make-iso"});
        return RunProgram(args, dir, env);
    }

    // A tree with nested folders, an empty folder, names in several cases
    // and scripts, files around the sector and block sizes, and links.
    void MakeTree() {
        const std::string root = dir / "tree";
        std::filesystem::create_directories(root + "/Alpha/beta/Gamma");
        std::filesystem::create_directories(root + "/empty folder");
        std::filesystem::create_directories(root + "/Ünïcode ñame");
        const std::size_t sizes[] = {0, 1, 2047, 2048, 2049, 65535, 65536, 65537, 123457, 2500000};
        const char* folders[] = {"", "Alpha/", "Alpha/beta/", "Alpha/beta/Gamma/", "Ünïcode ñame/"};
        int n = 0;
        for (std::size_t size : sizes) {
            const std::string path = root + "/" + folders[n % 5] + "File " + std::to_string(n) + (n % 2 ? ".dat" : "");
            WriteFile(path, Pattern(size, static_cast<std::uint8_t>(n)));
            files.push_back(path.substr(root.size() + 1));
            ++n;
        }
        WriteFile(root + "/Alpha/readme.txt", Pattern(777, 42));
        files.push_back("Alpha/readme.txt");
        std::filesystem::create_symlink(root + "/Alpha/readme.txt", root + "/link to readme.txt");
        files.push_back("link to readme.txt");
        WriteFile(dir / "single.bin", Pattern(5000, 43));
    }

    std::vector<std::string> files;  // relative to the tree
};

TEST_F(MakeIsoCliTest, ImageIsByteIdenticalToTheSynchronousSaveOfTheSameProject) {
    MakeTree();
    const std::vector<std::string> env = {"SOURCE_DATE_EPOCH=1100000000"};
    const TRun run = MakeIso({"-o", dir / "cli.iso", "--cache-mb=2", "--no-post-gap", "--volume-id", "Tree",
                              dir / "tree", dir / "single.bin"},
                             env);
    ASSERT_EQ(run.Status, 0) << run.Err;
    EXPECT_EQ(run.Err, "");

    // The same project in this process, on the same clock and time zone.
    TScopedClock clock(25569.0 + 1100000000.0 / 86400.0, 0);
    TOrvoBurner burner;
    burner.WritePostGap = false;
    burner.IdVolume = "Tree";
    cli::TPathAdder adder(burner, [](const std::string& w) { ADD_FAILURE() << w; });
    adder.AddAll({dir / "tree", dir / "single.bin"});
    ASSERT_TRUE(burner.SaveISOImage(dir / "sync.iso", true));
    const TBytes cli = ReadFile(dir / "cli.iso"), sync = ReadFile(dir / "sync.iso");
    EXPECT_EQ(cli.size(), sync.size());
    EXPECT_TRUE(cli == sync);
}

TEST_F(MakeIsoCliTest, IndependentReadersGetEveryFileBackByteForByte) {
    if (!Have("xorriso") || !Have("isoinfo")) GTEST_SKIP() << "xorriso and isoinfo are needed";
    MakeTree();
    const TRun run = MakeIso({"-o", dir / "out.iso", "--cache-mb", "2", dir / "tree"});
    ASSERT_EQ(run.Status, 0) << run.Err;

    const std::string extracted = dir / "xorriso";
    ASSERT_EQ(std::system(("xorriso -osirrox on -indev '" + (dir / "out.iso") + "' -extract / '" + extracted +
                           "' >/dev/null 2>&1")
                              .c_str()),
              0);
    EXPECT_TRUE(std::filesystem::is_directory(extracted + "/tree/empty folder"));
    for (const std::string& file : files) {
        EXPECT_EQ(ReadFile(extracted + "/tree/" + file), ReadFile(dir / ("tree/" + file))) << "xorriso: " << file;
        // The volume records a file name without a dot with one at its end,
        // and every file name with its version; isoinfo wants both.
        const std::string recorded =
            file.substr(file.rfind('/') + 1).find('.') == std::string::npos ? file + ".;1" : file + ";1";
        // isoinfo knows no UTF-8; the tree's names all fit in Latin-1.
        std::string latin1;
        for (char16_t unit : Utf8ToUtf16(recorded)) latin1 += static_cast<char>(unit);
        const std::string copy = dir / "isoinfo.out";
        const std::string command = "isoinfo -J -j iso8859-1 -i '" + (dir / "out.iso") + "' -x '/tree/" + latin1 +
                                    "' > '" + copy + "' 2>/dev/null";
        ASSERT_EQ(std::system(command.c_str()), 0) << file;
        EXPECT_EQ(ReadFile(copy), ReadFile(dir / ("tree/" + file))) << "isoinfo: " << file;
    }
}

TEST_F(MakeIsoCliTest, EntriesThatCannotBeRecordedAreNamedAndTheRestIsWritten) {
    const std::string root = dir / "odd";
    std::filesystem::create_directories(root + "/Sub/inner");
    WriteFile(root + "/Notes.txt", Pattern(100, 1));
    WriteFile(root + "/notes.TXT", Pattern(100, 2));
    std::filesystem::create_symlink(root + "/nowhere", root + "/dangling");
    std::filesystem::create_symlink(root + "/Sub", root + "/Sub/inner/back");
    ASSERT_EQ(::mkfifo((root + "/pipe").c_str(), 0644), 0);
    {
        std::ofstream huge(root + "/huge.bin");
    }
    std::filesystem::resize_file(root + "/huge.bin", std::uintmax_t{1} << 32);  // sparse: no disk space used
    WriteFile(root + "/Sub/kept.bin", Pattern(3000, 3));
    std::filesystem::create_directories(root + "/sub");  // another folder than "Sub" here
    WriteFile(root + "/sub/other.bin", Pattern(10, 5));

    WriteFile(root + "/odd.iso", Pattern(10000, 4));  // an image of an earlier run, inside the tree

    const TRun run = MakeIso({"-o", root + "/odd.iso", root});
    EXPECT_EQ(run.Status, 3) << run.Err;
    EXPECT_NE(run.Err.find("'" + root + "/odd.iso' left out: it is the image being written"), std::string::npos);
    // Names that differ only in case are distinct here: both are recorded,
    // the later one under a name of its own, and said so.
    EXPECT_NE(run.Err.find(">>> NAME \"notes.TXT\" IN \"\\ODD\" RECORDED AS \"notes~1.TXT\"\n"), std::string::npos)
        << run.Err;
    EXPECT_NE(run.Err.find(">>> NAME \"sub\" IN \"\\ODD\" RECORDED AS \"sub~1\"\n"), std::string::npos);
    EXPECT_EQ(run.Err.find("differs only in case"), std::string::npos);
    EXPECT_NE(run.Err.find("'" + root + "/dangling' left out: symbolic link to nothing"), std::string::npos);
    EXPECT_NE(run.Err.find("'" + root + "/Sub/inner/back' left out: symbolic link loop"), std::string::npos);
    EXPECT_NE(run.Err.find("'" + root + "/pipe' left out: not a regular file or folder"), std::string::npos);
    EXPECT_NE(run.Err.find("'" + root + "/huge.bin' left out: 4 GiB or larger"), std::string::npos);
    if (Have("isoinfo")) {
        const std::string copy = dir / "kept.out";
        ASSERT_EQ(std::system(("isoinfo -J -i '" + root + "/odd.iso' -x '/odd/Sub/kept.bin;1' > '" + copy + "'")
                                  .c_str()),
                  0);
        EXPECT_EQ(ReadFile(copy), Pattern(3000, 3));
        for (const auto& [path, seed, size] : {std::tuple{"/odd/Notes.txt", 1, 100}, {"/odd/notes~1.TXT", 2, 100},
                                                std::tuple{"/odd/sub~1/other.bin", 5, 10}}) {
            ASSERT_EQ(std::system(("isoinfo -J -i '" + root + "/odd.iso' -x '" + path + ";1' > '" + copy + "'")
                                      .c_str()),
                      0);
            EXPECT_EQ(ReadFile(copy), Pattern(static_cast<std::size_t>(size), static_cast<std::uint8_t>(seed))) << path;
        }
    }
}

TEST_F(MakeIsoCliTest, FailuresExitNonZeroWithTheEngineTextAndLeaveNoIncompleteImageNorDestroyTheOldOne) {
    WriteFile(dir / "data.bin", Pattern(3 << 20, 9));
    TRun run = MakeIso({"-o", dir / "missing-folder/out.iso", dir / "data.bin"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("CAN'T CREATE FILE \"" + (dir / "missing-folder/out.iso") + "\""), std::string::npos);

    run = MakeIso({"-o", "/dev/full", dir / "data.bin"});
    EXPECT_EQ(run.Status, 1);
    EXPECT_NE(run.Err.find("CAN'T WRITE FILE \"/dev/full\" [NO SPACE LEFT ON DEVICE]"), std::string::npos) << run.Err;

    // A real full file system, when this process may mount one.
    const std::string small = dir / "small";
    std::filesystem::create_directories(small);
    if (::mount("tmpfs", small.c_str(), "tmpfs", 0, "size=1m") == 0) {
        // The image a failed run was to replace stays whole, and nothing
        // half-written is left beside it.
        WriteFile(small + "/out.iso", Pattern(100000, 5));
        run = MakeIso({"-o", small + "/out.iso", dir / "data.bin"});
        const TBytes kept = ReadFile(small + "/out.iso");
        const auto entries = std::distance(std::filesystem::directory_iterator(small), {});
        ::umount(small.c_str());
        EXPECT_EQ(run.Status, 1);
        EXPECT_NE(run.Err.find("CAN'T WRITE FILE \"" + small + "/out.iso\" [NO SPACE LEFT ON DEVICE]"),
                  std::string::npos)
            << run.Err;
        EXPECT_TRUE(kept == Pattern(100000, 5));
        EXPECT_EQ(entries, 1);
    }

    EXPECT_EQ(MakeIso({"-o", dir / "x.iso"}).Status, 2) << "no PATH";
    EXPECT_EQ(MakeIso({dir / "data.bin"}).Status, 2) << "no output";
    EXPECT_EQ(MakeIso({"-o", dir / "x.iso", "--cache-mb=1", dir / "data.bin"}).Status, 2);
    EXPECT_EQ(MakeIso({"-o", dir / "x.iso", "--boot", dir / "no.img", dir / "data.bin"}).Status, 2);
    WriteFile(dir / "empty.img", {});
    run = MakeIso({"-o", dir / "x.iso", "--boot", dir / "empty.img", dir / "data.bin"});
    EXPECT_EQ(run.Status, 2);
    EXPECT_NE(run.Err.find("the boot image '" + (dir / "empty.img") + "' is empty"), std::string::npos) << run.Err;
    EXPECT_EQ(MakeIso({"-o", dir / "x.iso", "--frobnicate", dir / "data.bin"}).Status, 2);
    EXPECT_EQ(MakeIso({"-o", dir / "x.iso", dir / "nothing-here"}).Status, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "x.iso"));
}

TEST(CliProgress, LineShowsSizesPercentFillAndTimes) {
    EXPECT_EQ(cli::FormatProgress(0, 734003200, 0, 0), "    0.0 / 700.0 Mb    0%  read buffer   0%  elapsed 0:00  remaining -:--");
    EXPECT_EQ(cli::FormatProgress(183500800, 734003200, 98, 12),
              "  175.0 / 700.0 Mb   25%  read buffer  98%  elapsed 0:12  remaining 0:36");
    EXPECT_EQ(cli::FormatDuration(3723), "1:02:03");
    EXPECT_EQ(cli::FormatProgress(734003200, 734003200, 0, 4000),
              "  700.0 / 700.0 Mb  100%  read buffer   0%  elapsed 1:06:40  remaining 0:00");
}

}  // namespace
}  // namespace sorvane
