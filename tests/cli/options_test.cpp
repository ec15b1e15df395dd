// The command line's option parsing.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cli/options.h"

namespace sorvane::cli {
namespace {

TParsedArgs Parse(std::vector<std::string> words) {
    static constexpr TOptionDef kOptionDefs[] = {{"-d", "--device", true}, {"-h", "--help", false}, {nullptr, "--x", false}};
    std::vector<char*> argv;
    std::string command = "cmd";
    argv.push_back(command.data());
    for (std::string& word : words) argv.push_back(word.data());
    return ParseOptions(static_cast<int>(argv.size()), argv.data(), kOptionDefs);
}

TEST(Options, ShortLongAndInlineValuesAndPositionals) {
    TParsedArgs a = Parse({"-d", "sr1", "file.iso"});
    EXPECT_EQ(a.Error, "");
    EXPECT_EQ(a.Value("--device"), "sr1");
    EXPECT_EQ(a.Positional, (std::vector<std::string>{"file.iso"}));
    EXPECT_EQ(Parse({"--device=0:1:0"}).Value("--device"), "0:1:0");
    EXPECT_EQ(Parse({"--device", "2"}).Value("--device"), "2");
    EXPECT_TRUE(Parse({"-h"}).Has("--help"));
    EXPECT_EQ(Parse({"--", "-d"}).Positional, (std::vector<std::string>{"-d"}));
    EXPECT_EQ(Parse({"-d"}).Error, "option '-d' needs a value");
    EXPECT_EQ(Parse({"-q"}).Error, "unknown option '-q'");
    EXPECT_EQ(Parse({"--help=yes"}).Error, "option '--help' takes no value");
    EXPECT_EQ(Parse({"-"}).Positional, (std::vector<std::string>{"-"}));
}

}  // namespace
}  // namespace sorvane::cli
