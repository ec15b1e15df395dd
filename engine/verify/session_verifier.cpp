// The verification of a session already on the disc: against the local
// files it was recorded from, or by reading everything it holds.

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <set>
#include <utility>

#include "engine/iso/local_file.h"
#include "engine/iso/recorded_names.h"
#include "engine/rtl/text.h"
#include "engine/verify/disc_verifier.h"
#include "engine/verify/sector_reader.h"

namespace sorvane {
namespace {

constexpr std::uint32_t kSectorBytes = TDiscSource::kSectorBytes;
// Deeper than any tree a disc records; ends a walk through linked folders.
constexpr int kMaxSourceDepth = 256;

// A file of the session and, when it is compared, its source.
struct TFileJob {
    const TDiscNode* Node = nullptr;
    std::string Name;    // path in the volume
    std::string Source;  // empty: only read
    int Order = 0;       // its place in the walk
};

std::string Join(const std::string& folder, const std::string& name) {
    return folder.empty() ? name : folder + "/" + name;
}

std::uint64_t SectorsOf(const TDiscNode& node) {
    std::uint64_t sectors = 0;
    for (const TExtentPart& part : node.Parts) sectors += TDiscSource::SectorsFor(part.Length);
    return sectors;
}

// The name a local file or folder has on the disc, the ways a recording
// may have written it: as it is, with the dot that a file without an
// extension gets, with the characters Joliet forbids replaced, and without
// regard to case.
const TDiscNode* FindRecorded(const TDiscNode& dir, const std::string& localName, bool folder) {
    std::vector<std::string> names = {localName};
    if (!folder && localName.find('.') == std::string::npos) names.push_back(localName + ".");
    for (std::size_t i = 0, n = names.size(); i < n; ++i) {
        std::string joliet =
            Utf16ToUtf8(JolietIdentifier(names[i], folder ? TEntryKind::Directory : TEntryKind::File));
        joliet = joliet.substr(0, joliet.find(';'));
        if (joliet != names[i]) names.push_back(joliet);
    }
    for (const std::string& name : names)
        for (const TDiscNode& child : dir.Children)
            if (child.Name == name) return &child;
    for (const std::string& name : names) {
        const std::string upper = UpperCase(name);
        for (const TDiscNode& child : dir.Children)
            if (UpperCase(child.Name) == upper) return &child;
    }
    return nullptr;
}

// The last component of a path the user gave: "/home/me/Docs/" names Docs.
std::string SourceName(const std::string& path) {
    std::error_code error;
    std::filesystem::path full = std::filesystem::absolute(path, error).lexically_normal();
    if (!full.has_filename()) full = full.parent_path();
    return full.filename().string();
}

class TSessionVerifier {
public:
    TSessionVerifier(TDiscSource& disc, const TVerifyHooks& hooks, TVerifyReport& report)
        : reader_(disc, hooks.Cancel, hooks.Progress), report_(report), orders_(report.Problems.size(), -1) {}

    void PlanSource(const std::string& path, const TDiscNode& root) {
        PlanEntry(path, SourceName(path), root, std::string(), 0);
    }

    void PlanEverything(const TDiscNode& dir, const std::string& folder) {
        for (const TDiscNode& child : dir.Children) {
            const std::string name = Join(folder, child.Name);
            if (child.Directory)
                PlanEverything(child, name);
            else
                AddJob({&child, name, std::string(), order_++});
        }
    }

    void Run() {
        for (const TFileJob& job : jobs_) {
            current_ = job.Order;
            if (!Verify(job)) {
                report_.Cancelled = true;
                break;
            }
            ++report_.Files;
        }
        report_.SectorsRead = reader_.SectorsDone();
        // What the walk found (a source missing from the disc) and what the
        // reading found (a sector that differs) are told in the walk's
        // order, file by file.
        std::vector<std::size_t> index(report_.Problems.size());
        for (std::size_t i = 0; i < index.size(); ++i) index[i] = i;
        std::stable_sort(index.begin(), index.end(), [&](std::size_t a, std::size_t b) { return orders_[a] < orders_[b]; });
        std::vector<TVerifyProblem> sorted;
        for (std::size_t i : index) sorted.push_back(std::move(report_.Problems[i]));
        report_.Problems = std::move(sorted);
    }

private:
    void AddJob(TFileJob job) {
        report_.SectorsToRead += SectorsOf(*job.Node);
        jobs_.push_back(std::move(job));
    }

    // Records a problem of the entry the walk or the reading is at.
    void Add(TVerifyProblem problem) {
        const std::size_t before = report_.Problems.size();
        report_.Add(std::move(problem));
        if (report_.Problems.size() > before) orders_.push_back(current_);
    }

    void Problem(TVerifyFault fault, const std::string& name, std::string detail = {}) {
        TVerifyProblem problem;
        problem.Fault = fault;
        problem.Name = name;
        problem.Detail = std::move(detail);
        Add(std::move(problem));
    }

