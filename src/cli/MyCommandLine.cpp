#include "cli/MyCommandLine.h"

namespace artisanscope {

void MyCommandLine::ParseParam(std::string_view param, bool isFlag) {
    if (isFlag) {
        const char first = param.empty() ? '\0' : param.front();
        switch (first) {
            case 'e': case 'E': useEnglishNames = true; break;
            case 'q': case 'Q': quitAfterExport = true; break;
            case 'd': case 'D': debugMode = true; break;
            case '?': case 'h': case 'H':
                if (usageBox_) usageBox_(kUsageText);
                break;
            default: break;
        }
        return;
    }
    if (camelot_dir.empty()) {
        camelot_dir = param;
    } else if (output_file.empty()) {
        output_file = param;
    }
}

bool LongOptionTakesValue(std::string_view argument) {
    return argument == "--format" || argument == "--find" || argument == "--plan";
}

std::vector<std::string> ParseCommandArguments(MyCommandLine& flags, const std::vector<std::string>& arguments) {
    std::vector<std::string> flagArguments;
    std::vector<std::string> plain;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.starts_with("--")) {
            if (LongOptionTakesValue(argument)) ++i;
            continue;
        }
        (argument.starts_with('-') ? flagArguments : plain).push_back(argument);
    }
    ParseCommandLine(flags, flagArguments);
    return plain;
}

void ParseCommandLine(MyCommandLine& commandLine, const std::vector<std::string>& arguments, OptionPrefixes prefixes) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (argument.size() >= 2 && argument[0] == '-' && argument[1] == '-') {
            if (LongOptionTakesValue(argument)) ++i;
            continue;
        }
        const bool isFlag = !argument.empty() &&
                            (argument[0] == '-' || (prefixes == OptionPrefixes::DashAndSlash && argument[0] == '/'));
        if (isFlag) {
            commandLine.ParseParam(std::string_view(argument).substr(1), true);
        } else {
            commandLine.ParseParam(argument, false);
        }
    }
}

}  // namespace artisanscope
