#include "tests/record/burn_fixture.h"

#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "engine/rtl/endian.h"
#include "engine/rtl/format.h"
#include "engine/rtl/sync_queue.h"
#include "engine/rtl/thread.h"

namespace sorvane::test {
namespace {

namespace fs = std::filesystem;

constexpr int kOutcomeWaitMs = 60000;
constexpr char kNotStarted[] = "<not started>";

bool RefusedAsBusy(const vdrive::TLogEntry& entry) {
    return entry.TargetStatus == 0x08 || (entry.TargetStatus == 0x02 && entry.Asc == 0x04);
}

std::map<std::string, TBytes> ReadTree(const fs::path& root) {
    std::map<std::string, TBytes> tree;
    for (const auto& item : fs::recursive_directory_iterator(root))
        if (item.is_regular_file()) tree[fs::relative(item.path(), root).string()] = ReadFile(item.path().string());
    return tree;
}

}  // namespace

std::string Step(const vdrive::TLogEntry& entry) {
    const std::vector<std::uint8_t>& c = entry.Cdb;
    const std::vector<std::uint8_t>& d = entry.DataOut;
    switch (c[0]) {
        case 0x01: return "REZERO";
        case 0x04: return "FORMAT";
        case 0x1B: return c[4] == 0x03 ? "LOAD" : "EJECT";
        case 0x1E: return c[4] & 1 ? "LOCK" : "UNLOCK";
        case 0x28: return Format("READ %u+%u", ReadMsb<std::uint32_t>(&c[2]), ReadMsb<std::uint16_t>(&c[7]));
        case 0x2A: return Format("WRITE %u+%u", ReadMsb<std::uint32_t>(&c[2]), ReadMsb<std::uint16_t>(&c[7]));
        case 0x35: return c[1] & 0x02 ? "SYNC IMMED" : "SYNC";
        case 0x53: return Format("RESERVE %u", ReadMsb<std::uint32_t>(&c[5]));
        case 0x54: return "OPC";
        case 0x55: {
            if (d.size() < 12) return "PAGE ?";
            const std::uint8_t* p = &d[8];
            return Format("PAGE wt=%d ms=%d test=%d", p[2] & 0x0F, p[3] >> 6, (p[2] >> 4) & 1);
        }
        case 0x5B:
            return Format("CLOSE%s %d %d", c[1] & 1 ? " IMMED" : "", c[2] & 0x07, ReadMsb<std::uint16_t>(&c[4]));
        case 0x5C: return "BUFFER";
        case 0xB6:
            if (d.size() < 12) return "STREAMING ?";
            return Format("STREAMING %u-%u", ReadMsb<std::uint32_t>(&d[4]), ReadMsb<std::uint32_t>(&d[8]));
        case 0xBB: return Format("SPEED w=%u", ReadMsb<std::uint16_t>(&c[4]));
        case 0xBF: return "TIMESTAMP";
        default: return {};
    }
}

std::vector<std::string> Steps(const std::vector<vdrive::TLogEntry>& log) {
    std::vector<std::string> steps;
    bool inRun = false;
    int pendingQueries = 0;  // buffer queries since the run's last write
    std::uint32_t first = 0, end = 0, unit = 0;
    auto closeRun = [&] {
        if (inRun) steps.push_back(Format("WRITES %u..%u/%u", first, end, unit));
        for (; pendingQueries > 0; --pendingQueries) steps.push_back("BUFFER");
        inRun = false;
    };
    for (const auto& entry : log) {
        if (RefusedAsBusy(entry)) continue;
        const std::string step = Step(entry);
        if (step.empty()) continue;
        if (entry.Cdb[0] == 0x2A && entry.SrbStatus == 1) {
            const std::uint32_t lba = ReadMsb<std::uint32_t>(&entry.Cdb[2]);
            const std::uint32_t count = ReadMsb<std::uint16_t>(&entry.Cdb[7]);
            if (inRun && lba == end) {
                end += count;
                pendingQueries = 0;
                continue;
            }
            closeRun();
            inRun = true;
            first = lba;
            end = lba + count;
            unit = count;
            continue;
        }
        // Buffer queries between writes belong to the run.
        if (inRun && entry.Cdb[0] == 0x5C) {
            ++pendingQueries;
            continue;
        }
        closeRun();
        steps.push_back(step);
    }
    closeRun();
    return steps;
}

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

std::string MediumTestName(vdrive::TMediumKind kind) {
    using K = vdrive::TMediumKind;
    switch (kind) {
        case K::CdR: return "CdR";
        case K::CdRw: return "CdRw";
        case K::DvdR: return "DvdR";
        case K::DvdRw: return "DvdRwSequential";
        case K::DvdRwRestricted: return "DvdRwRestricted";
        case K::DvdPlusR: return "DvdPlusR";
        case K::DvdPlusRDl: return "DvdPlusRDl";
        case K::DvdPlusRw: return "DvdPlusRw";
        case K::DvdRam: return "DvdRam";
        default: return "Other";
    }
}

TShell Shell(const std::string& command) {
    TShell result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe) return result;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) result.Out.append(buffer, n);
    const int status = ::pclose(pipe);
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

