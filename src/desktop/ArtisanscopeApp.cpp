#include "desktop/ArtisanscopeApp.h"

#include "desktop/ArtisanscopeDlg.h"
#include "desktop/Prompter.h"
#include "desktop/RecipeTreeModel.h"

#include <QSize>

#include <utility>

// The icon PNGs are a Qt resource in this library; registering them by name
// keeps the linker from dropping them from a static link.
static void RegisterIconResource() { Q_INIT_RESOURCE(artisanscope_icons); }

namespace artisanscope {

CArtisanscopeApp::CArtisanscopeApp(MyCommandLine& commandLine, Prompter& prompter, CommandLineJobIo io, bool remember)
    : commandLine_(commandLine), prompter_(prompter), io_(std::move(io)), appIcon_(LoadAppIcon()), remember_(remember) {}

RememberedPlaces& CArtisanscopeApp::remembered() {
    remembered_.SetOn(remember_ && commandLine_.camelot_dir.empty());
    remembered_.SetKeepsPlan(remember_ && commandLine_.output_file.empty());
    return remembered_;
}

std::optional<QRect> CArtisanscopeApp::RememberedWindow() {
    const bool openWith = remember_ && !commandLine_.camelot_dir.empty() && commandLine_.output_file.empty();
    return openWith ? RememberedPlaces(true).Window() : remembered().Window();
}

bool CArtisanscopeApp::InitInstance(const std::vector<std::string>& arguments) {
    commandLine_.SetUsageBox([this](std::string_view text) { prompter_.ShowMessage(nullptr, appName(), text); });
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
    app.SetExitStatus(ExecuteCommandLineJob(app.commandLine(), *dialog, app.jobIo()));
}

QIcon LoadAppIcon() {
    RegisterIconResource();
    QIcon icon;
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        icon.addFile(QStringLiteral(":/artisanscope/icon/%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

}  // namespace artisanscope
