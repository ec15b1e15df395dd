#include "cli/options.h"

#include <cerrno>
#include <cstdlib>

namespace sorvane::cli {

TOptionParser::TOptionParser(std::vector<TOptionSpec> specs) : specs_(std::move(specs)) {}

const TOptionSpec* TOptionParser::FindLong(const std::string& name) {
    const TOptionSpec* prefixMatch = nullptr;
    int prefixMatches = 0;
    for (const TOptionSpec& spec : specs_) {
        const std::string candidate = spec.Long;
        if (candidate == name) return &spec;
        if (candidate.compare(0, name.size(), name) == 0) {
            prefixMatch = &spec;
            ++prefixMatches;
        }
    }
    if (prefixMatches == 1) return prefixMatch;
    error_ = prefixMatches > 1 ? "option '--" + name + "' is ambiguous" : "unrecognized option '--" + name + "'";
    return nullptr;
}

const TOptionSpec* TOptionParser::FindShort(char name) const {
    for (const TOptionSpec& spec : specs_)
        if (spec.Short == name) return &spec;
    return nullptr;
}

bool TOptionParser::Parse(int argc, char** argv) {
    values_.clear();
    operands_.clear();
    error_.clear();
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            operands_.push_back(arg);  // "-" alone is an operand too
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        if (arg[1] == '-') {
            const auto equals = arg.find('=');
            const std::string name = arg.substr(2, equals == std::string::npos ? std::string::npos : equals - 2);
            const TOptionSpec* spec = FindLong(name);
            if (!spec) return false;
            if (!spec->ArgName) {
                if (equals != std::string::npos) {
                    error_ = std::string("option '--") + spec->Long + "' doesn't allow an argument";
                    return false;
                }
                values_[spec->Long] = {};
            } else if (equals != std::string::npos) {
                values_[spec->Long] = arg.substr(equals + 1);
            } else if (i + 1 < argc) {
                values_[spec->Long] = argv[++i];
            } else {
                error_ = std::string("option '--") + spec->Long + "' requires an argument";
                return false;
            }
            continue;
        }
        // One or more short options bundled in one word.
        for (std::size_t k = 1; k < arg.size(); ++k) {
            const TOptionSpec* spec = FindShort(arg[k]);
            if (!spec) {
                error_ = std::string("invalid option -- '") + arg[k] + "'";
                return false;
            }
            if (!spec->ArgName) {
                values_[spec->Long] = {};
                continue;
            }
            if (k + 1 < arg.size()) {
                values_[spec->Long] = arg.substr(k + 1);
            } else if (i + 1 < argc) {
                values_[spec->Long] = argv[++i];
            } else {
                error_ = std::string("option requires an argument -- '") + arg[k] + "'";
                return false;
            }
            break;
        }
    }
    return true;
}

std::string TOptionParser::Value(const std::string& longName, const std::string& fallback) const {
    auto it = values_.find(longName);
    return it == values_.end() ? fallback : it->second;
}

std::string TOptionParser::OptionsHelp() const {
    std::string text;
    for (const TOptionSpec& spec : specs_) {
        std::string left = spec.Short ? std::string("  -") + spec.Short + ", " : std::string("      ");
        left += std::string("--") + spec.Long;
        if (spec.ArgName) left += std::string("=") + spec.ArgName;
        if (left.size() < 28) left.resize(28, ' ');
        else left += "\n" + std::string(28, ' ');
        text += left + spec.Help + "\n";
    }
    return text;
}

bool ParseNumber(const std::string& text, std::int64_t min, std::int64_t max, std::int64_t& value) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    char* end = nullptr;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0' || parsed < min || parsed > max) return false;
    value = parsed;
    return true;
}

}  // namespace sorvane::cli
