// The state folder: one sparse backing file per drive (drive0.img, ...), the
// state file describing drives and media, and a lock file that keeps a
// second process from using the same folder while this one has it.

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "vdrive/host_impl.h"

namespace sorvane::vdrive {
namespace {

constexpr const char* kStateFile = "state";
constexpr const char* kLockFile = "lock";
constexpr const char* kHeader = "sorvane-vdrive-state 1";
// Users rehearse with the simulated clock ten times faster than real time:
// a quick blank takes seconds, a full one a few minutes.
constexpr double kDefaultTimeScale = 10;
// WRITE commands change the medium constantly; its state file is rewritten
// at most this often while they stream (and after every other change).
constexpr auto kWriteSaveInterval = std::chrono::seconds(2);

std::string BackingName(std::size_t index) { return "drive" + std::to_string(index) + ".img"; }

// The faults that belong to the disc's surface, by the name a "fault" line
// of the state file gives them. Counting faults belong to the process that
// armed them and are not kept.
using TSectorRange = std::optional<std::pair<std::uint32_t, std::uint32_t>>;
constexpr std::pair<const char*, TSectorRange TFaults::*> kSurfaceFaults[] = {
    {"medium-error", &TFaults::MediumErrorLbas},
    {"corrupted", &TFaults::CorruptedLbas},
    {"unreadable-after-write", &TFaults::UnreadableAfterWriteLbas},
};

std::string SurfaceFaultLines(const TFaults& faults) {
    std::string lines;
    for (const auto& [name, range] : kSurfaceFaults)
        if (const TSectorRange& r = faults.*range)
            lines += std::string("fault ") + name + ' ' + std::to_string(r->first) + ' ' + std::to_string(r->second) +
                     '\n';
    return lines;
}

// Reads the rest of a "fault" line into `faults`; false when it is not one.
bool ParseSurfaceFault(std::istringstream& fields, TFaults& faults) {
    std::string name;
    std::uint32_t first = 0, last = 0;
    if (!(fields >> name >> first >> last) || first > last) return false;
    for (const auto& [known, range] : kSurfaceFaults) {
        if (name != known) continue;
        faults.*range = std::make_pair(first, last);
        return true;
    }
    return false;
}

}  // namespace

std::string THost::DefaultStateFolder() {
    if (const char* home = std::getenv("SORVANE_VDRIVE_HOME"); home && *home) return home;
    if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data) return std::string(data) + "/sorvane/vdrive";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : ".") + "/.local/share/sorvane/vdrive";
}

bool THost::UseStateFolder(const std::string& folder, std::string* error) {
    impl_->StopWorker();
    std::lock_guard lock(impl_->Mutex);
    impl_->ResetLocked();
    impl_->Configured = true;
    impl_->Completion = TCompletion::Thread;
    double scale = kDefaultTimeScale;
    if (const char* s = std::getenv("SORVANE_VDRIVE_TIME_SCALE"); s && *s) scale = std::atof(s);

    std::string path = folder.empty() ? DefaultStateFolder() : folder;
    if (!impl_->OpenFolder(path, error)) return false;

    std::ifstream in(path + "/" + kStateFile);
    if (!in) {
        // Nothing kept yet: one multi-format writer with a blank CD-R.
        auto backing = impl_->BackingFor(0, error);
        if (!backing) {
            impl_->CloseFolder();
            return false;
        }
        impl_->Drives.push_back(std::make_unique<TDrive>(MultiFormatWriter(), std::move(backing), impl_->Clock));
        impl_->Drives.back()->Insert({TMediumKind::CdR}, nullptr);
        impl_->Drives.back()->PowerOn();
        impl_->Drives.back()->TakeDirty();
        impl_->Clock.SetScale(scale);
        return impl_->SaveLocked(error);
    }

    std::string line;
    if (!std::getline(in, line) || line != kHeader) {
        if (error) *error = path + "/" + kStateFile + " is not a state file of this version";
        impl_->CloseFolder();
        return false;
    }
    auto fail = [&](const std::string& why) {
        if (error) *error = path + "/" + kStateFile + ": " + why;
        impl_->Drives.clear();
        impl_->CloseFolder();
        return false;
    };
    std::istringstream fields;
    std::string key;
    while (NextStateLine(in, line, key, fields)) {
        if (key == "time_scale") {
            if (!std::getenv("SORVANE_VDRIVE_TIME_SCALE")) fields >> scale;
            continue;
        }
        if (key == "fault") {
            if (impl_->Drives.empty() || !ParseSurfaceFault(fields, impl_->Drives.back()->Faults))
                return fail("unexpected line '" + line + "'");
            continue;
        }
        if (key != "drive") return fail("unexpected line '" + line + "'");
        std::string modelName;
        int trayOpen = 0;
        fields >> modelName >> trayOpen;
        const TDriveModel* model = FindModel(modelName);
        if (!model) model = &MultiFormatWriter();
        std::string medium, mediumLine;
        while (std::getline(in, mediumLine) && mediumLine != "end") medium += mediumLine + "\n";
        std::string why;
        auto parsed = TMedium::Parse(medium, &why);
        if (!parsed) return fail(why);
        auto backing = impl_->BackingFor(impl_->Drives.size(), error);
        if (!backing) return fail("cannot open the backing file");
        auto drive = std::make_unique<TDrive>(*model, std::move(backing), impl_->Clock);
        // A pressed disc whose image is gone leaves the tray empty; the
        // drive says why and keeps the disc for when the image is back.
        drive->Restore(std::move(*parsed), trayOpen != 0, &why);
        drive->TakeDirty();
        impl_->Drives.push_back(std::move(drive));
    }
    impl_->Clock.SetScale(scale);
    return true;
}

