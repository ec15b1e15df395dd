#pragma once
// What burn, continue and burn-image share: the options of a recording,
// and its course from the drive's choice through the project, the checks
// of the project and options pages, the erase that may come first and the
// recording itself, to the report and the exit status.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/options.h"
#include "cli/record_checks.h"

namespace sorvane::cli {

// Exit statuses of the recording commands.
enum : int { kRecordOk = 0, kRecordFailed = 1, kRecordUsage = 2, kRecordPartial = 3 };

struct TRecordRequest {
    const char* Name = "";  // "sorvane-cli burn", at the head of messages
    TRecordTask Task = TRecordTask::RecordNew;
    std::string Device;     // empty: the default drive
    std::string Speed;      // "16" or "16x"; empty: the fastest
    bool Erase = false;     // erase first, and Yes to the erase question
    bool Finalize = false;
    bool TestWrite = false;
    bool Replace = false;   // Yes to the replace question
    bool Eject = false;
    bool Verbose = false;
    bool PostGap = true;
    std::optional<std::string> VolumeId, Preparer, Publisher, Copyright;
    std::string BootImage;
    std::uint32_t CacheBytes = 33554432;
    // Files and folders to record, or the one image file.
    std::vector<std::string> Paths;
};

// Reads the options a command's table holds into `request`. Answers the
// usage error, empty when the options are sound.
std::string ReadRecordOptions(const TParsedArgs& args, TRecordRequest& request);

// Prints a usage error with the hint to the command's help; answers 2.
int RecordUsageError(const char* name, const std::string& message);

// Runs the recording; answers the exit status.
int RunRecording(const TRecordRequest& request);

}  // namespace sorvane::cli
