// The dialog's "Compare with…": the open table (old) against one the user
// chooses (new), the report in its own window.

// The core's headers come before Qt's: Qt defines "slots" as a macro.
#include "compare/TableComparison.h"

#include "desktop/ArtisanscopeDlg.h"

#include "desktop/ArtisanscopeApp.h"
#include "desktop/DialogShared.h"
#include "desktop/DiffReportDlg.h"
#include "cli/PathRules.h"
#include "desktop/Prompter.h"
#include "desktop/RememberedPlaces.h"

#include <QFile>

#include <optional>

namespace artisanscope {

void CArtisanscopeDlg::OnCompareWith() {
    // Chosen as Open chooses: a game file, the archive or the game folder.
    const auto chosen = ChooseGameFile(QStringLiteral("Compare with"));
    if (!chosen) return;
    const std::string other = ResolveArchivePath(chosen->second);
    CompareSettings settings;
    settings.language = IsEnglishNamesChecked() ? Language::English : Language::German;
    settings.debug = debugMode_;
    ComparisonResult result;
    {
        const BusyCursor busy;
        result = CompareArchives(archivePath_, other, settings, [this](std::string_view text) { ShowMessage(text); });
    }
    if (!result.report) {
        // A refused version has been told by the load's own message.
        if (result.oldLoad.status == LoadStatus::ArchiveUnreadable && archivePath_.empty()) {
            ShowMessage(kOpenTableFirstMessage);
        } else if (result.oldLoad.status == LoadStatus::ArchiveUnreadable) {
            ShowFailedLoad(kCantReadArchiveMessage, result.oldLoad);
        } else if (result.newLoad.status == LoadStatus::ArchiveUnreadable) {
            ShowFailedLoad(kCantReadArchiveMessage, result.newLoad);
        } else if (result.oldLoad.status == LoadStatus::OutOfMemory || result.newLoad.status == LoadStatus::OutOfMemory) {
            ShowMessage(kOutOfMemoryMessage);
        }
        return;
    }
    CDiffReportDlg window(*result.report, QFile::decodeName(archivePath_.c_str()), QFile::decodeName(other.c_str()),
                          app_, this);
    app_.prompter().RunModal(window);
}

}  // namespace artisanscope
