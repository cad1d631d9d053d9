#pragma once
// The command line `<options> <camelot_dir> <output_file>`: the parse only
// records what was given; the command-line job acts on it.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace artisanscope {

// The seven lines of the usage text, joined by CR LF, no line end at the end.
inline constexpr std::string_view kUsageText =
    "artisanscope.exe <options> <camelot_dir> <output_file>\r\n"
    "\r\n"
    "Options are:\r\n"
    " -english (or -e) for english\r\n"
    " -quit (or -q) for quit after export\r\n"
    " -debug (or -d) exports also the currently unknown values\r\n"
    "<camelot_dir> can be the camelot path or complete path to ift.mpk";

class MyCommandLine {
public:
    using UsageBox = std::function<void(std::string_view text)>;

    MyCommandLine() = default;
    explicit MyCommandLine(UsageBox usageBox) : usageBox_(std::move(usageBox)) {}
    // One argument: for an option, the text after its one-character prefix
    // with isFlag true; otherwise the whole argument.
    void ParseParam(std::string_view param, bool isFlag);

    void SetUsageBox(UsageBox usageBox) { usageBox_ = std::move(usageBox); }

    std::string camelot_dir;
    std::string output_file;
    bool useEnglishNames = false;
    bool debugMode = false;
    bool quitAfterExport = false;

private:
    UsageBox usageBox_;
};

// Which characters start an option. On Windows '-' and '/'; on POSIX systems
// only '-', because '/' starts an absolute path there.
enum class OptionPrefixes { DashAndSlash, DashOnly };
#ifdef _WIN32
inline constexpr OptionPrefixes kPlatformOptionPrefixes = OptionPrefixes::DashAndSlash;
#else
inline constexpr OptionPrefixes kPlatformOptionPrefixes = OptionPrefixes::DashOnly;
#endif

// Long options of this build that take the next argument as their value
// ("--format csv", "--find QUERY", "--plan PLAN.csv"; "--format=csv" is one
// argument).
bool LongOptionTakesValue(std::string_view argument);

// Splits the arguments after the program name and feeds them to ParseParam
// in order. Arguments starting with "--" are long options of this build and
// are left to the caller: they do not reach ParseParam, and neither does the
// value that follows one taking a value.
void ParseCommandLine(MyCommandLine& commandLine, const std::vector<std::string>& arguments,
                      OptionPrefixes prefixes = kPlatformOptionPrefixes);

// For a command that takes plain arguments of its own (--diff, --plan):
// feeds the one-letter options to flags, keeping their meaning, and returns
// the plain arguments in order. Long options and their values are skipped.
std::vector<std::string> ParseCommandArguments(MyCommandLine& flags, const std::vector<std::string>& arguments);

}  // namespace artisanscope
