#include "tests/support/cli_runner.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <utility>

#include "engine/device/transport.h"
#include "engine/rtl/program_files.h"

namespace sorvane::test {
namespace {

// Keeps the state folder with the recorder for as long as the object
// lives, and gives it up again when it goes.
class THostOnFolder {
public:
    explicit THostOnFolder(const std::string& folder) : host_(vdrive::THost::Instance()) {
        opened_ = host_.UseStateFolder(folder, &error_);
    }
    ~THostOnFolder() { host_.UseMemory(); }
    THostOnFolder(const THostOnFolder&) = delete;
    THostOnFolder& operator=(const THostOnFolder&) = delete;

    bool Opened() const { return opened_; }
    const std::string& Error() const { return error_; }
    vdrive::THost& Host() { return host_; }

private:
    vdrive::THost& host_;
    std::string error_;
    bool opened_ = false;
};

}  // namespace

std::string Quote(const std::string& text) { return "'" + text + "'"; }

TRun Shell(const std::string& command) {
    TRun run;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return run;
    std::array<char, 65536> chunk;
    while (std::size_t n = std::fread(chunk.data(), 1, chunk.size(), pipe)) run.Output.append(chunk.data(), n);
    const int status = ::pclose(pipe);
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TRecorderHome::TRecorderHome(std::string folder, const char* timeScale)
    : folder_(std::move(folder)), timeScale_(timeScale) {}

std::string TRecorderHome::CliCommand(const std::string& arguments) const {
    // A library named in the environment would take the recorder's place.
    std::string command = "env -u SORVANE_ASPI_LIBRARY ";
    if (timeScale_) command += std::string("SORVANE_VDRIVE_TIME_SCALE=") + timeScale_ + " ";
    return command + "SORVANE_VDRIVE_HOME=" + Quote(folder_) + " " + Quote(ExecutableFolder() + "sorvane-cli") + " " +
           arguments;
}

TRun TRecorderHome::Cli(const std::string& arguments) const { return Shell(CliCommand(arguments)); }

void TRecorderHome::Change(const std::function<void(vdrive::THost&)>& change) const {
    THostOnFolder on(folder_);
    ASSERT_TRUE(on.Opened()) << on.Error();
    change(on.Host());
    std::string error;
    ASSERT_TRUE(on.Host().Save(&error)) << error;
}

void TRecorderHome::Insert(const vdrive::TMediumRequest& medium, std::size_t drive) const {
    Change([&](vdrive::THost& host) {
        std::string error;
        ASSERT_TRUE(host.Insert(drive, medium, &error)) << error;
    });
}

vdrive::TDriveStatus TRecorderHome::Status(std::size_t drive) const {
    THostOnFolder on(folder_);
    EXPECT_TRUE(on.Opened()) << on.Error();
    return on.Opened() ? on.Host().Status(drive) : vdrive::TDriveStatus();
}

std::string TRecorderHome::ExportSession(int number, const std::string& image) const {
    THostOnFolder on(folder_);
    EXPECT_TRUE(on.Opened()) << on.Error();
    std::string error;
    EXPECT_TRUE(on.Host().ExportSession(0, number, image, &error)) << error;
    return image;
}

void CliProcessTest::SetUp() {
    struct stat info {};
    if (::stat("/dev/sr0", &info) == 0) GTEST_SKIP() << "this machine has an optical drive";
}

void CliProcessTest::TearDown() {
    TTransport::Instance().Close();
    vdrive::THost::Instance().UseMemory();
}

}  // namespace sorvane::test
