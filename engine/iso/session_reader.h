#pragma once
// The previous-session reader: imports the file system of a session of the
// disc into the project, so that a new session repeats it and the files
// already on the disc stay visible, and copies imported files back from the
// disc. Directories are imported to be rebuilt by the layout; files keep the
// absolute sector at which their data already lies and are never written
// again.
//
// Every operation answers a Boolean and posts its messages through the debug
// channel; nothing throws.

#include <atomic>
#include <cstdint>
#include <string>

#include "engine/iso/directory_walker.h"
#include "engine/iso/disc_source.h"
#include "engine/iso/session_locator.h"
#include "engine/project/project_tree.h"
#include "engine/rtl/component.h"

namespace sorvane {

class TSessionReader {
public:
    TSessionReader(TDiscSource& disc, TProjectTree& project, TDebugSink debug);

    // Imports the file system of `session` (kLastSession, or any number past
    // the last, means the last) under `into` (nullptr: the root): its Joliet
    // tree when it has one, else its ISO 9660 tree.
    bool ImportSession(std::uint8_t session, TDEntry* into = nullptr);
    // Imports one directory extent of the Joliet tree and everything below
    // it. True when the extent's first sector was read.
    bool ImportJolietDirectory(std::uint32_t extent, std::uint32_t length, TDEntry* into);
    // The same for the ISO 9660 tree.
    bool ImportIsoDirectory(std::uint32_t extent, std::uint32_t length, TDEntry* into);

    // Copies an imported file's data from the disc into `destFile`, a local
    // path the caller chose. A name taken from a disc must go through
    // SafeLocalName before it becomes part of that path. False, with a
    // message naming the file and LastError set, when the entry is not an
    // imported file, a sector cannot be read, the file cannot be written, or
    // `cancel` is set; no file is then left under `destFile`'s name (one
    // already there is left as it was).
    bool ExtractFile(const TFEntry& entry, const std::string& destFile, const std::atomic<bool>* cancel = nullptr);

    // Why the last ExtractFile failed.
    std::string LastError;
    // The last import left part of the disc's tree out (a loop, the depth or
    // size limits, unreadable sectors, names the project cannot hold); the
    // messages say what. A new session recorded over such an import would
    // not show everything the disc holds, so a caller may want to ask first.
    bool ImportIncomplete = false;
    TWalkLimits Limits;

private:
    bool ImportDirectory(TTreeKind kind, std::uint32_t extent, std::uint32_t length, TDEntry* into);
    void Post(const std::string& message, int mType) const;

    TDiscSource& disc_;
    TProjectTree& project_;
    TDebugSink debug_;
};

}  // namespace sorvane
