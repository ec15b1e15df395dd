#pragma once
// Recording to discs on the emulated recorder. The component's real command
// code runs; the drive's pauses pass on the recorder's simulated clock, so a
// recording with its format waits, busy retries and flushes takes
// milliseconds. What the drive received is read from its command log,
// reduced to the steps of a recording; what the disc holds afterwards is read
// back by independent readers from an export of the session.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "tests/device/vdrive_fixture.h"
#include "tests/record/record_fixture.h"

namespace sorvane::test {

// A drive command as a step of a recording: "WRITE 0+32", "CLOSE IMMED 2 0",
// "PAGE wt=1 ms=3 test=0" ... Queries that only read the drive's or the
// disc's state give the empty text.
std::string Step(const vdrive::TLogEntry& entry);

// The steps of a log in order. Commands the drive refused as busy are left
// out (their repetitions are what counts), and a run of WRITEs to
// consecutive sectors, with the buffer queries between them, becomes one
// "WRITES first..end/unit" step (end exclusive, unit the first write's
// sectors).
std::vector<std::string> Steps(const std::vector<vdrive::TLogEntry>& log);

// The output and exit status of a shell command.
struct TShell {
    int Status = -1;
    std::string Out;
};
TShell Shell(const std::string& command);
std::string Quote(const std::string& text);

// A medium kind as a test name: "DvdPlusRw".
std::string MediumTestName(vdrive::TMediumKind kind);

class BurnTest : public VdriveTest {
protected:
    BurnTest();
    ~BurnTest() override;

    // Puts a multi-format writer (or `model`) holding `medium` in drive 0
    // and selects it, with the settings the wizard gives a recording.
    void Insert(const vdrive::TMediumRequest& medium, const vdrive::TDriveModel& model = vdrive::MultiFormatWriter());
    // Puts another disc into drive 0 and starts a new project.
    void Swap(const vdrive::TMediumRequest& medium);

    // Adds a file of `size` pattern bytes under the project folder `dir`
    // ("\" or "\Docs") and remembers its content under its disc path.
    void AddFile(const std::string& dir, const std::string& name, std::size_t size, std::uint8_t seed);
    // A small project: a few files in the root and one folder, about 340
    // sectors of data.
    void AddProject(std::uint8_t seed = 1);
    // The files the next recording adds, by disc path ("Docs/b.txt").
    std::map<std::string, TBytes> files;

    // Starts a recording (as the Process page does: tray locked first) and
    // pumps the owner's queue until it reports. Answers the error text;
    // "<not started>" when the start operation refused without an event.
    std::string Burn();
    std::string BurnImage(const std::string& path);

    // The commands of the last recording from the write thread's first one
    // (READ BUFFER CAPACITY) on; Burn and BurnImage clear the log.
    std::vector<vdrive::TLogEntry> RecordingLog() const;
    std::vector<std::string> RecordingSteps() const { return Steps(RecordingLog()); }

    // Exports session `session` of the disc and reads it with xorriso:
    // every file of `expected` present with its content, nothing else.
    void ExpectSessionHolds(int session, const std::map<std::string, TBytes>& expected);
    std::string ExportSession(int session);

    // Outcomes seen on the owner's thread; eventsOnOwner stays true while
    // every event and debug line is raised there.
    std::vector<std::string> done;
    int finalizing = 0;
    std::int64_t bytesAtFinalizing = -1;
    bool eventsOnOwner = true;

    std::vector<int> Sleeps() const;
    std::vector<std::pair<std::string, int>> Messages() const;

    TTempDir tmp;

private:
    std::string WaitForOutcome(bool started);

    mutable std::mutex mutex_;
    std::vector<int> sleeps_;
    std::vector<std::pair<std::string, int>> messages_;
    int fileCount_ = 0;
};

}  // namespace sorvane::test
