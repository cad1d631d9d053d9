// Entry point of the desktop module: the Qt application, the real prompts and
// CArtisanscopeApp with its modal dialog.

#include "app/ArtisanscopeApp.h"
#include "app/DesktopModule.h"
#include "app/Startup.h"
#include "platform/Prompter.h"

#include <QApplication>

#include <string>
#include <type_traits>
#include <vector>

extern "C" __attribute__((visibility("default"))) int ArtisanscopeRunDesktop(int argc, char** argv,
                                                                            const char* appName, int printTree) {
    using namespace artisanscope;
    static_assert(std::is_same_v<decltype(&ArtisanscopeRunDesktop), DesktopEntry>);
    // Copied before QApplication takes out the options it knows.
    const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    CommandLineJobIo io;
    io.appName = appName;
    io.printTree = printTree != 0;
    io.format = ParseLongOptions(arguments).format;

    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromStdString(io.appName));
    QtPrompter prompter;
    CArtisanscopeApp app(theCommandLine, prompter, io);
    app.InitInstance(arguments);
    return app.exitStatus();
}
