#include "app/Startup.h"

namespace artisanscope {

LongOptions ParseLongOptions(const std::vector<std::string>& arguments) {
    LongOptions options;
    for (const std::string& argument : arguments) {
        if (argument == "--tree") options.tree = true;
        else if (argument == "--help") options.help = true;
        else if (argument == "--version") options.version = true;
    }
    return options;
}

bool IsHeadless(const char* (*getenv)(const char*)) {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = getenv(name);
        if (value != nullptr && *value != '\0') return false;
    }
    return true;
}

}  // namespace artisanscope
