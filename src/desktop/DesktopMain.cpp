// Entry point of the desktop module: the Qt application, the real prompts and
// CArtisanscopeApp with its modal dialog.

#include "desktop/ArtisanscopeApp.h"
#include "cli/DesktopModule.h"
#include "cli/Startup.h"
#include "desktop/Prompter.h"

#include <QApplication>

#include <string>
#include <type_traits>
#include <vector>

extern "C" __attribute__((visibility("default"))) int ArtisanscopeRunDesktop(int argc, char** argv,
                                                                            const char* appName, int printTree) {
    using namespace artisanscope;
    static_assert(std::is_same_v<decltype(&ArtisanscopeRunDesktop), DesktopEntry>);
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    CommandLineJobIo io;
    io.appName = appName;
    io.printTree = printTree != 0;
    const LongOptions longOptions = ParseLongOptions(arguments);
    io.format = longOptions.format;
    io.find = longOptions.find;

    // Qt sees the program's name only, so that it acts on none of the
    // program's arguments (-display, -reverse...); its settings still come
    // from its environment variables. Both live as long as the application.
    int qtArgc = 1;
    char* qtArgv[] = {argc > 0 ? argv[0] : const_cast<char*>("artisanscope"), nullptr};
    QApplication application(qtArgc, qtArgv);
    QApplication::setApplicationName(QString::fromStdString(io.appName));
    QtPrompter prompter;
    MyCommandLine commandLine;
    CArtisanscopeApp app(commandLine, prompter, io, /*remember=*/true);
    app.InitInstance(arguments);
    return app.exitStatus();
}
