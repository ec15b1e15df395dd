#include "tests/cli/cli_fixture.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <random>
#include <utility>

#include "engine/device/transport.h"
#include "engine/rtl/program_files.h"

extern char** environ;

namespace sorvane::test {
namespace {

namespace fs = std::filesystem;

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

bool Installed(const char* program) {
    return Shell(std::string("command -v ") + program + " >/dev/null").ExitCode == 0;
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

TRun TRecorderHome::CliInterrupted(const std::string& arguments, const std::string& cue) const {
    TRun run;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDERR_FILENO);
    // exec all the way down, so that the signal reaches sorvane-cli itself.
    const std::string command = "exec " + CliCommand(arguments);
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, "/bin/sh", &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    if (spawned != 0) {
        ::close(pipeFds[0]);
        return run;
    }
    bool signalled = false;
    std::array<char, 4096> chunk;
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], chunk.data(), chunk.size());
        if (n <= 0) break;
        run.Output.append(chunk.data(), static_cast<std::size_t>(n));
        if (!signalled && run.Output.find(cue) != std::string::npos) {
            ::kill(pid, SIGINT);
            signalled = true;
        }
    }
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.ExitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    EXPECT_TRUE(signalled) << "never saw '" << cue << "'";
    return run;
}

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

void CliTest::SetUp() {
    struct stat info {};
    if (::stat("/dev/sr0", &info) == 0) GTEST_SKIP() << "this machine has an optical drive";
    fs::create_directories(work);
}

void CliTest::TearDown() {
    TTransport::Instance().Close();
    vdrive::THost::Instance().UseMemory();
}

std::string CliTest::ExportSession(int number) {
    return recorder.ExportSession(number, tmp.Path() + "/session" + std::to_string(number) + ".iso");
}

std::string CliTest::Write(const std::string& relative, const std::vector<std::uint8_t>& content) {
    const std::string path = work + "/" + relative;
    fs::create_directories(fs::path(path).parent_path());
    WriteAll(path, content);
    return path;
}

std::string CliTest::Write(const std::string& relative, const std::string& text) {
    return Write(relative, Bytes(text));
}

std::string CliTest::Sparse(const std::string& relative, std::int64_t bytes) {
    const std::string path = Write(relative, std::vector<std::uint8_t>());
    fs::resize_file(path, static_cast<std::uintmax_t>(bytes));
    return path;
}

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

std::vector<std::uint8_t> Noise(std::size_t bytes, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> data(bytes);
    for (auto& byte : data) byte = static_cast<std::uint8_t>(random());
    return data;
}

}  // namespace sorvane::test
