#pragma once
// sorvane-cli's recording commands as a user runs them: separate processes
// on the emulated recorder, whose state lives in a folder of the test's
// own, with the recorder's clock running fast. The discs they record are
// read back by independent readers (xorriso, isoinfo) from the images the
// recorder exports of each session.

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "tests/cli/cli_runner.h"
#include "tests/iso/disc_images.h"
#include "vdrive/vdrive.h"

namespace sorvane::test {

// A file as a reader found it in an image.
struct TFoundFile {
    std::int64_t Lba = -1;  // -1: the reader gave none (an empty file)
    std::int64_t Size = 0;
    std::vector<std::uint8_t> Content;
};
using TFoundTree = std::map<std::string, TFoundFile>;  // by path: "/Docs/big.bin"

// What xorriso finds in the image: every file's first sector, size and
// content. Empty, with a failure added, when it cannot read the image.
TFoundTree ReadWithXorriso(const std::string& image, const std::string& scratch);
// The same from isoinfo, in the Joliet tree (names as recorded) or in the
// ISO 9660 tree (upper-case names, versions and a dotless name's dot
// dropped).
TFoundTree ReadWithIsoinfo(const std::string& image, bool joliet);

// Whether the readers are installed; a test that needs one skips without it.
bool HaveReaders();

class BurnCliTest : public CliProcessTest {
protected:
    void SetUp() override;

    // sorvane-cli with the arguments (quoted by the caller as the shell needs).
    TRun Cli(const std::string& arguments);
    // The same, interrupted with SIGINT once its output holds `cue`.
    TRun CliInterrupted(const std::string& arguments, const std::string& cue);

    // Drive 0 of the state folder gets `medium`.
    void Insert(const vdrive::TMediumRequest& medium);
    vdrive::TDriveStatus Status();
    // Session `number` of the disc as a plain image.
    std::string ExportSession(int number);

    // Writes a file below the test's folder, making its folders.
    std::string Write(const std::string& relative, const std::vector<std::uint8_t>& content);
    std::string Write(const std::string& relative, const std::string& text);
    // A file of `bytes` that takes no room: only its size matters.
    std::string Sparse(const std::string& relative, std::int64_t bytes);

    // Fast enough that the recorder's own waits (spinning up, closing a
    // session) and the burner's pauses, which follow its clock, cost nothing.
    static constexpr char kTimeScale[] = "1000000";

    TTempDir tmp;
    const TRecorderHome recorder{tmp.Path() + "/home", kTimeScale};
    const std::string work = tmp.Path() + "/work";
};

// `bytes` bytes that differ from file to file with `seed`.
std::vector<std::uint8_t> Noise(std::size_t bytes, unsigned seed);
std::vector<std::uint8_t> Bytes(const std::string& text);

}  // namespace sorvane::test
