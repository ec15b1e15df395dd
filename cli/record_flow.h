#pragma once
// What burn, continue and burn-image share: the options of a recording,
// and its course from the drive's choice through the project, the checks
// of the project and options pages, the erase that may come first and the
// recording itself, to the report and the exit status.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/options.h"
#include "tasks/record_checks.h"

namespace sorvane::cli {

// Exit statuses of the recording commands. kRecordNotVerified: the disc
// was recorded, but its verification found differences or unreadable
// sectors, or did not read it to its end.
enum : int { kRecordOk = 0, kRecordFailed = 1, kRecordUsage = 2, kRecordPartial = 3, kRecordNotVerified = 4 };

struct TRecordRequest {
    const char* Name = "";  // "sorvane-cli burn", at the head of messages
    tasks::TRecordTask Task = tasks::TRecordTask::RecordNew;
    std::string Device;     // empty: the default drive
    std::string Speed;      // "16" or "16x"; empty: the fastest
    bool Erase = false;     // erase first, and Yes to the erase question
    bool Finalize = false;
    bool TestWrite = false;
    bool Replace = false;   // Yes to the replace question
    bool Eject = false;
    bool Verify = false;    // read the disc back once it is recorded
    bool Verbose = false;
    bool PostGap = true;
    std::optional<std::string> VolumeId, Preparer, Publisher, Copyright;
    std::string BootImage;
    std::uint32_t CacheBytes = 33554432;
    // Files and folders to record, or the one image file.
    std::vector<std::string> Paths;
};

// What sets burn, continue and burn-image apart: the task, the options the
// command takes and its help.
struct TRecordCommand {
    const char* Name;  // "sorvane-cli burn", at the head of messages
    tasks::TRecordTask Task;
    std::span<const TOptionDef> Options;
    void (*PrintHelp)();
};

// Reads the command line of a recording command and runs the recording;
// answers the exit status.
int RunRecordCommand(int argc, char** argv, const TRecordCommand& command);

}  // namespace sorvane::cli
