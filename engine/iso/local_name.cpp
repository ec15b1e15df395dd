#include "engine/iso/local_name.h"

#include <string>

#include "engine/rtl/text.h"

namespace sorvane {
namespace {

bool IsControl(char32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F); }

// Cuts `text` to at most `bytes` bytes without splitting a character.
std::string CutUtf8(std::string_view text, std::size_t bytes) {
    std::size_t end = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        NextCodePoint(text, pos);
        if (pos > bytes) break;
        end = pos;
    }
    return std::string(text.substr(0, end));
}

// Splits at the last "." that is not the first character; an extension of
// more than 32 bytes is no extension worth keeping when shortening.
void SplitExtension(const std::string& name, std::string& stem, std::string& extension) {
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot > 32) {
        stem = name;
        extension.clear();
    } else {
        stem = name.substr(0, dot);
        extension = name.substr(dot);
    }
}

std::string Fit(const std::string& stem, const std::string& suffix, const std::string& extension) {
    const std::size_t room = kMaxLocalNameBytes - suffix.size() - extension.size();
    return CutUtf8(stem, room) + suffix + extension;
}

// Case folding for the scripts whose case a case-insensitive file system is
// most likely to fold: ASCII, Latin-1, Greek and Cyrillic.
char32_t FoldCase(char32_t cp) {
    if (cp >= 'A' && cp <= 'Z') return cp + 0x20;
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 0x20;
    if (cp >= 0x391 && cp <= 0x3A9 && cp != 0x3A2) return cp + 0x20;
    if (cp >= 0x410 && cp <= 0x42F) return cp + 0x20;
    if (cp >= 0x400 && cp <= 0x40F) return cp + 0x50;
    return cp;
}

std::string FoldedKey(std::string_view name) {
    std::string key;
    for (std::size_t pos = 0; pos < name.size();) AppendUtf8(key, FoldCase(NextCodePoint(name, pos)));
    return key;
}

}  // namespace

std::string SafeLocalName(std::string_view discName, TLocalNameKind kind) {
    std::string name;
    for (std::size_t pos = 0; pos < discName.size();) {
        const char32_t cp = NextCodePoint(discName, pos);
        AppendUtf8(name, (cp == '/' || cp == '\\' || IsControl(cp)) ? U'_' : cp);
    }
    if (kind == TLocalNameKind::File && name.size() > 1 && name.back() == '.' && name != "..") name.pop_back();
    if (name.empty() || name == ".") return "_";
    if (name == "..") return "__";
    if (name.size() <= kMaxLocalNameBytes) return name;
    std::string stem, extension;
    SplitExtension(name, stem, extension);
    return Fit(stem, "", extension);
}

std::string PrintableName(std::string_view name) {
    std::string out;
    for (std::size_t pos = 0; pos < name.size();) {
        const char32_t cp = NextCodePoint(name, pos);
        AppendUtf8(out, IsControl(cp) ? U'?' : cp);
    }
    return out;
}

std::string TLocalNameSet::Claim(const std::string& safeName) {
    if (taken_.insert(FoldedKey(safeName)).second) return safeName;
    std::string stem, extension;
    SplitExtension(safeName, stem, extension);
    for (unsigned n = 2;; ++n) {
        std::string candidate = Fit(stem, " (" + std::to_string(n) + ")", extension);
        if (taken_.insert(FoldedKey(candidate)).second) return candidate;
    }
}

}  // namespace sorvane
