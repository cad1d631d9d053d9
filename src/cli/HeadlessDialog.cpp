#include "cli/HeadlessDialog.h"

#include <utility>

namespace artisanscope {

HeadlessDialog::HeadlessDialog(std::string appName, std::FILE* err, bool keepTree)
    : appName_(std::move(appName)), err_(err), keepTree_(keepTree) {}

RecipeTreeStore* HeadlessDialog::treeStore() { return keepTree_ ? &tree_ : nullptr; }

void HeadlessDialog::ShowMessage(std::string_view text) { ReportOnConsole(err_, appName_, text); }

int RunHeadless(MyCommandLine& commandLine, const std::vector<std::string>& arguments, const CommandLineJobIo& io) {
    HeadlessDialog dialog(io.appName, io.err, io.printTree);
    commandLine.SetUsageBox([&dialog](std::string_view text) { dialog.ShowMessage(text); });
    ParseCommandLine(commandLine, arguments);
    if (commandLine.camelot_dir.empty()) {
        const std::string usage = ConsoleUsageText();
        std::fwrite(usage.data(), 1, usage.size(), io.err);
        return kExitUsage;
    }
    return ExecuteCommandLineJob(commandLine, dialog, io);
}

}  // namespace artisanscope
