#pragma once
// Option parsing shared by the subcommands: short and long options, with or
// without a value ("-d sr0", "--device sr0", "--device=sr0"), the rest taken
// as positional arguments in order. "--" ends the options.

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace sorvane::cli {

struct TOptionDef {
    const char* Short;  // "-d", or nullptr
    const char* Long;   // "--device", or nullptr
    bool TakesValue;
};

struct TParsedArgs {
    // Keyed by the long name when there is one, else by the short one.
    std::map<std::string, std::string> Values;
    std::vector<std::string> Positional;
    std::string Error;  // empty when the arguments parsed

    bool Has(const std::string& key) const { return Values.count(key) != 0; }
    std::string Value(const std::string& key) const;
};

// Parses argv[1..argc-1] (argv[0] is the subcommand's name).
TParsedArgs ParseOptions(int argc, char** argv, std::span<const TOptionDef> options);

// The command being run, "sorvane-cli info": main sets it once, and every
// error line of the command begins with it.
void SetCommandName(std::string name);
const std::string& CommandName();
// Prints "sorvane-cli COMMAND: TEXT" on stderr.
void PrintError(const std::string& text);

// Prints "NAME: MESSAGE" and the hint to the command's help on stderr;
// answers 2, the exit status of a wrong command line.
int UsageError(const char* name, const std::string& message);

// For a command that takes options but no other arguments: prints
// "NAME: REASON" on stderr and answers true when the arguments did not
// parse or hold a positional one.
bool RefuseArguments(const TParsedArgs& args, const char* name);

// A whole decimal number within [min, max]; false, leaving `value` alone,
// for anything else.
bool ParseWholeNumber(const std::string& text, std::int64_t min, std::int64_t max, std::int64_t& value);

}  // namespace sorvane::cli