BurnTest::BurnTest() {
    TSyncQueue::Main().ClaimOwnership();
    burner.OnDebugMessage = [this](TSCSIDevice&, const std::string& message, int type) {
        eventsOnOwner = eventsOnOwner && TSyncQueue::Main().IsOwnerThread();
        std::lock_guard lock(mutex_);
        messages_.emplace_back(message, type);
    };
    burner.OnWriteDone = [this](TOrvoBurner& sender, const std::string& error) {
        EXPECT_EQ(&sender, &burner);
        eventsOnOwner = eventsOnOwner && TSyncQueue::Main().IsOwnerThread();
        done.push_back(error);
    };
    burner.OnFinalizingTrack = [this](TOrvoBurner&) {
        eventsOnOwner = eventsOnOwner && TSyncQueue::Main().IsOwnerThread();
        ++finalizing;
        bytesAtFinalizing = burner.BytesWritten();
    };
    burner.Sleep = [this](int ms) {
        {
            std::lock_guard lock(mutex_);
            sleeps_.push_back(ms);
        }
        host.AdvanceClock(ms / 1000.0);
    };
}

BurnTest::~BurnTest() {
    host.SetLogSink({});
    TThread::WaitForFreeOnTerminateThreads();
    TSyncQueue::Main().Pump();
}

void BurnTest::Insert(const vdrive::TMediumRequest& medium, const vdrive::TDriveModel& model) {
    AddDrive(model, medium);
    OpenAndSelect();
    // What the main window gives every recording.
    burner.PerformOPC = true;
    burner.UnderrunProtection = true;
    burner.WritePostGap = true;
    burner.FinalizeDisc = false;
    burner.TestWrite = false;
}

void BurnTest::Swap(const vdrive::TMediumRequest& medium) {
    std::string error;
    ASSERT_TRUE(host.Insert(0, medium, &error)) << error;
    burner.TestUnitReady(5000);  // the medium change is reported once
    burner.ResetProject();
    files.clear();
}

void BurnTest::AddFile(const std::string& dir, const std::string& name, std::size_t size, std::uint8_t seed) {
    const std::string source = tmp / ("src" + std::to_string(fileCount_++));
    fs::create_directories(source);
    WriteFile(source + "/" + name, Pattern(size, seed));
    if (dir != "\\") {
        ASSERT_NE(burner.CreateDir(dir), nullptr) << dir;
    }
    ASSERT_TRUE(burner.InsertFile(dir, source + "/" + name, false)) << name;
    std::string path = dir == "\\" ? name : dir.substr(1) + "/" + name;
    for (char& c : path)
        if (c == '\\') c = '/';
    files[path] = Pattern(size, seed);
}

void BurnTest::AddProject(std::uint8_t seed) {
    AddFile("\\", "alpha.txt", 5000, seed);
    AddFile("\\", "big.bin", 680000, static_cast<std::uint8_t>(seed + 1));
    AddFile("\\Docs", "readme.txt", 100, static_cast<std::uint8_t>(seed + 2));
    AddFile("\\Docs", "empty.dat", 0, 0);
    burner.PrepareImage(false, nullptr);
}

std::string BurnTest::WaitForOutcome(bool started) {
    const std::size_t before = done.size();
    if (started) {
        EXPECT_TRUE(TSyncQueue::Main().PumpUntil([&] { return done.size() > before; }, kOutcomeWaitMs))
            << "no OnWriteDone";
    }
    TThread::WaitForFreeOnTerminateThreads();
    TSyncQueue::Main().Pump();
    if (!started) return done.size() > before ? done.back() : kNotStarted;
    return done.size() > before ? done.back() : "<no outcome>";
}

std::string BurnTest::Burn() {
    const std::size_t before = done.size();
    burner.AllowMediumRemoval(false);
    host.ClearLog();
    const bool started = burner.BurnProject();
    if (!started) return done.size() > before ? done.back() : kNotStarted;
    return WaitForOutcome(true);
}

std::string BurnTest::BurnImage(const std::string& path) {
    const std::size_t before = done.size();
    burner.AllowMediumRemoval(false);
    host.ClearLog();
    const bool started = burner.BurnISOImage(path);
    if (!started) return done.size() > before ? done.back() : kNotStarted;
    return WaitForOutcome(true);
}

std::vector<vdrive::TLogEntry> BurnTest::RecordingLog() const {
    // The log starts with the start operation (Burn clears it); the write
    // thread's first command is READ BUFFER CAPACITY, which the start
    // operation never sends.
    const std::vector<vdrive::TLogEntry> log = host.Log();
    auto first = std::find_if(log.begin(), log.end(), [](const auto& entry) { return entry.Cdb[0] == 0x5C; });
    return {first, log.end()};
}

std::string BurnTest::ExportSession(int session) {
    const std::string path = tmp / ("session" + std::to_string(session) + ".iso");
    std::string error;
    EXPECT_TRUE(host.ExportSession(0, session, path, &error)) << error;
    return path;
}

void BurnTest::ExpectSessionHolds(int session, const std::map<std::string, TBytes>& expected) {
    const std::string image = ExportSession(session);
    const fs::path out = tmp.Path() + "/out" + std::to_string(session);
    fs::remove_all(out);
    fs::create_directories(out);
    const TShell run =
        Shell("xorriso -abort_on FAILURE -osirrox on -indev " + Quote(image) + " -extract / " + Quote(out.string()));
    ASSERT_EQ(run.Status, 0) << run.Out;
    const std::map<std::string, TBytes> found = ReadTree(out);
    for (const auto& [path, bytes] : expected) {
        const auto it = found.find(path);
        if (it == found.end()) {
            ADD_FAILURE() << "session " << session << ": " << path << " is missing";
            continue;
        }
        EXPECT_TRUE(it->second == bytes) << "session " << session << ": " << path << " differs";
    }
    EXPECT_EQ(found.size(), expected.size()) << "session " << session << " holds other files";
}

std::vector<int> BurnTest::Sleeps() const {
    std::lock_guard lock(mutex_);
    return sleeps_;
}

std::vector<std::pair<std::string, int>> BurnTest::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

}  // namespace sorvane::test
