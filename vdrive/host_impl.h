#pragma once
// The inside of THost, shared by host.cpp (the public API), state_file.cpp
// (the state folder) and aspi_entry.cpp (the entry points and the
// completion thread).

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/device/aspi.h"
#include "vdrive/drive.h"
#include "vdrive/sim_clock.h"
#include "vdrive/vdrive.h"

namespace sorvane::vdrive {

struct THost::TImpl {
    ~TImpl();

    // Guards everything below except the clock, which has its own lock.
    mutable std::mutex Mutex;
    TSimClock Clock;
    std::vector<std::unique_ptr<TDrive>> Drives;
    std::vector<TLogEntry> Log;
    std::function<void(const TLogEntry&)> Sink;
    TCompletion Completion = TCompletion::Synchronous;
    bool Configured = false;

    // Persistent mode.
    std::string Folder;
    int LockFd = -1;
    std::chrono::steady_clock::time_point LastSave{};
    bool PendingSave = false;

    // Completion thread.
    std::thread Worker;
    std::condition_variable QueueChanged;
    std::condition_variable Drained;
    std::deque<SRB_ExecSCSICmd*> Queue;
    int InFlight = 0;
    bool Stopping = false;

    TDrive* DriveAt(std::size_t index, std::string* error) const;
    // Runs one command under the lock: executes it, logs it, saves the state
    // when the medium changed. Time the command takes is spent by the caller.
    TReply Run(std::size_t drive, const TCommand& command);
    void Configure();  // lazily opens the default state folder
    // Saves the state into the open folder, if there is one, and closes it.
    void LeaveFolderLocked();
    // Leaves the state folder and forgets every drive, the log and the time:
    // what switching between memory and a state folder starts with.
    void ResetLocked();

    // state_file.cpp
    bool OpenFolder(const std::string& folder, std::string* error);
    void CloseFolder();
    bool SaveLocked(std::string* error);
    void SaveIfDirty(bool writeCommand);
    std::unique_ptr<TSectorStore> BackingFor(std::size_t index, std::string* error) const;

    // aspi_entry.cpp
    void StopWorker();
};

// Executes one request block completely: runs the command, spends its time,
// fills the block and signals its event.
void CompleteRequest(THost::TImpl& impl, SRB_ExecSCSICmd* srb);

}  // namespace sorvane::vdrive
