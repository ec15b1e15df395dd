#include "engine/iso/directory_walker.h"

#include <array>

#include "engine/iso/local_name.h"
#include "engine/rtl/format.h"

namespace sorvane {

TDirectoryWalker::TDirectoryWalker(TDiscSource& disc, TTreeKind kind, TDebugSink debug, TWalkLimits limits)
    : disc_(disc), kind_(kind), debug_(std::move(debug)), limits_(limits) {}

void TDirectoryWalker::Problem(const std::string& message) {
    // Every problem is something of the disc's tree left out.
    truncated_ = true;
    if (debug_) debug_(message, mtFileSystem);
}

bool TDirectoryWalker::Walk(std::uint32_t extent, std::uint64_t length, TDirectoryVisitor& visitor) {
    visited_.clear();
    sectorsRead_ = 0;
    truncated_ = false;
    budgetReported_ = false;
    entries_ = 0;
    entriesReported_ = false;
    unreadable_ = 0;
    unreadableReported_ = false;
    return WalkDirectory(extent, length, 0, visitor);
}

bool TDirectoryWalker::OutOfReads() {
    const auto giveUp = [this](bool& reported, const std::string& message) {
        if (!reported) Problem(">>> " + message);
        reported = true;
        return true;
    };
    if (unreadable_ >= limits_.MaxUnreadableSectors)
        return giveUp(unreadableReported_,
                      Format("ERROR IMPORTING SESSION, MORE THAN %llu DIRECTORY SECTORS UNREADABLE, THE REST IS SKIPPED",
                             static_cast<unsigned long long>(limits_.MaxUnreadableSectors)));
    if (sectorsRead_ >= limits_.MaxSectors)
        return giveUp(budgetReported_,
                      Format("ERROR IMPORTING SESSION, DIRECTORY TREE LARGER THAN %llu SECTORS, THE REST IS SKIPPED",
                             static_cast<unsigned long long>(limits_.MaxSectors)));
    return false;
}

bool TDirectoryWalker::ReadRecords(std::uint32_t extent, std::uint64_t length, std::vector<TDiscRecord>& records) {
    // A forged directory can hold a bad record in every few bytes of every
    // sector: damaged records are counted and reported once, and of the
    // other problems only the first few are told one by one. That bounds
    // both the output and the memory the messages take.
    TDamagedRecords damaged;
    std::uint64_t problems = 0;
    const TProblemSink problem = [&](const std::string& message) {
        if (++problems <= limits_.MaxProblemsPerDirectory) Problem(message);
    };
    // The first sector is read even for a length of 0, as a directory always
    // has one.
    const std::uint64_t sectors = std::max<std::uint64_t>(1, TDiscSource::SectorsFor(length));
    std::array<std::uint8_t, TDiscSource::kSectorBytes> buffer{};
    std::uint64_t read = 0;
    for (; read < sectors; ++read) {
        const std::uint64_t lba = std::uint64_t{extent} + read;
        if (lba > UINT32_MAX) break;
        if (OutOfReads()) break;
        ++sectorsRead_;
        buffer.fill(0);
        if (!disc_.ReadSectors(static_cast<std::uint32_t>(lba), 1, buffer.data())) {
            // What was read so far still counts; the directory ends here.
            ++unreadable_;
            Problem(">>> " + Format("ERROR IMPORTING SESSION, DIRECTORY SECTOR %llu UNREADABLE",
                                    static_cast<unsigned long long>(lba)));
            break;
        }
        ParseDirectorySector(buffer, kind_, read == 0, static_cast<std::uint32_t>(lba), records, damaged, problem);
    }
    JoinFilePieces(records, problem);
    if (damaged.Count) Problem(damaged.Message());
    if (problems > limits_.MaxProblemsPerDirectory)
        Problem(">>> " + Format("ERROR IMPORTING SESSION, %llu MORE PROBLEMS IN THE DIRECTORY AT SECTOR %u NOT SHOWN",
                                static_cast<unsigned long long>(problems - limits_.MaxProblemsPerDirectory), extent));
    return read > 0;
}

bool TDirectoryWalker::WalkDirectory(std::uint32_t extent, std::uint64_t length, int depth,
                                     TDirectoryVisitor& visitor) {
    visited_.insert(extent);
    std::vector<TDiscRecord> records;
    const bool read = ReadRecords(extent, length, records);
    if (!read) return false;

    for (const TDiscRecord& record : records) {
        if (++entries_ > limits_.MaxEntries) {
            if (!entriesReported_)
                Problem(">>> " + Format("ERROR IMPORTING SESSION, MORE THAN %llu ENTRIES, THE REST IS SKIPPED",
                                        static_cast<unsigned long long>(limits_.MaxEntries)));
            entriesReported_ = true;
            return true;
        }
        if (!record.IsDirectory()) {
            visitor.VisitFile(record);
            continue;
        }
        const std::string name = PrintableName(record.Name);
        if (visited_.count(record.Extent)) {
            Problem(">>> " + Format("ERROR IMPORTING SESSION, DIRECTORY %s POINTS BACK INTO THE TREE "
                                    "(SECTOR %u), SKIPPED",
                                    name.c_str(), record.Extent));
            continue;
        }
        if (depth + 1 > limits_.MaxDepth) {
            Problem(">>> " + Format("ERROR IMPORTING SESSION, DIRECTORY %s NESTED DEEPER THAN %d LEVELS, SKIPPED",
                                    name.c_str(), limits_.MaxDepth));
            continue;
        }
        if (!visitor.EnterDirectory(record)) continue;
        WalkDirectory(record.Extent, record.Length, depth + 1, visitor);
        visitor.LeaveDirectory();
    }
    return true;
}

}  // namespace sorvane
