// The burner's operations on sessions already on the disc: importing one
// into the project, copying an imported file back, and the import a layout
// for a continued disc makes by itself.

#include "engine/drive_disc_source.h"
#include "engine/iso/session_reader.h"
#include "engine/orvo_burner.h"
#include "engine/rtl/format.h"

namespace sorvane {

namespace {

// The import number of "Continue CD/DVD": its low byte asks for the last
// session.
constexpr std::uint16_t kContinueLastSession = 0xFFFF;

TDebugSink SinkOf(TOrvoBurner& burner) {
    return [&burner](const std::string& message, int mType) { burner.DebugMessage(message, mType); };
}

}  // namespace

void TOrvoBurner::ConnectSessionImport() {
    layout_.DiscHooks.ImportSession = [this](int number, TDEntry* into) {
        ImportSession(static_cast<std::uint8_t>(number & 0xFF), into);
    };
}

bool TOrvoBurner::ImportSession(std::uint8_t Session, TDEntry* Into) {
    TDriveDiscSource disc(*this);
    TSessionReader reader(disc, project_, SinkOf(*this));
    const bool imported = reader.ImportSession(Session, Into);
    importIncomplete_ = reader.ImportIncomplete;
    if (importIncomplete_) {
        // The files left out stay on the disc, but a session recorded from
        // this project repeats only what was imported, and the disc would
        // then show that session alone.
        const int last = GetLastSession();
        const int number = Session == kLastSession || Session > last ? last : Session;
        DebugMessage(">>> " + Format("WARNING: SESSION %d WAS NOT IMPORTED COMPLETELY, A NEW SESSION WILL NOT SHOW "
                                     "THE FILES LEFT OUT",
                                     number),
                     mtFileSystem);
    }
    return imported;
}

bool TOrvoBurner::ImportJolietDirectory(std::uint32_t Extent, std::uint32_t Length, TDEntry* Into) {
    TDriveDiscSource disc(*this);
    TSessionReader reader(disc, project_, SinkOf(*this));
    const bool read = reader.ImportJolietDirectory(Extent, Length, Into);
    importIncomplete_ = reader.ImportIncomplete;
    return read;
}

bool TOrvoBurner::ImportIsoDirectory(std::uint32_t Extent, std::uint32_t Length, TDEntry* Into) {
    TDriveDiscSource disc(*this);
    TSessionReader reader(disc, project_, SinkOf(*this));
    const bool read = reader.ImportIsoDirectory(Extent, Length, Into);
    importIncomplete_ = reader.ImportIncomplete;
    return read;
}

bool TOrvoBurner::ExtractFile(const TFEntry& Entry, const std::string& DestFile, const std::atomic<bool>* Cancel) {
    TDriveDiscSource disc(*this);
    TSessionReader reader(disc, project_, SinkOf(*this));
    if (reader.ExtractFile(Entry, DestFile, Cancel)) return true;
    // The drive's own text of a failed read is in LastError already; the
    // reader's names the file and what became of it.
    LastError = reader.LastError;
    return false;
}

bool TOrvoBurner::BeginProject(TProjectTask Task) {
    const bool cleared = ResetProject();
    if (Task == TProjectTask::ContinueDisc) layout_.ImportSessionNumber = kContinueLastSession;
    return cleared;
}

}  // namespace sorvane