    void PlanEntry(const std::string& path, const std::string& localName, const TDiscNode& discDir,
                   const std::string& discFolder, int depth) {
        current_ = order_++;
        struct stat info {};
        if (::stat(path.c_str(), &info) != 0) {
            Problem(TVerifyFault::SourceUnreadable, Join(discFolder, localName), std::strerror(errno));
            return;
        }
        const bool folder = S_ISDIR(info.st_mode);
        // What a recording leaves out (devices, pipes, sockets) is not
        // looked for on the disc.
        if (!folder && !S_ISREG(info.st_mode)) return;
        const TDiscNode* node = FindRecorded(discDir, localName, folder);
        if (!node) {
            Problem(TVerifyFault::NotOnDisc, Join(discFolder, localName));
            return;
        }
        const std::string name = Join(discFolder, node->Name);
        if (node->Directory != folder) {
            TVerifyProblem problem;
            problem.Fault = TVerifyFault::KindDiffers;
            problem.Name = name;
            problem.FolderOnDisc = node->Directory;
            Add(std::move(problem));
            return;
        }
        if (!folder) {
            if (node->Size != static_cast<std::uint64_t>(info.st_size)) {
                TVerifyProblem problem;
                problem.Fault = TVerifyFault::SizeDiffers;
                problem.Name = name;
                problem.DiscBytes = node->Size;
                problem.SourceBytes = static_cast<std::uint64_t>(info.st_size);
                Add(std::move(problem));
                return;
            }
            AddJob({node, name, path, current_});
            return;
        }
        const std::pair<dev_t, ino_t> identity{info.st_dev, info.st_ino};
        if (depth >= kMaxSourceDepth || !ancestors_.insert(identity).second) return;  // a link back up
        std::vector<std::string> entries;
        if (!ListFolder(path, entries)) {
            Problem(TVerifyFault::SourceUnreadable, name, std::strerror(errno));
        } else {
            for (const std::string& entry : entries) PlanEntry(path + "/" + entry, entry, *node, name, depth + 1);
        }
        ancestors_.erase(identity);
    }

    static bool ListFolder(const std::string& path, std::vector<std::string>& entries) {
        DIR* dir = ::opendir(path.c_str());
        if (!dir) return false;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name != "." && name != "..") entries.push_back(name);
        }
        ::closedir(dir);
        std::sort(entries.begin(), entries.end());
        return true;
    }

    // Reads the file's sectors, comparing them with its source when it has
    // one. False when stopped.
    bool Verify(const TFileJob& job) {
        TLocalFd source;
        if (!job.Source.empty()) {
            source = TLocalFd(::open(job.Source.c_str(), O_RDONLY | O_CLOEXEC));
            if (!source.Valid()) {
                Problem(TVerifyFault::SourceUnreadable, job.Name, std::strerror(errno));
                return !reader_.Cancelled();
            }
        }
        std::uint64_t offset = 0;  // in the file
        bool sourceFailed = false;
        for (const TExtentPart& part : job.Node->Parts) {
            std::uint64_t remaining = part.Length;
            const auto sink = [&](std::uint32_t lba, const std::uint8_t* data, std::uint32_t count) {
                const std::uint64_t bytes = std::min<std::uint64_t>(remaining, std::uint64_t{count} * kSectorBytes);
                if (!data)
                    Sectors(TVerifyFault::Unreadable, job.Name, lba, lba + count - 1);
                else if (source.Valid() && !sourceFailed)
                    sourceFailed = !Compare(job, source.Get(), offset, lba, data, bytes);
                offset += bytes;
                remaining -= bytes;
            };
            const auto sectors = static_cast<std::uint32_t>(TDiscSource::SectorsFor(part.Length));
            if (!reader_.Read(part.Extent, sectors, sink)) return false;
        }
        return true;
    }

    // Compares `bytes` read from the disc at `lba` with the source's bytes
    // at `offset`. False, once reported, when the source cannot be read.
    bool Compare(const TFileJob& job, int fd, std::uint64_t offset, std::uint32_t lba, const std::uint8_t* disc,
                 std::uint64_t bytes) {
        local_.resize(static_cast<std::size_t>(bytes));
        std::size_t got = 0;
        while (got < bytes) {
            const ssize_t n = ::pread(fd, local_.data() + got, local_.size() - got, static_cast<off_t>(offset + got));
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                Problem(TVerifyFault::SourceUnreadable, job.Name, std::strerror(errno));
                return false;
            }
            if (n == 0) break;  // the source has shrunk since: what is missing differs
            got += static_cast<std::size_t>(n);
        }
        for (std::uint64_t at = 0; at < bytes; at += kSectorBytes) {
            const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(kSectorBytes, bytes - at));
            const bool same = at + n <= got && std::memcmp(disc + at, local_.data() + at, n) == 0;
            const auto sector = lba + static_cast<std::uint32_t>(at / kSectorBytes);
            if (!same) Sectors(TVerifyFault::Differs, job.Name, sector, sector);
        }
        return true;
    }

    void Sectors(TVerifyFault fault, const std::string& name, std::uint32_t first, std::uint32_t last) {
        TVerifyProblem problem;
        problem.Fault = fault;
        problem.Name = name;
        problem.FirstSector = first;
        problem.LastSector = last;
        Add(std::move(problem));
    }

    TSectorReader reader_;
    TVerifyReport& report_;
    // The walk's order of every problem in the report, and of the entry the
    // verifier is at; the problems recorded before it came first.
    std::vector<int> orders_;
    int order_ = 0;
    int current_ = -1;
    std::vector<TFileJob> jobs_;
    std::set<std::pair<dev_t, ino_t>> ancestors_;
    std::vector<std::uint8_t> local_;
};

}  // namespace

TVerifyReport VerifySession(TDiscSource& disc, const TDiscSession& session, const std::vector<std::string>& sources,
                            const TVerifyHooks& hooks) {
    TVerifyReport report;
    if (!session.FileSystemFound || session.Truncated) {
        TVerifyProblem problem;
        problem.Fault = TVerifyFault::TreeIncomplete;
        problem.Use = TSectorUse::FileSystem;
        report.Add(std::move(problem));
        if (!session.FileSystemFound) return report;
    }
    TSessionVerifier verifier(disc, hooks, report);
    if (sources.empty())
        verifier.PlanEverything(session.Root, std::string());
    else
        for (const std::string& source : sources) verifier.PlanSource(source, session.Root);
    if (hooks.Planned) hooks.Planned(report.SectorsToRead);
    verifier.Run();
    return report;
}

}  // namespace sorvane
