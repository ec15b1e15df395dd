#include "app/help/chm_file.h"

#include <chm_lib.h>

#include <algorithm>

#include "engine/rtl/endian.h"

namespace sorvane::app {
namespace {

// No page, picture or table of a help file comes near this; a larger
// object is a damaged file, not something to allocate memory for.
constexpr std::uint64_t kLargestObject = 64ull << 20;

// The compiler's tables that the viewer reads: the file's settings (start
// page, title), and the context map of topic numbers with the strings it
// points into.
constexpr char kSystemTable[] = "/#SYSTEM";
constexpr char kContextMap[] = "/#IVB";
constexpr char kStrings[] = "/#STRINGS";

// Codes of the settings records in the settings table.
constexpr std::uint16_t kDefaultTopicRecord = 2;
constexpr std::uint16_t kTitleRecord = 3;

// The text up to the first NUL in bytes [from, end) of `data`.
std::string TextAt(const std::vector<std::uint8_t>& data, std::size_t from, std::size_t end) {
    end = std::min(end, data.size());
    if (from >= end) return {};
    const auto first = data.begin() + static_cast<std::ptrdiff_t>(from);
    const auto last = std::find(first, data.begin() + static_cast<std::ptrdiff_t>(end), std::uint8_t{0});
    return std::string(first, last);
}

}  // namespace

void TChmFile::TClose::operator()(chmFile* handle) const { chm_close(handle); }

TChmFile::TChmFile(const std::string& fileName) : handle_(chm_open(fileName.c_str())) {
    if (!handle_) return;
    ReadSystem();
    ReadContextMap();
}

bool TChmFile::Contains(const std::string& path) const {
    chmUnitInfo unit{};
    return handle_ && chm_resolve_object(handle_.get(), path.c_str(), &unit) == CHM_RESOLVE_SUCCESS;
}

std::optional<std::vector<std::uint8_t>> TChmFile::Read(const std::string& path) const {
    chmUnitInfo unit{};
    if (!handle_ || chm_resolve_object(handle_.get(), path.c_str(), &unit) != CHM_RESOLVE_SUCCESS) return std::nullopt;
    if (unit.length > kLargestObject) return std::nullopt;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(unit.length));
    std::uint64_t done = 0;
    while (done < unit.length) {
        const LONGINT64 got = chm_retrieve_object(handle_.get(), &unit, bytes.data() + done, done,
                                                  static_cast<LONGINT64>(unit.length - done));
        if (got <= 0) return std::nullopt;
        done += static_cast<std::uint64_t>(got);
    }
    return bytes;
}

std::string TChmFile::TopicPath(int topic) const {
    const auto found = topics_.find(topic);
    return found == topics_.end() ? std::string() : found->second;
}

std::string TChmFile::ObjectPathOf(const std::string& pageName) const {
    std::string name = pageName;
    std::replace(name.begin(), name.end(), '\\', '/');
    // A name written as a link into a help file keeps its page after "::".
    if (const std::size_t file = name.rfind("::"); file != std::string::npos) name.erase(0, file + 2);
    std::string anchor;
    if (const std::size_t hash = name.find('#'); hash != std::string::npos) {
        anchor = name.substr(hash);
        name.erase(hash);
    }
    if (name.empty()) return {};
    if (name.front() != '/') name = "/" + name;
    // Some compilers name a page by the path it was compiled from rather
    // than by its place in the file: the longest tail of that path that the
    // file holds is the page.
    for (std::size_t from = 0; from != std::string::npos; from = name.find('/', from + 1)) {
        const std::string candidate = name.substr(from);
        if (Contains(candidate)) return candidate + anchor;
    }
    return {};
}

void TChmFile::ReadSystem() {
    const auto system = Read(kSystemTable);
    if (!system) return;
    // A version number, then records of a 16-bit code, a 16-bit length and
    // that many bytes, all little-endian.
    std::size_t at = 4;
    while (at + 4 <= system->size()) {
        const auto code = ReadLsb<std::uint16_t>(system->data() + at);
        const std::size_t length = ReadLsb<std::uint16_t>(system->data() + at + 2);
        const std::size_t data = at + 4;
        if (code == kDefaultTopicRecord) {
            if (std::string start = ObjectPathOf(TextAt(*system, data, data + length)); !start.empty())
                startPage_ = std::move(start);
        } else if (code == kTitleRecord) {
            title_ = TextAt(*system, data, data + length);
        }
        at = data + length;
    }
}

void TChmFile::ReadContextMap() {
    const auto map = Read(kContextMap);
    const auto strings = Read(kStrings);
    if (!map || !strings || map->size() < 4) return;
    // The byte count of the pairs that follow, then pairs of a topic number
    // and the offset in the strings table of the page it leads to.
    const std::size_t end = std::min<std::size_t>(map->size(), 4 + ReadLsb<std::uint32_t>(map->data()));
    for (std::size_t at = 4; at + 8 <= end; at += 8) {
        const auto topic = ReadLsb<std::int32_t>(map->data() + at);
        const std::size_t offset = ReadLsb<std::uint32_t>(map->data() + at + 4);
        if (std::string path = ObjectPathOf(TextAt(*strings, offset, strings->size())); !path.empty())
            topics_[topic] = std::move(path);
    }
}

}  // namespace sorvane::app
