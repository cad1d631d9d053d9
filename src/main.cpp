// Artisanscope: the desktop dialog, or without a display the command-line
// job alone, with no window system started at all.

#include "app/ArtisanscopeApp.h"
#include "app/HeadlessDialog.h"
#include "app/PathRules.h"
#include "app/Startup.h"
#include "platform/Prompter.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* GetEnvironment(const char* name) { return std::getenv(name); }

int WriteAndExit(std::string_view text, int status) {
    std::fwrite(text.data(), 1, text.size(), stdout);
    return std::fflush(stdout) == 0 ? status : artisanscope::kExitFailed;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace artisanscope;
    // Copied before QApplication takes out the options it knows.
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    const LongOptions longOptions = ParseLongOptions(arguments);
    if (longOptions.help) return WriteAndExit(ConsoleUsageText(), kExitOk);
    if (longOptions.version) return WriteAndExit(std::string(kVersionText) + "\n", kExitOk);

    CommandLineJobIo io;
    io.appName = ApplicationName(argc > 0 ? argv[0] : "artisanscope");
    io.printTree = longOptions.tree;
    if (IsHeadless(GetEnvironment)) return RunHeadless(theCommandLine, arguments, io);

    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromStdString(io.appName));
    QtPrompter prompter;
    CArtisanscopeApp app(theCommandLine, prompter, io);
    app.InitInstance(arguments);
    return app.exitStatus();
}
