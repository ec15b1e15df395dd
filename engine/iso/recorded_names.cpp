#include "engine/iso/recorded_names.h"

#include <algorithm>
#include <unordered_set>

#include "engine/rtl/format.h"
#include "engine/rtl/text.h"

namespace sorvane {
namespace {

constexpr std::size_t kVersionLength = 2;  // ";1"

// Characters neither ISO 9660 nor Joliet allow in an identifier: the
// separators of paths and of the version number, and the wildcards.
bool IsForbidden(char32_t c) {
    return c < 0x20 || c == 0x7F || c == '*' || c == '/' || c == ':' || c == ';' || c == '?' || c == '\\';
}

bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }

template <typename S>
S Text(const char* ascii) {
    S out;
    for (const char* p = ascii; *p; ++p) out += static_cast<typename S::value_type>(*p);
    return out;
}

// Cuts to `n` units without leaving half a surrogate pair behind.
template <typename S>
S Cut(const S& s, std::size_t n) {
    S out = s.substr(0, std::min(n, s.size()));
    if constexpr (sizeof(typename S::value_type) == 2)
        if (!out.empty() && IsHighSurrogate(out.back())) out.pop_back();
    return out;
}

// A name made only of dots would read as the directory itself or its parent.
template <typename S>
void GuardEmptyAndDots(S& name) {
    if (name.empty()) name = Text<S>("_");
    if (std::all_of(name.begin(), name.end(), [](auto c) { return c == '.'; }))
        std::replace(name.begin(), name.end(), static_cast<typename S::value_type>('.'),
                     static_cast<typename S::value_type>('_'));
}

// Where the extension starts: at the last dot, unless the name has no dot or
// only a leading one (".profile" is all stem).
template <typename S>
std::size_t ExtensionStart(const S& name) {
    const auto dot = name.rfind(static_cast<typename S::value_type>('.'));
    return dot == S::npos || dot == 0 ? name.size() : dot;
}

// `stem` + `suffix` + extension of `name`, cut to `limit` units. The
// extension survives unless it alone takes more than half of the room.
template <typename S>
S Fit(const S& name, const S& suffix, std::size_t limit) {
    if (name.size() + suffix.size() <= limit) {
        const std::size_t e = ExtensionStart(name);
        return name.substr(0, e) + suffix + name.substr(e);
    }
    std::size_t e = ExtensionStart(name);
    if (name.size() - e > limit / 2) e = name.size();
    const S ext = Cut(name.substr(e), limit / 2);
    return Cut(name.substr(0, e), limit - suffix.size() - ext.size()) + suffix + ext;
}

std::string CleanIso(std::string_view shortName) {
    std::string out;
    for (std::size_t pos = 0; pos < shortName.size();) {
        char32_t c = NextCodePoint(shortName, pos);
        if (c >= 'a' && c <= 'z') c = c - 'a' + 'A';
        out += (c < 0x20 || c > 0x7E || IsForbidden(c)) ? '_' : static_cast<char>(c);
    }
    return out;
}

std::u16string CleanJoliet(std::string_view longName) {
    std::u16string out = Utf8ToUtf16(longName);
    for (char16_t& u : out)
        if (IsForbidden(u)) u = u'_';
    return out;
}

// The identifier without its version, fitted into `limit` units.
template <typename S>
S Base(S cleaned, TEntryKind kind, std::size_t maxUnits) {
    GuardEmptyAndDots(cleaned);
    const std::size_t limit = maxUnits - (kind == TEntryKind::File ? kVersionLength : 0);
    return Fit(cleaned, S(), limit);
}

template <typename S>
S WithVersion(S base, TEntryKind kind) {
    if (kind == TEntryKind::File) base += Text<S>(";1");
    return base;
}

// Readers compare names without their version and, on the platforms that
// read Joliet, without regard to the case of a-z.
template <typename S>
S Key(const S& base) {
    S key = base;
    for (auto& c : key)
        if (c >= 'a' && c <= 'z') c = static_cast<typename S::value_type>(c - 'a' + 'A');
    return key;
}

template <typename S>
struct TCandidate {
    S Base;
    TEntryKind Kind;
    bool Altered;  // differs from the name the user gave
};

// Gives every candidate of one directory a distinct name. Names the user
// gave unchanged are served first, so that a real "A_B.TXT" keeps its name
// when "A*B.TXT" is cleaned into it; whatever still collides gets "~N"
// before its extension.
template <typename S>
std::vector<S> MakeUnique(std::vector<TCandidate<S>>& candidates, std::size_t maxUnits, std::vector<bool>& mangled) {
    std::unordered_set<S> taken;
    std::vector<std::size_t> pending;
    std::vector<bool> placed(candidates.size(), false);
    for (const bool altered : {false, true})
        for (std::size_t i = 0; i < candidates.size(); ++i)
            if (candidates[i].Altered == altered && taken.insert(Key(candidates[i].Base)).second) placed[i] = true;
    mangled.assign(candidates.size(), false);
    // The next suffix to try per colliding name, so that many entries
    // colliding on one name do not each count up from 1.
    std::unordered_map<S, unsigned> nextSuffix;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        if (placed[i]) continue;
        const std::size_t limit = maxUnits - (candidates[i].Kind == TEntryKind::File ? kVersionLength : 0);
        unsigned& n = nextSuffix.try_emplace(Key(candidates[i].Base), 1).first->second;
        for (;; ++n) {
            S candidate = Fit(candidates[i].Base, Text<S>(Format("~%u", n).c_str()), limit);
            if (taken.insert(Key(candidate)).second) {
                candidates[i].Base = std::move(candidate);
                ++n;
                break;
            }
        }
        mangled[i] = true;
    }
    std::vector<S> names;
    names.reserve(candidates.size());
    for (const auto& c : candidates) names.push_back(WithVersion(c.Base, c.Kind));
    return names;
}

}  // namespace

