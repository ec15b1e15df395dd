#include <algorithm>
#include <cstdio>
#include <cstring>

#include "vdrive/host_impl.h"
#include "vdrive/scsi.h"

namespace sorvane::vdrive {

THost::TImpl::~TImpl() {
    StopWorker();
    std::lock_guard lock(Mutex);
    LeaveFolderLocked();
}

void THost::TImpl::LeaveFolderLocked() {
    if (!Folder.empty()) SaveLocked(nullptr);
    CloseFolder();
}

void THost::TImpl::ResetLocked() {
    LeaveFolderLocked();
    Drives.clear();
    Log.clear();
    Clock.Reset();
}

TDrive* THost::TImpl::DriveAt(std::size_t index, std::string* error) const {
    if (index < Drives.size()) return Drives[index].get();
    if (error) *error = "no drive " + std::to_string(index) + " (there are " + std::to_string(Drives.size()) + ")";
    return nullptr;
}

void THost::TImpl::Configure() {
    {
        std::lock_guard lock(Mutex);
        if (Configured) return;
    }
    std::string error;
    // A folder another process has is for the program to explain (its
    // drive list is empty, and THost::FolderHolder says why); anything else
    // is said here.
    if (!THost::Instance().UseStateFolder({}, &error) && THost::FolderHolder(THost::DefaultStateFolder()).empty())
        std::fprintf(stderr, "sorvane vdrive: %s\n", error.c_str());
}

TReply THost::TImpl::Run(std::size_t drive, const TCommand& command) {
    std::lock_guard lock(Mutex);
    TLogEntry entry;
    entry.Drive = drive;
    entry.SimTime = Clock.Now();
    entry.Cdb.assign(command.Cdb.begin(), command.Cdb.begin() + std::min<std::ptrdiff_t>(16, command.CdbLength));
    entry.DataOutLength = std::uint32_t(command.DataOut.size());
    std::size_t keep = command.Opcode() == op::Write10 ? std::min<std::size_t>(64, command.DataOut.size())
                                                        : command.DataOut.size();
    entry.DataOut.assign(command.DataOut.begin(), command.DataOut.begin() + std::ptrdiff_t(keep));

    TReply reply = Drives[drive]->Execute(command);

    switch (reply.Status) {
        case TReplyStatus::Good: entry.SrbStatus = SS_COMP; break;
        case TReplyStatus::Hang: entry.SrbStatus = SS_PENDING; break;
        case TReplyStatus::CheckCondition:
            entry.SrbStatus = SS_ERR;
            entry.TargetStatus = STATUS_CHKCOND;
            entry.SenseKey = std::uint8_t(reply.Sense.Key);
            entry.Asc = reply.Sense.Asc;
            entry.Ascq = reply.Sense.Ascq;
            break;
        case TReplyStatus::Busy:
            entry.SrbStatus = SS_ERR;
            entry.TargetStatus = STATUS_BUSY;
            break;
        case TReplyStatus::Overrun: entry.SrbStatus = SS_ERR; break;
    }
    if (Sink) Sink(entry);
    Log.push_back(std::move(entry));
    SaveIfDirty(command.Opcode() == op::Write10);
    return reply;
}

std::string TLogEntry::Describe() const {
    char head[64];
    std::snprintf(head, sizeof head, "[%10.3f] drive %zu:", SimTime, Drive);
    std::string line = head;
    for (std::uint8_t b : Cdb) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        line += hex;
    }
    if (DataOutLength) line += " +" + std::to_string(DataOutLength) + " bytes";
    char tail[64];
    if (SrbStatus == SS_PENDING)
        std::snprintf(tail, sizeof tail, " -> never completes");
    else if (TargetStatus == STATUS_CHKCOND)
        std::snprintf(tail, sizeof tail, " -> CHECK CONDITION %X/%02X/%02X", SenseKey, Asc, Ascq);
    else if (TargetStatus == STATUS_BUSY)
        std::snprintf(tail, sizeof tail, " -> BUSY");
    else if (SrbStatus == SS_ERR)
        std::snprintf(tail, sizeof tail, " -> DATA OVERRUN");
    else
        std::snprintf(tail, sizeof tail, " -> GOOD");
    return line + tail;
}

// --- Public API ----------------------------------------------------------------------

THost::THost() : impl_(std::make_unique<TImpl>()) {}
THost::~THost() = default;

THost& THost::Instance() {
    static THost host;
    return host;
}

