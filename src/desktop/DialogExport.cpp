// The dialog's Export: the save dialog's filters, the export of the open
// archive with the user's place kept, and the messages of a failed export.

// The core's headers come before Qt's: Qt defines "slots" as a macro.
#include "export/ExportFile.h"

#include "desktop/ArtisanscopeDlg.h"

#include "desktop/ArtisanscopeApp.h"
#include "desktop/DialogShared.h"
#include "desktop/ExportFilters.h"
#include "desktop/Prompter.h"
#include "desktop/RecipeTreeModel.h"
#include "desktop/RememberedPlaces.h"
#include "desktop/TreePlace.h"

#include <QTreeView>

#include <optional>

namespace artisanscope {

void CArtisanscopeDlg::OnExport() {
    // The four filters of the original dialog leave the format to the file
    // name; each of the others chooses its own format. Each adds its own
    // extension to a name typed without one.
    FileDialogOptions options{QString(), {}, QStringLiteral("xml"), {}};
    for (const ExportNameFilter& filter : kExportNameFilters) {
        options.filters << QString::fromLatin1(filter.label.data(), static_cast<qsizetype>(filter.label.size()));
        options.filterSuffixes << QString::fromLatin1(filter.extension.data(), static_cast<qsizetype>(filter.extension.size()));
    }
    for (const ExportFormatFilter& filter : kExportFormatFilters) {
        options.filters << QString::fromLatin1(filter.label.data(), static_cast<qsizetype>(filter.label.size()));
        options.filterSuffixes << QString::fromLatin1(filter.extension.data(), static_cast<qsizetype>(filter.extension.size()));
    }
    options.startFolder = app_.StartFolder(RememberedFolder::Export);
    QString selectedFilter;
    const std::optional<QString> chosen = app_.prompter().SaveFileName(this, options, &selectedFilter);
    if (!chosen) return;
    app_.RememberFile(RememberedFolder::Export, *chosen);
    ExportOutcome outcome;
    const ExportChoice choice = ExportChoiceFor(FileNameBytes(*chosen), selectedFilter.toStdString());
    {
        const BusyCursor busy;
        const TreePlace place = CaptureTreePlace(*treeView_, *treeModel_);
        outcome = ExportRecipeTable(archivePath_, choice.path, choice.format, CurrentLoadOptions());
        RestoreTreePlace(*treeView_, *treeModel_, place);
    }
    // A write failure's path and reason go under Details, as a read's do.
    const std::string details = WriteFailureDetails(choice.path, outcome.failure);
    if (!outcome.created) {
        app_.prompter().ShowMessage(this, app_.appName(), kCantCreateFileMessage, details);
    } else if (!outcome.load) {
        ShowFailedLoad(FailedLoadMessage(outcome.load, kOpenTableFirstMessage), outcome.load);
    } else if (!outcome.written) {
        app_.prompter().ShowMessage(this, app_.appName(), kCantWriteFileMessage, details);
    }
}

}  // namespace artisanscope
