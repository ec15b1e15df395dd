#include "tests/iso/iso_fixture.h"

#include <unistd.h>

#include <fstream>
#include <sstream>

namespace sorvane::test {

TTempDir::TTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sorvane-iso-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TTempDir::~TTempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::string TTempDir::Write(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path p = path_ / relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return p.string();
}

std::string Pattern(std::size_t size, unsigned seed) {
    std::string out(size, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (std::size_t i = 0; i < size; ++i) {
        x = x * 1664525u + 1013904223u;
        out[i] = static_cast<char>(x >> 24);
    }
    return out;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

IsoTest::IsoTest() {
    burner.OnDebugMessage = [this](TSCSIDevice&, const std::string& m, int t) { messages.emplace_back(m, t); };
}

TFEntry* IsoTest::AddFile(const std::string& dirPath, const std::string& name, std::int64_t size,
                          const std::string& source, int attr) {
    TDEntry* dir = burner.CreateDir(dirPath);
    if (!dir) return nullptr;
    TSearchRec sr;
    sr.Name = name;
    sr.Size = size;
    sr.Attr = attr;
    sr.Time = 1100000000;
    return burner.AddFile(dir, sr, 0, source) ? burner.LastAddedEntry() : nullptr;
}

void IsoTest::Build() {
    burner.LayoutFileSystem(true, nullptr);
    burner.BuildFileSystemStream(true, nullptr);
}

const std::uint8_t* IsoTest::At(std::int64_t sector) const {
    const auto& l = burner.Layout();
    return l.HeaderStream.Data() + (sector - l.StartAddress) * 2048;
}

std::vector<std::uint8_t> IsoTest::Sector(std::int64_t sector) const {
    const std::uint8_t* p = At(sector);
    return {p, p + 2048};
}

bool IsoTest::Said(const std::string& text) const {
    for (const auto& m : messages)
        if (m.first.find(text) != std::string::npos) return true;
    return false;
}

}  // namespace sorvane::test