std::string IsoIdentifier(std::string_view shortName, TEntryKind kind) {
    return WithVersion(Base(CleanIso(shortName), kind, kMaxIsoNameBytes), kind);
}

std::u16string JolietIdentifier(std::string_view longName, TEntryKind kind) {
    return WithVersion(Base(CleanJoliet(longName), kind, kMaxJolietNameUnits), kind);
}

std::string JolietBytes(std::u16string_view name) {
    std::string out(2 * name.size(), '\0');
    for (std::size_t i = 0; i < name.size(); ++i) {
        out[2 * i] = static_cast<char>(name[i] >> 8);
        out[2 * i + 1] = static_cast<char>(name[i] & 0xFF);
    }
    return out;
}

void TRecordedNames::Build(const TProjectTree& project, const TDebugSink& debug, bool reportJoliet) {
    const auto& table = project.DirTable();
    dirs_.assign(table.size(), TRecordedDir{});
    index_.clear();
    index_.reserve(table.size());
    for (std::size_t d = 0; d < table.size(); ++d) index_.emplace(table[d].get(), d);
    const auto report = [&](const std::string& text) {
        if (debug) debug(">>> " + text, mtInfo);
    };

    // A directory without an item in its parent (which the project never
    // leaves behind) would still get a name from its own record.
    for (std::size_t d = 1; d < table.size(); ++d) {
        dirs_[d].IsoName = IsoIdentifier(table[d]->ShortName, TEntryKind::Directory);
        dirs_[d].JolietName = JolietIdentifier(table[d]->LongName, TEntryKind::Directory);
    }

    std::vector<TCandidate<std::string>> iso;
    std::vector<TCandidate<std::u16string>> joliet;
    std::vector<const TFEntry*> entries;
    std::vector<bool> isoMangled, jolietMangled;
    for (std::size_t d = 0; d < table.size(); ++d) {
        iso.clear();
        joliet.clear();
        entries.clear();
        for (const TFEntry* e = table[d]->FirstEntry; e; e = e->Next) {
            const TEntryKind kind = e->IsDirectory() ? TEntryKind::Directory : TEntryKind::File;
            std::string isoBase = Base(CleanIso(e->ShortName), kind, kMaxIsoNameBytes);
            std::u16string jolietBase = Base(CleanJoliet(e->LongName), kind, kMaxJolietNameUnits);
            const bool isoAltered = isoBase != e->ShortName;
            const bool jolietAltered = Utf16ToUtf8(jolietBase) != e->LongName;
            iso.push_back({std::move(isoBase), kind, isoAltered});
            joliet.push_back({std::move(jolietBase), kind, jolietAltered});
            entries.push_back(e);
        }
        TRecordedDir& names = dirs_[d];
        names.IsoNames = MakeUnique(iso, kMaxIsoNameBytes, isoMangled);
        names.JolietNames = MakeUnique(joliet, kMaxJolietNameUnits, jolietMangled);

        for (std::size_t i = 0; i < entries.size(); ++i) {
            const TFEntry* e = entries[i];
            if (e->IsDirectory()) {
                TRecordedDir& sub = dirs_[index_.at(e->Dir)];
                sub.IsoName = names.IsoNames[i];
                sub.JolietName = names.JolietNames[i];
            }
            if (reportJoliet && (joliet[i].Altered || jolietMangled[i]))
                report(Format("NAME \"%s\" IN \"%s\" RECORDED AS \"%s\"", e->LongName.c_str(),
                              table[d]->Path.c_str(), Utf16ToUtf8(joliet[i].Base).c_str()));
            if (isoMangled[i])
                report(Format("ISO 9660 NAME \"%s\" IN \"%s\" RECORDED AS \"%s\"", e->ShortName.c_str(),
                              table[d]->Path.c_str(), iso[i].Base.c_str()));
        }
    }
}

}  // namespace sorvane
