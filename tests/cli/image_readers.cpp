#include "tests/cli/image_readers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string_view>

#include "tests/cli/cli_fixture.h"

namespace sorvane::test {
namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ShellBytes(const std::string& command) {
    const TRun run = Shell(command);
    return Bytes(run.Output);
}

// Reader names carry the version (";1") and, for a name without an
// extension, the dot that stands before it; a path compares without them.
std::string PlainName(std::string name) {
    if (const auto semicolon = name.rfind(';'); semicolon != std::string::npos) name.resize(semicolon);
    if (!name.empty() && name.back() == '.') name.pop_back();
    return name;
}

}  // namespace

bool HaveReaders() { return Installed("xorriso") && Installed("isoinfo"); }

TFoundTree ReadWithXorriso(const std::string& image, const std::string& scratch) {
    TFoundTree found;
    const TRun report = Shell("xorriso -indev " + Quote(image) + " -find / -type f -exec report_lba --");
    // "File data lba:  0 ,    18934 ,        1 ,        8 , '/README'": extent
    // number, first sector, sectors, size, path.
    constexpr std::string_view kHead = "File data lba:";
    std::istringstream lines(report.Output);
    for (std::string text; std::getline(lines, text);) {
        if (!text.starts_with(kHead)) continue;
        const auto quote = text.find('\'');
        if (quote == std::string::npos || text.back() != '\'') continue;
        std::istringstream fields(text.substr(kHead.size(), quote - kHead.size()));
        std::int64_t extent = 0, lba = 0, sectors = 0, size = 0;
        char comma = 0;
        if (!(fields >> extent >> comma >> lba >> comma >> sectors >> comma >> size)) continue;
        TFoundFile& file = found[text.substr(quote + 1, text.size() - quote - 2)];
        file.Lba = lba;
        file.Size = size;
    }
    const std::string folder = scratch + "/xorriso";
    fs::remove_all(folder);
    const TRun extract = Shell("xorriso -indev " + Quote(image) + " -osirrox on -extract / " + Quote(folder));
    if (extract.ExitCode != 0) {
        ADD_FAILURE() << "xorriso cannot extract " << image << "\n" << extract.Output;
        return {};
    }
    // Without Rock Ridge the copies may come without write permission.
    Shell("chmod -R u+rwX " + Quote(folder));
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        TFoundFile& file = found["/" + fs::relative(entry.path(), folder).string()];
        file.Content = ReadAll(entry.path().string());
        file.Size = static_cast<std::int64_t>(file.Content.size());
    }
    return found;
}

TFoundTree ReadWithIsoinfo(const std::string& image, bool joliet) {
    TFoundTree found;
    const std::string tree = joliet ? "-J " : "";
    const TRun listing = Shell("isoinfo " + tree + "-l -i " + Quote(image));
    if (listing.ExitCode != 0) {
        ADD_FAILURE() << "isoinfo cannot list " << image << "\n" << listing.Output;
        return {};
    }
    // "Directory listing of /Docs/", then one line per entry:
    // "----------   0    0    0          300000 Dec  7 2026 [    150 00]  big.bin;1 "
    // (attributes, three numbers, size, date, first sector and record
    // flags in brackets, name); a folder's attributes begin with "d".
    constexpr std::string_view kFolderHead = "Directory listing of ";
    std::string folder = "/";
    std::istringstream lines(listing.Output);
    for (std::string text; std::getline(lines, text);) {
        if (text.starts_with(kFolderHead)) {
            folder = text.substr(kFolderHead.size());
            continue;
        }
        const auto open = text.find('['), close = text.find(']');
        if (!text.starts_with("-") || open == std::string::npos || close == std::string::npos || close < open)
            continue;
        std::istringstream head(text.substr(0, open)), bracket(text.substr(open + 1, close - open - 1));
        std::string attributes, month;
        std::int64_t a = 0, b = 0, c = 0, size = 0, day = 0, year = 0, lba = 0;
        if (!(head >> attributes >> a >> b >> c >> size >> month >> day >> year) || !(bracket >> lba)) continue;
        std::string name = text.substr(close + 1);
        name.erase(0, name.find_first_not_of(' '));
        name.erase(name.find_last_not_of(' ') + 1);
        TFoundFile& file = found[folder + PlainName(name)];
        file.Size = size;
        file.Lba = lba;
        file.Content = ShellBytes("isoinfo " + tree + "-i " + Quote(image) + " -x " + Quote(folder + name));
    }
    return found;
}

}  // namespace sorvane::test
