// Artisanscope: the desktop dialog, or without a display the command-line
// job alone. The dialog and Qt come from the desktop module, which is loaded
// only when a display exists.

#include "cli/DesktopModule.h"
#include "cli/DiffCommand.h"
#include "cli/HeadlessDialog.h"
#include "cli/PathRules.h"
#include "cli/PlanCommand.h"
#include "cli/Startup.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef ARTISANSCOPE_MODULE_DIR
#define ARTISANSCOPE_MODULE_DIR "../lib/artisanscope"
#endif

namespace {

using namespace artisanscope;

const char* GetEnvironment(const char* name) { return std::getenv(name); }

int WriteAndExit(std::string_view text, int status) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? status : kExitFailed;
}

// The folder of the running executable, with a trailing '/'.
std::string ExecutableFolder() {
    std::string path(4096, '\0');
    const ssize_t length = ::readlink("/proc/self/exe", path.data(), path.size());
    if (length <= 0 || static_cast<std::size_t>(length) >= path.size()) return "./";
    path.resize(static_cast<std::size_t>(length));
    return path.substr(0, path.rfind('/') + 1);
}

int RunDesktop(int argc, char** argv, const CommandLineJobIo& io) {
    const std::string folder = ExecutableFolder();
    std::string error;
    for (const std::string& candidate : {folder + kDesktopModuleName,
                                        folder + ARTISANSCOPE_MODULE_DIR + "/" + kDesktopModuleName}) {
        void* module = ::dlopen(candidate.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (module == nullptr) {
            error = ::dlerror();
            continue;
        }
        const auto entry = reinterpret_cast<DesktopEntry>(::dlsym(module, kDesktopEntryName));
        if (entry == nullptr) {
            error = ::dlerror();
            continue;
        }
        return entry(argc, argv, io.appName.c_str(), io.printTree ? 1 : 0);
    }
    std::fprintf(stderr, "%s: cannot load the desktop part: %s\n", io.appName.c_str(), error.c_str());
    return kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const LongOptions longOptions = ParseLongOptions(arguments);
    if (longOptions.help) return WriteAndExit(HelpText(), kExitOk);
    if (longOptions.version) return WriteAndExit(std::string(kVersionText) + "\n", kExitOk);

    CommandLineJobIo io;
    io.appName = ApplicationName(argc > 0 ? argv[0] : "artisanscope");
    if (longOptions.missingValue) {
        const std::string message = MissingValueMessage(io.appName, *longOptions.missingValue);
        std::fwrite(message.data(), 1, message.size(), stderr);
        return kExitUsage;
    }
    if (longOptions.unknownFormat) {
        const std::string message = UnknownFormatMessage(io.appName, *longOptions.unknownFormat);
        std::fwrite(message.data(), 1, message.size(), stderr);
        return kExitUsage;
    }
    io.printTree = longOptions.tree;
    io.format = longOptions.format;
    io.find = longOptions.find;
    // A comparison is a console command, with or without a display.
    if (longOptions.diff) return RunDiffCommand(arguments, longOptions, io);
    // So is a plan's totals.
    if (longOptions.plan) return RunPlanCommand(arguments, longOptions, io);
#ifndef __EMSCRIPTEN__
    if (!IsHeadless(GetEnvironment)) return RunDesktop(argc, argv, io);
#else
    // Under Node there is no desktop: always the job without a display.
    // (argv[0] is the script's path, so the messages name artisanscope.)
    (void)GetEnvironment;
    (void)RunDesktop;
#endif
    MyCommandLine commandLine;
    return RunHeadless(commandLine, arguments, io);
}
