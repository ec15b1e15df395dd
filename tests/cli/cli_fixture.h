#pragma once
// sorvane-cli as a user runs it: a separate process, the one built beside
// the test program, on the emulated recorder whose state lives in a
// throw-away folder of the test's own, with the recorder's clock running
// fast. The test and the processes take turns with that folder: the test
// opens it only for as long as it prepares or inspects the drives.

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tests/iso/disc_images.h"
#include "vdrive/vdrive.h"

namespace sorvane::test {

struct TRun {
    int ExitCode = -1;   // -1: the program did not end by itself
    std::string Output;  // stdout and stderr together, unless the command line said otherwise
};

// `text` in single quotes, for a shell command line.
std::string Quote(const std::string& text);
// Runs a shell command; stdout and stderr together.
TRun Shell(const std::string& command);
// Whether `program` is installed; a test that needs one skips without it.
bool Installed(const char* program);

class TRecorderHome {
public:
    // `timeScale`: how many times faster than real time the recorder's clock
    // runs in sorvane-cli, so that its waits cost nothing; nullptr keeps the
    // recorder's own.
    explicit TRecorderHome(std::string folder, const char* timeScale = nullptr);

    const std::string& Folder() const { return folder_; }

    // The shell command that runs sorvane-cli on the folder with the
    // arguments (quoted by the caller as the shell needs), without
    // redirections.
    std::string CliCommand(const std::string& arguments) const;
    // Runs it; stdout and stderr together.
    TRun Cli(const std::string& arguments) const;
    // The same, interrupted with SIGINT once its output holds `cue`.
    TRun CliInterrupted(const std::string& arguments, const std::string& cue) const;

    // Opens the folder in this process's recorder for `change`, saves what
    // it did and lets go of the folder again.
    void Change(const std::function<void(vdrive::THost&)>& change) const;
    // Drive `drive` gets `medium`.
    void Insert(const vdrive::TMediumRequest& medium, std::size_t drive = 0) const;
    vdrive::TDriveStatus Status(std::size_t drive = 0) const;
    // Session `number` of drive 0's disc as a plain image at `image`;
    // answers `image`.
    std::string ExportSession(int number, const std::string& image) const;

private:
    std::string folder_;
    const char* timeScale_;
};

// The base of tests that run sorvane-cli on the recorder. They are skipped
// on a machine with an optical drive, which sorvane-cli would prefer to the
// recorder, and let go of the transport and the recorder's state folder
// whatever a test left undone.
class CliTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // sorvane-cli with the arguments (quoted by the caller as the shell needs).
    TRun Cli(const std::string& arguments) { return recorder.Cli(arguments); }
    TRun CliInterrupted(const std::string& arguments, const std::string& cue) {
        return recorder.CliInterrupted(arguments, cue);
    }

    // Drive `drive` of the state folder gets `medium`.
    void Insert(const vdrive::TMediumRequest& medium, std::size_t drive = 0) { recorder.Insert(medium, drive); }
    vdrive::TDriveStatus Status(std::size_t drive = 0) { return recorder.Status(drive); }
    // Session `number` of the disc as a plain image.
    std::string ExportSession(int number);

    // Writes a file below `work`, making its folders.
    std::string Write(const std::string& relative, const std::vector<std::uint8_t>& content);
    std::string Write(const std::string& relative, const std::string& text);
    // A file of `bytes` that takes no room: only its size matters.
    std::string Sparse(const std::string& relative, std::int64_t bytes);

    // Fast enough that the recorder's own waits (spinning up, blanking,
    // closing a session) and the burner's pauses, which follow its clock,
    // cost nothing.
    static constexpr char kTimeScale[] = "1000000";

    TTempDir tmp;
    const TRecorderHome recorder{tmp.Path() + "/home", kTimeScale};
    // The files a test records; created for each test.
    const std::string work = tmp.Path() + "/work";
};

// `bytes` bytes that differ from file to file with `seed`.
std::vector<std::uint8_t> Noise(std::size_t bytes, unsigned seed);
std::vector<std::uint8_t> Bytes(const std::string& text);

}  // namespace sorvane::test
