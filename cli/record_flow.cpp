#include "cli/record_flow.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <optional>

#include "cli/command_drive.h"
#include "cli/process_display.h"
#include "cli/progress.h"
#include "engine/rtl/format.h"
#include "engine/rtl/sync_queue.h"
#include "engine/rtl/thread.h"
#include "tasks/add_paths.h"
#include "tasks/disc_sessions.h"
#include "tasks/emulated_clock.h"
#include "tasks/erase_process.h"
#include "tasks/local_paths.h"
#include "tasks/record_process.h"
#include "tasks/record_speeds.h"
#include "tasks/volume_identity.h"

namespace sorvane::cli {
namespace {

// The project's name until the user gives it another.
constexpr char kNewProjectName[] = "New";
// The read-ahead is counted in a 32-bit number of bytes.
constexpr std::int64_t kMaxCacheMb = 4095;
// The largest speed step a drive offers is far below this.
constexpr double kMostSpeedSteps = 100;
constexpr char kReplaceQuestion[] = "Element \"%s\" already exists in this node.\nReplace?";

// A single folder names the project after itself; anything else is a new
// project.
std::string DefaultProjectName(const std::vector<std::string>& paths) {
    const std::string folder = tasks::SingleFolderName(paths);
    return folder.empty() ? kNewProjectName : folder;
}

class TRecording {
public:
    TRecording(const TRecordRequest& request, TOrvoBurner& burner)
        : request_(request), burner_(burner), progress_(stderr) {}
    int Run();

private:
    int Fail(const std::string& message);
    int FailQuestion(const std::string& question, const char* option);
    int FailReplaceQuestion();
    void Warn(const std::string& text) { progress_.Print(std::string(request_.Name) + ": warning: " + text); }
    // Loads the files and folders; false when a replace question was
    // answered No.
    bool AddPaths();
    bool DiscHoldsData();
    void TakeOverVolume();
    void ApplyOptions();
    // The checks of the project and options pages; false, with the reason
    // printed, when the recording may not start.
    bool Check(std::int64_t imageSectors);
    int Partial() const { return leftOut_ > 0 || problems_ > 0 || importIncomplete_ ? kRecordPartial : kRecordOk; }

