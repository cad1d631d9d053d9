#include "cli/Startup.h"

#include "cli/CommandLineJob.h"

namespace artisanscope {
namespace {

constexpr std::string_view kFormatOption = "--format";
constexpr std::string_view kFindOption = "--find";
constexpr std::string_view kPlanOption = "--plan";

constexpr std::string_view kLongOptionsHelp =
    "\n"
    "Long options:\n"
    " --format FORMAT  write output_file as text, xml, csv, json or sqlite\n"
    "                  (without it: xml for a name ending in .xml, else text)\n"
    " --diff OLD NEW [output_file]\n"
    "                  compare the tables of two game folders or archives; exit 0\n"
    "                  when they show no difference, 1 when they do, 2 on trouble;\n"
    "                  with --format json the report is JSON, with --find QUERY it\n"
    "                  holds the recipes QUERY finds on either side\n"
    " --plan PLAN.csv camelot_dir [output_file]\n"
    "                  the materials the crafting plan in PLAN.csv needs, summed\n"
    "                  (text, or --format csv or json); exit 0 when every entry\n"
    "                  was found, 1 when one is missing or the table cannot be\n"
    "                  read, 2 for wrong arguments or an unreadable plan\n"
    " --find QUERY     --tree and output_file hold only the recipes QUERY finds:\n"
    "                  every word of it in the recipe, its skill, category,\n"
    "                  realm or ingredients, in any case, accents ignored;\n"
    "                  \"two words\" is one word, level:300-350 (or 300-, -350,\n"
    "                  300) keeps recipes of those skill levels, material:Eisen\n"
    "                  (or material:\"Schweres Leder\") recipes taking it\n"
    " --tree           print the loaded tree on standard output\n"
    " --help           print this text\n"
    " --version        print the version\n";

void SetFormat(LongOptions& options, std::string_view value) {
    options.format = ExportFormatNamed(value);
    if (options.format) {
        options.unknownFormat.reset();
    } else {
        options.unknownFormat = std::string(value);
    }
}

}  // namespace

LongOptions ParseLongOptions(const std::vector<std::string>& arguments) {
    LongOptions options;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument == "--tree") {
            options.tree = true;
        } else if (argument == "--help") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else if (argument == "--diff") {
            options.diff = true;
        } else if (argument == kFormatOption || argument == kFindOption || argument == kPlanOption) {
            if (i + 1 == arguments.size()) {
                options.missingValue = argument;
            } else if (argument == kFormatOption) {
                SetFormat(options, arguments[++i]);
            } else if (argument == kFindOption) {
                options.find = arguments[++i];
            } else {
                options.plan = arguments[++i];
            }
        } else if (argument.starts_with(kPlanOption) && argument[kPlanOption.size()] == '=') {
            options.plan = argument.substr(kPlanOption.size() + 1);
        } else if (argument.starts_with(kFindOption) && argument[kFindOption.size()] == '=') {
            options.find = argument.substr(kFindOption.size() + 1);
        } else if (argument.starts_with(kFormatOption) && argument[kFormatOption.size()] == '=') {
            SetFormat(options, std::string_view(argument).substr(kFormatOption.size() + 1));
        }
    }
    return options;
}

std::string HelpText() { return ConsoleUsageText() + std::string(kLongOptionsHelp); }

std::string UnknownFormatMessage(std::string_view appName, std::string_view format) {
    return std::string(appName) + ": unknown format '" + std::string(format) +
           "' (use text, xml, csv, json or sqlite)\n";
}

std::string MissingValueMessage(std::string_view appName, std::string_view option) {
    const std::string_view value = option == kFormatOption ? "text, xml, csv, json or sqlite"
                                    : option == kPlanOption ? "the plan file"
                                                            : "the words to find";
    return std::string(appName) + ": option " + std::string(option) + " needs a value (" + std::string(value) + ")\n";
}

bool IsHeadless(const char* (*getenv)(const char*)) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = getenv(name);
        if (value != nullptr && *value != '\0') return false;
    }
    return true;
}

}  // namespace artisanscope
