#pragma once
// Walks the directory tree of a disc from one directory extent down, handing
// every record to a visitor. The import into the project and the sessions
// browser are both visitors of this one walk, so there is a single reading
// of disc directories to keep right.
//
// A disc can describe a tree that never ends: a subdirectory whose extent is
// its own or an ancestor's, two records sharing one extent, or a chain of
// distinct directories thousands of levels deep. The walk enters each extent
// once, stops at a fixed depth and reads a bounded number of sectors in all,
// and says so through the debug channel whenever it leaves something out.

#include <cstdint>
#include <set>
#include <vector>

#include "engine/iso/directory_record_reader.h"
#include "engine/iso/disc_source.h"
#include "engine/rtl/component.h"

namespace sorvane {

class TDirectoryVisitor {
public:
    virtual ~TDirectoryVisitor() = default;
    // A subdirectory the walk is about to enter. False keeps the walk out
    // of it (LeaveDirectory is then not called).
    virtual bool EnterDirectory(const TDiscRecord& record) = 0;
    virtual void LeaveDirectory() = 0;
    virtual void VisitFile(const TDiscRecord& record) = 0;
};

struct TWalkLimits {
    // Levels below the starting directory. Deeper than any real disc (ISO
    // 9660 itself allows 8) yet shallow enough for the walk's recursion.
    int MaxDepth = 128;
    // Directory sectors read in one walk: 128 MiB of directory records,
    // millions of entries, far beyond what the project can hold.
    std::uint64_t MaxSectors = 65536;
    // Records handed to the visitor in one walk: eight times what the
    // project holds, and a bound on the memory a browsed tree takes.
    std::uint64_t MaxEntries = 524288;
    // Directory sectors that fail to read before the walk gives up: a drive
    // may spend seconds on each, and a damaged or forged tree can point at
    // thousands of them.
    std::uint64_t MaxUnreadableSectors = 32;
    // Problems with single records (names too long or unusable, pieces
    // missing) told one by one for each directory; the rest are counted.
    std::uint64_t MaxProblemsPerDirectory = 16;
};

class TDirectoryWalker {
public:
    TDirectoryWalker(TDiscSource& disc, TTreeKind kind, TDebugSink debug, TWalkLimits limits = {});

    // Walks the directory at `extent` of `length` bytes and everything below
    // it. True when the directory's first sector was read.
    bool Walk(std::uint32_t extent, std::uint64_t length, TDirectoryVisitor& visitor);

    // Something of the tree was left out (and a message said what): a
    // damaged record, a loop, the depth or size limits, an unreadable sector.
    bool Truncated() const { return truncated_; }

private:
    bool WalkDirectory(std::uint32_t extent, std::uint64_t length, int depth, TDirectoryVisitor& visitor);
    // Reads the records of one extent; stops at the first unreadable sector.
    // True when the first sector was read.
    bool ReadRecords(std::uint32_t extent, std::uint64_t length, std::vector<TDiscRecord>& records);
    // True, once with a message, when the walk may read no more sectors.
    bool OutOfReads();
    void Problem(const std::string& message);

    TDiscSource& disc_;
    TTreeKind kind_;
    TDebugSink debug_;
    TWalkLimits limits_;
    std::set<std::uint32_t> visited_;
    std::uint64_t sectorsRead_ = 0;
    std::uint64_t entries_ = 0;
    std::uint64_t unreadable_ = 0;
    bool truncated_ = false;
    bool budgetReported_ = false;
    bool entriesReported_ = false;
    bool unreadableReported_ = false;
};

}  // namespace sorvane