    const TRecordRequest& request_;
    TOrvoBurner& burner_;
    TProgressLine progress_;
    TRenameReports renames_;
    tasks::TRecordChoices choices_;
    std::string projectName_ = kNewProjectName;
    std::optional<tasks::TPathAdder::TReplacement> declinedReplace_;
    int leftOut_ = 0;
    std::atomic<int> problems_{0};
    bool importIncomplete_ = false;
};

int TRecording::Fail(const std::string& message) {
    progress_.Print(std::string(request_.Name) + ": " + message);
    return kRecordFailed;
}

int TRecording::FailReplaceQuestion() {
    // The question alone names neither the folder nor the file it would
    // replace; the line after it does.
    const tasks::TPathAdder::TReplacement& r = *declinedReplace_;
    return FailQuestion(Format(kReplaceQuestion, r.Name.c_str()) + "\n'" + r.Path + "' would replace the file of that name in " +
                            (r.Folder == "\\" ? std::string("the root") : "\"" + r.Folder + "\"") +
                            (r.OnDisc ? ", which the disc's last session holds." : ", given before it."),
                        "--replace");
}

int TRecording::FailQuestion(const std::string& question, const char* option) {
    return Fail(question + "\n" + Format("Give %s to answer Yes.", option));
}

bool TRecording::AddPaths() {
    tasks::TPathAdder adder(burner_, [this](const std::string& text) { Warn(text); });
    adder.SetConfirmReplace([this](const tasks::TPathAdder::TReplacement& replacement) {
        if (request_.Replace) {
            if (request_.Verbose)
                progress_.Print(std::string(request_.Name) + ": '" + replacement.Path + "' replaces '" +
                                replacement.Name + "'");
            return true;
        }
        if (!declinedReplace_) declinedReplace_ = replacement;
        return false;
    });
    adder.AddAll(request_.Paths);
    leftOut_ = adder.LeftOut();
    if (request_.Verbose)
        progress_.Print(Format("%s: %d files in %d folders", request_.Name, adder.FilesAdded(), adder.FoldersAdded()));
    return !declinedReplace_;
}

// Whether the disc holds anything a new session could hide. A sequential
// DVD-RW that holds closed sessions reports no used sectors; its volume
// tells.
bool TRecording::DiscHoldsData() {
    return burner_.GetUsedSectors() != 0 || burner_.FindVolumeSpaceSize() != 0;
}

// A continued disc keeps its name and the identification of its volume,
// which the options page shows but does not let the user change. The name
// is the volume's whenever there is one, the used sectors notwithstanding
// (see DiscHoldsData).
void TRecording::TakeOverVolume() {
    tasks::TVolumeIdentity identity;
    if (!tasks::ReadVolumeIdentity(burner_, identity)) return;
    if (!identity.Label.empty()) projectName_ = identity.Label;
    burner_.IdPreparer = identity.Preparer;
    burner_.IdPublisher = identity.Publisher;
    burner_.FileCopyright = identity.Copyright;
}

void TRecording::ApplyOptions() {
    tasks::DefaultSettings(burner_);
    burner_.SetCacheSize(request_.CacheBytes);
    burner_.WritePostGap = request_.PostGap;
    burner_.TestWrite = request_.TestWrite;
    if (request_.Task == tasks::TRecordTask::RecordImage) return;
    burner_.IdVolume = request_.VolumeId.value_or(projectName_);
    if (request_.Preparer) burner_.IdPreparer = *request_.Preparer;
    if (request_.Publisher) burner_.IdPublisher = *request_.Publisher;
    if (request_.Copyright) burner_.FileCopyright = *request_.Copyright;
    if (!request_.BootImage.empty()) {
        burner_.Layout().BootImageFile = request_.BootImage;
        burner_.Layout().MakeBootable = true;
    }
}

bool TRecording::Check(std::int64_t imageSectors) {
    const tasks::TAskQuestion askErase = [this](const tasks::TPageMessage&) { return request_.Erase; };
    const auto refused = [this](const tasks::TCheckResult& result) {
        // What the check says can be done, the command line names how.
        const std::string& text = result.Message.Text;
        const auto withHow = [&](const char* how) { return text.substr(0, text.size() - 1) + " (" + how + ")."; };
        if (result.Declined)
            FailQuestion(text, "--erase");
        else if (text == tasks::kSessionLeftOpen)
            Fail(withHow("sorvane-cli close"));
        else if (text == tasks::kSessionLeftOpenErasable)
            Fail(withHow("sorvane-cli erase"));
        else
            Fail(text);
        return false;
    };
    const tasks::TRecordTask task = request_.Task;
    if (task == tasks::TRecordTask::RecordImage) {
        // Nothing is laid out: the image file's own size is what has to fit.
        if (tasks::ImageNeedsErase(burner_)) {
            if (!request_.Erase) return refused(tasks::TCheckResult::Decline());
            choices_.EraseFirst = true;
        }
    } else {
        const tasks::TCheckResult added =
            tasks::AddFiles(burner_, task, tasks::NewFilesBytes(burner_), nullptr, choices_, askErase);
        if (!added.Passed) return refused(added);
        if (request_.Erase && !choices_.EraseFirst) {
            if (!tasks::IsRewritableKind(burner_.GetDiscType())) {
                burner_.LoadUnload(true);
                Fail(tasks::kInsertRwDisc);
                return false;
            }
            choices_.EraseFirst = true;
            // The disc will be empty: what remains free is counted on it.
            tasks::DecideFinalizeDisc(burner_, true);
        }
        imageSectors = burner_.GetImageSize();
    }
    if (request_.Finalize) burner_.FinalizeDisc = true;
    const tasks::TCheckResult checked = tasks::CheckBurn(burner_, task, imageSectors, choices_, askErase);
    if (!checked.Passed) return refused(checked);
    return true;
}

int TRecording::Run() {
    // Errors, file-system warnings and renamed entries always reach the
    // user; the rest of the engine's diagnostics only with --verbose.
    // Workers post them too.
    burner_.OnDebugMessage = [this](TSCSIDevice&, const std::string& message, int mType) {
        if (mType == mtFileSystem) ++problems_;
        if (mType == mtError || mType == mtFileSystem || request_.Verbose || renames_.FirstTime(message))
            progress_.Print(message);
    };
    if (OpenCommandDrive(burner_, request_.Device) < 0) return kRecordFailed;
    tasks::PaceWithEmulatedRecorder(burner_);
    // A disc just put in is given the time to spin up; the checks tell
    // what is wrong with a drive that does not get ready.
    tasks::LoadAndWaitForDisc(burner_);

    std::int64_t imageSectors = 0;
    switch (request_.Task) {
        case tasks::TRecordTask::RecordNew:
            burner_.BeginProject(TOrvoBurner::TProjectTask::RecordNew);
            projectName_ = DefaultProjectName(request_.Paths);
            if (!AddPaths()) return FailReplaceQuestion();
            break;
        case tasks::TRecordTask::ContinueDisc:
            if (!tasks::BeginContinueProject(burner_, importIncomplete_) && DiscHoldsData()) {
                importIncomplete_ = true;
                Warn("the disc's last session could not be read; the new session will show only what is "
                     "given now");
            } else if (importIncomplete_) {
                Warn("the disc's last session could not be read completely; the new session will not show "
                     "what was left out");
            }
            if (request_.Verbose) {
                const auto& table = burner_.Project().FileTable();
                const auto kept = std::count_if(table.begin(), table.end(), [](const auto& e) {
                    return e->Imported && !e->IsDirectory();
                });
                progress_.Print(Format("%s: %ld files of the disc's last session stay", request_.Name,
                                       static_cast<long>(kept)));
            }
            TakeOverVolume();
            if (!AddPaths()) return FailReplaceQuestion();
            break;
        case tasks::TRecordTask::RecordImage: {
            burner_.WritePostGap = request_.PostGap;
            if (!tasks::ImageFileSectors(burner_, request_.Paths.front(), imageSectors))
                return Fail("cannot read the image file '" + request_.Paths.front() + "'");
            break;
        }
    }
    ApplyOptions();
    if (!Check(imageSectors)) return kRecordFailed;

    const std::vector<tasks::TWriteSpeed> speeds = tasks::ProbeWriteSpeeds(burner_);
    const tasks::TWriteSpeed speed = tasks::PickSpeed(speeds, tasks::SpeedSteps(request_.Speed));
    tasks::SelectWriteSpeed(burner_, speed);
    // A drive that grants no speed writes as fast as it can, unnamed.
    const std::string speedText = speeds.empty() ? std::string() : tasks::RecordSpeedText(speed);

    tasks::TProcessPlan plan;
    plan.EraseFirst = choices_.EraseFirst;
    plan.Eject = request_.Eject;
    plan.Verify = request_.Verify;
    if (request_.Task == tasks::TRecordTask::RecordImage) {
        plan.RecordCaption = "Record ISO-image to disc";
        plan.ImageFile = request_.Paths.front();
    } else {
        plan.RecordCaption = "Record on " + speedText;
    }
    tasks::TVerifyOutcome verified;
    if (!ProcessRecording(burner_, request_.Name, plan, progress_, &verified)) return kRecordFailed;
    if (request_.Verify && !verified.Confirmed()) return kRecordNotVerified;
    return Partial();
}

// Reads the options a command's table holds into `request`. Answers the
// usage error, empty when the options are sound.
std::string ReadRecordOptions(const TParsedArgs& args, TRecordRequest& request) {
    request.Device = args.Value("--device");
    if (args.Has("--speed")) {
        request.Speed = args.Value("--speed");
        const double steps = tasks::SpeedSteps(request.Speed);
        const bool digitsOnly = request.Speed.find_first_not_of("0123456789.xX") == std::string::npos;
        if (!digitsOnly || steps <= 0 || steps > kMostSpeedSteps) return "--speed wants a speed such as 16 or 16x";
    }
    request.Erase = args.Has("--erase");
    request.Finalize = args.Has("--finalize");
    request.TestWrite = args.Has("--test-write");
    if (request.Erase && request.TestWrite) return "--test-write simulates the recording only: --erase would be real";
    request.Verify = args.Has("--verify");
    if (request.Verify && request.TestWrite) return "--test-write records nothing that --verify could read back";
    request.Replace = args.Has("--replace");
    request.Eject = args.Has("--eject");
    request.Verbose = args.Has("--verbose");
    request.PostGap = !args.Has("--no-post-gap");
    const auto text = [&](const char* key) -> std::optional<std::string> {
        if (!args.Has(key)) return std::nullopt;
        return args.Value(key);
    };
    request.VolumeId = text("--volume-id");
    request.Preparer = text("--preparer");
    request.Publisher = text("--publisher");
    request.Copyright = text("--copyright");
    if (args.Has("--boot")) {
        request.BootImage = args.Value("--boot");
        if (const std::string problem = tasks::BootImageProblem(request.BootImage); !problem.empty()) return problem;
    }
    if (args.Has("--cache-mb")) {
        std::int64_t mb = 0;
        if (!ParseWholeNumber(args.Value("--cache-mb"), 2, kMaxCacheMb, mb))
            return "--cache-mb wants a number of MiB from 2 to 4095";
        request.CacheBytes = static_cast<std::uint32_t>(mb << 20);
    }
    request.Paths = args.Positional;
    return {};
}

int RunRecording(const TRecordRequest& request) {
    TSyncQueue::Main().ClaimOwnership();
    int status = kRecordFailed;
    {
        TOrvoBurner burner;
        status = TRecording(request, burner).Run();
    }
    TThread::WaitForFreeOnTerminateThreads();
    return status;
}

}  // namespace

int RunRecordCommand(int argc, char** argv, const TRecordCommand& command) {
    const TParsedArgs args = ParseOptions(argc, argv, command.Options);
    if (!args.Error.empty()) return UsageError(command.Name, args.Error);
    if (args.Has("--help")) {
        command.PrintHelp();
        return kRecordOk;
    }
    TRecordRequest request;
    request.Name = command.Name;
    request.Task = command.Task;
    if (const std::string error = ReadRecordOptions(args, request); !error.empty())
        return UsageError(command.Name, error);
    // An image is recorded on its own; files and folders come in any number.
    if (request.Task == tasks::TRecordTask::RecordImage) {
        if (request.Paths.size() != 1) return UsageError(command.Name, "give exactly one image file");
    } else if (request.Paths.empty()) {
        return UsageError(command.Name, "no PATH given");
    }
    return RunRecording(request);
}

}  // namespace sorvane::cli
