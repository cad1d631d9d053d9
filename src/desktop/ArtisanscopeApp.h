#pragma once
// The application object: parses the command line into the process's
// MyCommandLine (the usage box may appear before any window), then runs the
// main dialog modally. The command-line job runs inside the dialog's
// initialisation and leaves the process's exit status here.

#include "cli/CommandLineJob.h"
#include "cli/MyCommandLine.h"
#include "desktop/RememberedPlaces.h"

#include <QIcon>
#include <QString>

#include <string>
#include <vector>

namespace artisanscope {

class CArtisanscopeDlg;
class Prompter;

class CArtisanscopeApp {
public:
    // io.appName titles every message box and prefixes the job's reports.
    // remember: the run may use what earlier runs remembered (the desktop's
    // own start; tests choose).
    CArtisanscopeApp(MyCommandLine& commandLine, Prompter& prompter, CommandLineJobIo io, bool remember = false);

    // Parses the arguments after the program name and runs the main dialog
    // until it ends. Always false: the process then ends.
    bool InitInstance(const std::vector<std::string>& arguments);

    MyCommandLine& commandLine() { return commandLine_; }
    Prompter& prompter() { return prompter_; }
    const CommandLineJobIo& jobIo() const { return io_; }
    QString appName() const { return QString::fromStdString(io_.appName); }
    const QIcon& appIcon() const { return appIcon_; }

    // What earlier runs remembered, for interactive runs only: a command
    // line that names a game folder runs a job, which neither reads nor
    // writes it. File dialogs start in StartFolder() and report the chosen
    // file to RememberFile().
    RememberedPlaces& remembered();
    // The window's place and size of the last interactive run: also for a
    // start with a game folder and no output file (how a file manager's
    // "Open With" starts the program), which remembers nothing itself.
    std::optional<QRect> RememberedWindow();
    QString StartFolder(RememberedFolder which) { return remembered().StartFolder(which); }
    void RememberFile(RememberedFolder which, const QString& chosenFile) { remembered().RememberFile(which, chosenFile); }

    // The dialog the command-line job drives; set while it runs.
    CArtisanscopeDlg* mainWindow() const { return mainWindow_; }
    void SetMainWindow(CArtisanscopeDlg* dialog) { mainWindow_ = dialog; }

    // kExitOk unless the command-line job failed.
    int exitStatus() const { return exitStatus_; }
    void SetExitStatus(int status) { exitStatus_ = status; }

private:
    MyCommandLine& commandLine_;
    Prompter& prompter_;
    CommandLineJobIo io_;
    QIcon appIcon_;
    bool remember_;
    RememberedPlaces remembered_;
    CArtisanscopeDlg* mainWindow_ = nullptr;
    int exitStatus_ = kExitOk;
};

// Runs the command-line job on the application's main window and records
// its exit status in the application.
void RunCommandLineJob(CArtisanscopeApp& app);

// The program icon at every size it is drawn in, 16 to 256 pixels.
QIcon LoadAppIcon();

}  // namespace artisanscope