void THost::UseMemory() {
    impl_->StopWorker();
    std::lock_guard lock(impl_->Mutex);
    impl_->ResetLocked();
    impl_->Completion = TCompletion::Synchronous;
    impl_->Configured = true;
}

std::string THost::StateFolder() const {
    std::lock_guard lock(impl_->Mutex);
    return impl_->Folder;
}

std::size_t THost::AddDrive(const TDriveModel& model) {
    std::lock_guard lock(impl_->Mutex);
    impl_->Configured = true;
    std::size_t index = impl_->Drives.size();
    std::string error;
    auto backing = impl_->BackingFor(index, &error);
    if (!backing) backing = MakeMemoryStore();
    impl_->Drives.push_back(std::make_unique<TDrive>(model, std::move(backing), impl_->Clock));
    if (!impl_->Folder.empty()) impl_->SaveLocked(nullptr);
    return index;
}

std::size_t THost::DriveCount() const {
    std::lock_guard lock(impl_->Mutex);
    return impl_->Drives.size();
}

bool THost::Insert(std::size_t drive, const TMediumRequest& medium, std::string* error) {
    std::lock_guard lock(impl_->Mutex);
    TDrive* d = impl_->DriveAt(drive, error);
    if (!d || !d->Insert(medium, error)) return false;
    impl_->SaveIfDirty(false);
    return true;
}

bool THost::Eject(std::size_t drive, std::string* error) {
    std::lock_guard lock(impl_->Mutex);
    TDrive* d = impl_->DriveAt(drive, error);
    if (!d || !d->Eject(error)) return false;
    impl_->SaveIfDirty(false);
    return true;
}

bool THost::CloseTray(std::size_t drive, std::string* error) {
    std::lock_guard lock(impl_->Mutex);
    TDrive* d = impl_->DriveAt(drive, error);
    if (!d) return false;
    d->CloseTray();
    impl_->SaveIfDirty(false);
    return true;
}

TDriveStatus THost::Status(std::size_t drive) const {
    std::lock_guard lock(impl_->Mutex);
    TDrive* d = impl_->DriveAt(drive, nullptr);
    return d ? d->Status() : TDriveStatus{};
}

bool THost::ExportSession(std::size_t drive, int session, const std::string& path, std::string* error) const {
    std::lock_guard lock(impl_->Mutex);
    TDrive* d = impl_->DriveAt(drive, error);
    return d && d->ExportSession(session, path, error);
}

void THost::SetFaults(std::size_t drive, const TFaults& faults) {
    std::lock_guard lock(impl_->Mutex);
    if (TDrive* d = impl_->DriveAt(drive, nullptr)) d->Faults = faults;
}

TFaults THost::Faults(std::size_t drive) const {
    std::lock_guard lock(impl_->Mutex);
    TDrive* d = impl_->DriveAt(drive, nullptr);
    return d ? d->Faults : TFaults{};
}

void THost::SetThrottle(std::size_t drive, bool on) {
    std::lock_guard lock(impl_->Mutex);
    if (TDrive* d = impl_->DriveAt(drive, nullptr)) d->Throttle = on;
}

void THost::SetTimeScale(double scale) { impl_->Clock.SetScale(scale); }
double THost::TimeScale() const { return impl_->Clock.Scale(); }
void THost::AdvanceClock(double seconds) { impl_->Clock.Advance(seconds); }
double THost::Now() const { return impl_->Clock.Now(); }

void THost::SetCompletion(TCompletion mode) {
    std::lock_guard lock(impl_->Mutex);
    impl_->Completion = mode;
}

TCompletion THost::Completion() const {
    std::lock_guard lock(impl_->Mutex);
    return impl_->Completion;
}

void THost::Drain() {
    std::unique_lock lock(impl_->Mutex);
    impl_->Drained.wait(lock, [&] { return impl_->Queue.empty() && impl_->InFlight == 0; });
}

std::vector<TLogEntry> THost::Log() const {
    std::lock_guard lock(impl_->Mutex);
    return impl_->Log;
}

void THost::ClearLog() {
    std::lock_guard lock(impl_->Mutex);
    impl_->Log.clear();
}

void THost::SetLogSink(std::function<void(const TLogEntry&)> sink) {
    std::lock_guard lock(impl_->Mutex);
    impl_->Sink = std::move(sink);
}

bool THost::Save(std::string* error) {
    std::lock_guard lock(impl_->Mutex);
    if (impl_->Folder.empty()) return true;
    return impl_->SaveLocked(error);
}

}  // namespace sorvane::vdrive
