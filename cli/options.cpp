#include "cli/options.h"

#include <cstdio>
#include <cstring>

namespace sorvane::cli {
namespace {

const TOptionDef* Find(std::span<const TOptionDef> options, const std::string& name) {
    for (const TOptionDef& option : options)
        if ((option.Short && name == option.Short) || (option.Long && name == option.Long)) return &option;
    return nullptr;
}

std::string KeyOf(const TOptionDef& option) { return option.Long ? option.Long : option.Short; }

}  // namespace

std::string TParsedArgs::Value(const std::string& key) const {
    auto it = Values.find(key);
    return it == Values.end() ? std::string() : it->second;
}

TParsedArgs ParseOptions(int argc, char** argv, std::span<const TOptionDef> options) {
    TParsedArgs parsed;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        if (optionsEnded || argument.size() < 2 || argument[0] != '-') {
            parsed.Positional.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        std::string inlineValue;
        bool hasInlineValue = false;
        if (argument.starts_with("--")) {
            if (const std::size_t equals = argument.find('='); equals != std::string::npos) {
                inlineValue = argument.substr(equals + 1);
                argument.resize(equals);
                hasInlineValue = true;
            }
        }
        const TOptionDef* option = Find(options, argument);
        if (!option) {
            parsed.Error = "unknown option '" + argument + "'";
            return parsed;
        }
        if (!option->TakesValue) {
            if (hasInlineValue) {
                parsed.Error = "option '" + argument + "' takes no value";
                return parsed;
            }
            parsed.Values[KeyOf(*option)] = "";
            continue;
        }
        if (!hasInlineValue) {
            if (i + 1 >= argc) {
                parsed.Error = "option '" + argument + "' needs a value";
                return parsed;
            }
            inlineValue = argv[++i];
        }
        parsed.Values[KeyOf(*option)] = inlineValue;
    }
    return parsed;
}

bool ParseWholeNumber(const std::string& text, std::int64_t min, std::int64_t max, std::int64_t& value) {
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos) return false;
    const std::int64_t parsed = std::stoll(text);
    if (parsed < min || parsed > max) return false;
    value = parsed;
    return true;
}

namespace {
std::string& CommandNameStore() {
    static std::string name = "sorvane-cli";
    return name;
}
}  // namespace

void SetCommandName(std::string name) { CommandNameStore() = std::move(name); }

const std::string& CommandName() { return CommandNameStore(); }

void PrintError(const std::string& text) { std::fprintf(stderr, "%s: %s\n", CommandName().c_str(), text.c_str()); }

int UsageError(const char* name, const std::string& message) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", name, message.c_str(), name);
    return 2;
}

bool RefuseArguments(const TParsedArgs& args, const char* name) {
    if (args.Error.empty() && args.Positional.empty()) return false;
    std::fprintf(stderr, "%s: %s\n", name, args.Error.empty() ? "takes no arguments" : args.Error.c_str());
    return true;
}

}  // namespace sorvane::cli
