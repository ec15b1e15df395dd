#include "tests/iso/disc_images.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace sorvane::test {

const char* const kLongName = "A long name with \xC3\x9Cn\xC3\xAF" "code, longer than 31 characters.txt";

namespace {

constexpr std::uint32_t kSector = 2048;

void Run(const std::string& command) {
    const int status = std::system(command.c_str());
    if (status != 0) {
        ADD_FAILURE() << "command failed (" << status << "): " << command;
        std::abort();
    }
}

std::string Quote(const std::string& s) { return "'" + s + "'"; }

void WriteText(const std::string& path, const std::string& text) {
    WriteAll(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

void MakeFirstSessionTree(const std::string& dir) {
    std::filesystem::create_directories(dir + "/Docs");
    std::filesystem::create_directories(dir + "/A");
    WriteAll(dir + "/big.bin", BigFileContent());
    WriteText(dir + "/README", "readme of session one\n");
    WriteText(dir + "/empty.txt", "");
    WriteText(dir + "/Docs/" + kLongName, "a long name\n");
    WriteText(dir + "/A/inside.txt", "inside A\n");
    Run("find " + Quote(dir) + " -exec touch -h -d '2004-05-06 07:08:09' {} +");
}

std::uint32_t SectorsOfFile(const std::string& path) {
    return static_cast<std::uint32_t>(std::filesystem::file_size(path) / kSector);
}

struct TImages {
    TTempDir Dir;
    TBuiltDisc Three;
    TBuiltDisc IsoOnly;
    TBuiltDisc Level4;

    TImages() {
        const std::string d = Dir.Path();
        MakeFirstSessionTree(d + "/s1");
        Run("genisoimage -quiet -input-charset utf-8 -J -r -o " + d + "/s1.iso " + d + "/s1");
        Run("genisoimage -quiet -input-charset utf-8 -o " + d + "/iso.iso " + d + "/s1");
        Run("genisoimage -quiet -iso-level 4 -J -o " + d + "/level4.iso " + d + "/s1");

        // The next sessions start where a recorder would put them: after the
        // previous session's lead-out and the next lead-in.
        const std::uint32_t start2 = SectorsOfFile(d + "/s1.iso") + 11400;
        Run("cp " + d + "/s1.iso " + d + "/disc.img");
        std::filesystem::create_directories(d + "/s2");
        WriteText(d + "/s2/second.txt", "second session\n");
        WriteText(d + "/s2/README", "readme of session two\n");
        Run("genisoimage -quiet -input-charset utf-8 -J -r -C 0," + std::to_string(start2) + " -M " + d + "/disc.img -o " + d +
            "/s2.iso " + d + "/s2 2>" + d + "/log");
        Run("dd if=" + d + "/s2.iso of=" + d + "/disc.img bs=2048 seek=" + std::to_string(start2) +
            " conv=notrunc status=none");

        const std::uint32_t start3 = start2 + SectorsOfFile(d + "/s2.iso") + 6900;
        std::filesystem::create_directories(d + "/s3");
        WriteText(d + "/s3/third.txt", "third session\n");
        Run("genisoimage -quiet -input-charset utf-8 -J -r -C " + std::to_string(start2) + "," + std::to_string(start3) + " -M " + d +
            "/disc.img -o " + d + "/s3.iso " + d + "/s3 2>" + d + "/log");

        Three.Count = 3;
        Three.Sessions[0] = ReadAll(d + "/s1.iso");
        Three.Sessions[1] = ReadAll(d + "/s2.iso");
        Three.Sessions[2] = ReadAll(d + "/s3.iso");
        Three.Starts[0] = 0;
        Three.Starts[1] = start2;
        Three.Starts[2] = start3;

        IsoOnly.Count = 1;
        IsoOnly.Sessions[0] = ReadAll(d + "/iso.iso");
        Level4.Count = 1;
        Level4.Sessions[0] = ReadAll(d + "/level4.iso");
    }
};

}  // namespace

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sorvane-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> BigFileContent() {
    std::vector<std::uint8_t> bytes(100000);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>((i * 7 + i / 2048) % 251);
    return bytes;
}

TMemoryDisc TBuiltDisc::Load() const {
    TMemoryDisc disc;
    for (int s = 0; s < Count; ++s) {
        disc.Load(Starts[s], Sessions[s]);
        disc.AddSession({Starts[s], static_cast<std::uint32_t>(Sessions[s].size() / kSector)});
    }
    return disc;
}

static const TImages& Images() {
    static const TImages images;
    return images;
}

const TBuiltDisc& ThreeSessionDisc() { return Images().Three; }
const TBuiltDisc& IsoOnlyDisc() { return Images().IsoOnly; }
const TBuiltDisc& IsoLevel4Disc() { return Images().Level4; }

}  // namespace sorvane::test
