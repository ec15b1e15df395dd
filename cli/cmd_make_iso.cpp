// sorvane-cli make-iso: lays files and folders out as an ISO 9660 volume with
// Joliet names, optionally bootable, and writes it to an image file through
// the recording pipeline, showing progress on a terminal.

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/progress.h"
#include "engine/orvo_burner.h"
#include "engine/rtl/format.h"
#include "tasks/add_paths.h"
#include "tasks/local_paths.h"

namespace sorvane::cli {
namespace {

constexpr char kName[] = "sorvane-cli make-iso";
// The component's own default. A drive needs a deep read-ahead against
// underruns; an image file does not, and a ring that stays in the
// processor's cache copies faster.
constexpr std::int64_t kDefaultCacheMb = 4;
// The read-ahead is counted in a 32-bit number of bytes.
constexpr std::int64_t kMaxCacheMb = 4095;

// Exit statuses.
enum : int { kExitOk = 0, kExitFailed = 1, kExitUsage = 2, kExitPartial = 3 };

constexpr TOptionDef kOptions[] = {
    {"-o", "--output", true},      {nullptr, "--volume-id", true}, {nullptr, "--preparer", true},
    {nullptr, "--publisher", true}, {nullptr, "--copyright", true}, {nullptr, "--no-joliet", false},
    {nullptr, "--boot", true},      {nullptr, "--cache-mb", true},  {nullptr, "--no-post-gap", false},
    {"-v", "--verbose", false},     {"-h", "--help", false},
};

void PrintHelp() {
    std::printf(
        "Usage: %s -o FILE [OPTIONS] PATH...\n"
        "\n"
        "Writes the files and folders given as PATHs into an ISO 9660 image with\n"
        "Joliet names. Each PATH goes into the image's root as a file manager drop\n"
        "would put it: a file as a file, a folder as a folder of that name with\n"
        "everything in it, empty folders included. Symbolic links are followed.\n"
        "\n"
        "Options:\n"
        "  -o, --output=FILE    write the image to FILE (required; replaces it)\n"
        "      --volume-id=TEXT volume name (default: the one folder's name, else FILE's)\n"
        "      --preparer=TEXT  data preparer recorded in the volume\n"
        "      --publisher=TEXT publisher recorded in the volume\n"
        "      --copyright=TEXT copyright file name recorded in the volume\n"
        "      --no-joliet      record only ISO 9660 names, no Joliet long names\n"
        "      --boot=IMAGE     make the image bootable (El Torito) with IMAGE\n"
        "      --cache-mb=N     read-ahead buffer of N MiB, 2 to 4095 (default: 4)\n"
        "      --no-post-gap    do not pad images under 300 sectors to 300\n"
        "  -v, --verbose        print the engine's diagnostic messages\n"
        "  -h, --help           show this help and exit\n"
        "\n"
        "Entries that cannot be recorded (a name that differs from another only in\n"
        "case, a file of 4 GiB or more, something unreadable, a symbolic link loop,\n"
        "more entries than an image holds) are left out, each named in a warning.\n"
        "A progress line is shown while stderr is a terminal; Ctrl-C stops the\n"
        "image cleanly. An image is written beside FILE and takes its place only\n"
        "once complete: a failed or stopped run leaves FILE as it was.\n"
        "\n"
        "With SOURCE_DATE_EPOCH set, that time (UTC) is recorded as the image's\n"
        "build time, so that the same files always make the same image.\n"
        "\n"
        "Exit status:\n"
        "  0  the image is complete and holds everything given\n"
        "  1  no image was made (the reason is printed)\n"
        "  2  the command line is wrong\n"
        "  3  the image is complete, but some entries were left out or a file\n"
        "     changed while it was read (see the warnings)\n",
        kName);
}

// The one folder's name, else the output file's without ".iso".
std::string DefaultVolumeId(const std::vector<std::string>& paths, const std::string& output) {
    if (std::string folder = tasks::SingleFolderName(paths); !folder.empty()) return folder;
    std::string name = tasks::BaseName(output);
    if (name.size() > 4 && name.compare(name.size() - 4, 4, ".iso") == 0) name.resize(name.size() - 4);
    return name;
}

// A fixed build time from SOURCE_DATE_EPOCH, for reproducible images.
std::unique_ptr<TScopedClock> ReproducibleClock() {
    const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
    std::int64_t seconds = 0;
    if (!epoch || !ParseWholeNumber(epoch, 0, 253402300799LL, seconds)) return nullptr;
    constexpr double kUnixEpochDay = 25569.0;  // 1970-01-01 as a TDateTime
    return std::make_unique<TScopedClock>(kUnixEpochDay + static_cast<double>(seconds) / 86400.0, 0);
}

}  // namespace

int RunMakeIso(int argc, char** argv) {
    const TParsedArgs args = ParseOptions(argc, argv, kOptions);
    if (!args.Error.empty()) return UsageError(kName, args.Error);
    if (args.Has("--help")) {
        PrintHelp();
        return kExitOk;
    }
    const std::string output = args.Value("--output");
    if (output.empty()) return UsageError(kName, "no output file given (-o FILE)");
    const std::vector<std::string>& paths = args.Positional;
    if (paths.empty()) return UsageError(kName, "no PATH given");
    std::int64_t cacheMb = kDefaultCacheMb;
    if (args.Has("--cache-mb") && !ParseWholeNumber(args.Value("--cache-mb"), 2, kMaxCacheMb, cacheMb))
        return UsageError(kName, "--cache-mb wants a number of MiB from 2 to 4095");
    const std::string bootImage = args.Value("--boot");
    if (args.Has("--boot"))
        if (const std::string problem = tasks::BootImageProblem(bootImage); !problem.empty())
            return UsageError(kName, problem);
    const bool verbose = args.Has("--verbose");

    // The clock must be in place before the burner dates its project.
    const std::unique_ptr<TScopedClock> clock = ReproducibleClock();
    TOrvoBurner burner;
    TProgressLine progress(stderr);
    std::atomic<int> warnings{0};
    TRenameReports renames;
    const auto warn = [&](const std::string& text) {
        progress.Print(std::string(kName) + ": warning: " + text);
    };
    // Errors, file-system warnings and renamed entries always reach the
    // user; the rest of the engine's diagnostics only with --verbose.
    // Workers post them too.
    burner.OnDebugMessage = [&](TSCSIDevice&, const std::string& message, int mType) {
        const bool problem = mType == mtError || mType == mtFileSystem;
        if (problem) ++warnings;
        if (problem || verbose || renames.FirstTime(message)) progress.Print(message);
    };

    burner.SetCacheSize(static_cast<std::uint32_t>(cacheMb << 20));
    burner.JolietFileSystem = !args.Has("--no-joliet");
    burner.WritePostGap = !args.Has("--no-post-gap");
    burner.IdVolume = args.Has("--volume-id") ? args.Value("--volume-id") : DefaultVolumeId(paths, output);
    burner.IdPreparer = args.Value("--preparer");
    burner.IdPublisher = args.Value("--publisher");
    burner.FileCopyright = args.Value("--copyright");
    if (!bootImage.empty()) {
        burner.Layout().BootImageFile = bootImage;
        burner.Layout().MakeBootable = true;
    }

    tasks::TPathAdder adder(burner, warn);
    // An image from an earlier run inside a folder being added would be
    // read while this run rewrites it.
    adder.Exclude(output, "it is the image being written");
    adder.AddAll(paths);
    if (adder.FilesAdded() == 0 && adder.FoldersAdded() == 0) {
        std::fprintf(stderr, "%s: nothing could be added to the image\n", kName);
        return kExitFailed;
    }
    if (verbose)
        progress.Print(Format("%s: %d files in %d folders", kName, adder.FilesAdded(), adder.FoldersAdded()));

    std::optional<std::string> outcome;
    burner.OnWriteDone = [&](TOrvoBurner&, const std::string& error) { outcome = error; };
    TInterruptWatch interrupt;
    if (!burner.SaveISOImage(output, false)) {
        std::fprintf(stderr, "%s: another recording is still running\n", kName);
        return kExitFailed;
    }
    progress.Start(burner.GetImageSize() * 2048);
    PumpUntilDone([&] { return outcome.has_value(); }, progress,
                  [&](std::int64_t& written, int& fill) {
                      written = burner.BytesWritten();
                      fill = burner.CacheFillPercent();
                  },
                  [&] { return interrupt.Requested(); }, [&] { burner.Abort(); });
    if (outcome->empty()) progress.Update(burner.BytesWritten(), 0);
    progress.Finish();

    if (!outcome->empty()) {
        // The engine writes beside the output and renames only a complete
        // image over it: whatever stood at OUTPUT before is still there.
        std::fprintf(stderr, "%s: %s\n", kName, outcome->c_str());
        return kExitFailed;
    }
    if (verbose)
        std::fprintf(stderr, "%s: wrote '%s', %.1f Mb\n", kName, output.c_str(),
                     static_cast<double>(burner.BytesWritten()) / 1048576.0);
    return adder.LeftOut() > 0 || warnings > 0 ? kExitPartial : kExitOk;
}

}  // namespace sorvane::cli
