#include "app/ArtisanscopeApp.h"

#include "app/ArtisanscopeDlg.h"
#include "platform/Prompter.h"
#include "platform/RecipeTreeModel.h"

#include <QPixmap>

#include <utility>

#include "artisanscope.xpm"

namespace artisanscope {

MyCommandLine theCommandLine;

CArtisanscopeApp::CArtisanscopeApp(MyCommandLine& commandLine, Prompter& prompter, CommandLineJobIo io)
    : commandLine_(commandLine), prompter_(prompter), io_(std::move(io)), appIcon_(LoadAppIcon()) {}

bool CArtisanscopeApp::InitInstance(const std::vector<std::string>& arguments) {
    commandLine_.SetUsageBox([this](std::string_view text) {
        QString body = Cp1252ToQString(text);
        body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        prompter_.ShowMessageBox(nullptr, appName(), body);
    });
    ParseCommandLine(commandLine_, arguments);

    CArtisanscopeDlg dialog(*this);
    mainWindow_ = &dialog;
    dialog.DoModal();
    mainWindow_ = nullptr;
    return false;
}

void RunCommandLineJob(CArtisanscopeApp& app) {
    CArtisanscopeDlg* dialog = app.mainWindow();
    if (dialog == nullptr) return;
    app.SetExitStatus(RunCommandLineJob(app.commandLine(), *dialog, app.jobIo()));
}

QIcon LoadAppIcon() { return QIcon(QPixmap(artisanscope_xpm)); }

}  // namespace artisanscope