std::string THost::FolderHolder(const std::string& folder) {
    const std::string lockPath = folder + "/" + kLockFile;
    const int fd = ::open(lockPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string holder;
    if (::flock(fd, LOCK_SH | LOCK_NB) != 0) {
        char pid[32] = {};
        const ssize_t n = ::pread(fd, pid, sizeof pid - 1, 0);
        holder = n > 0 ? "pid " + std::string(pid, std::size_t(n)) : "another process";
    } else {
        ::flock(fd, LOCK_UN);
    }
    ::close(fd);
    return holder;
}

bool THost::TImpl::OpenFolder(const std::string& folder, std::string* error) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        if (error) *error = "cannot create " + folder + ": " + ec.message();
        return false;
    }
    std::string lockPath = folder + "/" + kLockFile;
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (error) *error = "cannot open " + lockPath + ": " + std::strerror(errno);
        return false;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        char pid[32] = {};
        ssize_t n = ::pread(fd, pid, sizeof pid - 1, 0);
        ::close(fd);
        if (error)
            *error = "the emulated recorder in " + folder + " is in use by another process" +
                     (n > 0 ? std::string(" (pid ") + std::string(pid, std::size_t(n)) + ")" : std::string());
        return false;
    }
    std::string pid = std::to_string(::getpid());
    if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, pid.data(), pid.size(), 0) < 0) {
        // The pid is a courtesy for the message above; the lock is what counts.
    }
    LockFd = fd;
    Folder = folder;
    return true;
}

void THost::TImpl::CloseFolder() {
    if (LockFd >= 0) {
        ::flock(LockFd, LOCK_UN);
        ::close(LockFd);
    }
    LockFd = -1;
    Folder.clear();
}

std::unique_ptr<TSectorStore> THost::TImpl::BackingFor(std::size_t index, std::string* error) const {
    if (Folder.empty()) return MakeMemoryStore();
    return OpenFileStore(Folder + "/" + BackingName(index), error);
}

bool THost::TImpl::SaveLocked(std::string* error) {
    std::ostringstream out;
    out << kHeader << '\n';
    out << "time_scale " << Clock.Scale() << '\n';
    for (auto& drive : Drives) {
        drive->Checkpoint();
        out << "drive " << drive->Model().Name << ' ' << (drive->TrayOpen() ? 1 : 0) << '\n';
        out << drive->KeptMedium().Serialize();
        out << "end\n";
        out << SurfaceFaultLines(drive->Faults);
    }
    // Written beside and renamed over, so a crash never leaves half a file.
    std::string path = Folder + "/" + kStateFile;
    std::string temporary = path + ".new";
    {
        std::ofstream file(temporary, std::ios::trunc);
        file << out.str();
        file.close();
        if (!file) {
            if (error) *error = "cannot write " + temporary;
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        if (error) *error = "cannot replace " + path + ": " + std::strerror(errno);
        return false;
    }
    LastSave = std::chrono::steady_clock::now();
    PendingSave = false;
    return true;
}

void THost::TImpl::SaveIfDirty(bool writeCommand) {
    for (auto& drive : Drives) PendingSave = drive->TakeDirty() || PendingSave;
    if (!PendingSave || Folder.empty()) return;
    if (writeCommand && std::chrono::steady_clock::now() - LastSave < kWriteSaveInterval) return;
    SaveLocked(nullptr);
}

}  // namespace sorvane::vdrive
