#pragma once
// GNU-style option parsing for the subcommands: long options with
// "--name=value" or "--name value" and unambiguous prefixes, short options
// with "-o value", "-ovalue" and bundled flags ("-hv"), options anywhere
// among the operands, and "--" to end the options. The same table gives the
// option part of the --help text.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace sorvane::cli {

struct TOptionSpec {
    const char* Long;     // "volume-id"
    char Short;           // 'o', or 0 for none
    const char* ArgName;  // "TEXT" for an option with a value, nullptr for a flag
    const char* Help;     // one line
};

class TOptionParser {
public:
    explicit TOptionParser(std::vector<TOptionSpec> specs);

    // Parses argv[1 .. argc-1]. False on a usage error, described by Error().
    bool Parse(int argc, char** argv);
    const std::string& Error() const { return error_; }

    bool Has(const std::string& longName) const { return values_.count(longName) != 0; }
    // The value given last, or `fallback` when the option is absent.
    std::string Value(const std::string& longName, const std::string& fallback = {}) const;
    const std::vector<std::string>& Operands() const { return operands_; }

    // "  -o, --output=FILE     help" lines, one per option.
    std::string OptionsHelp() const;

private:
    const TOptionSpec* FindLong(const std::string& name);
    const TOptionSpec* FindShort(char name) const;

    std::vector<TOptionSpec> specs_;
    std::map<std::string, std::string> values_;
    std::vector<std::string> operands_;
    std::string error_;
};

// Parses a whole decimal number within [min, max]; false otherwise.
bool ParseNumber(const std::string& text, std::int64_t min, std::int64_t max, std::int64_t& value);

}  // namespace sorvane::cli
