#pragma once
// The main dialog over a game folder that holds one table, as the
// application runs it, its prompts scripted: what the find bar's and the
// plan window's tests drive by keyboard.

// The tables first: Qt's "slots" keyword would take the fixtures' field.
#include "fixtures/TableWriter.h"

#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "desktop/ArtisanscopeApp.h"
#include "desktop/ArtisanscopeDlg.h"
#include "desktop/RecipeTreeModel.h"

#include <QApplication>
#include <QTreeView>
#include <QtTest>

#include <memory>
#include <string>

namespace artisanscope::testing {

struct DialogHarness {
    // find: the command line's --find query.
    explicit DialogHarness(const fixtures::Bytes& table, const std::string& find = {}) {
        fixtures::WriteGameDirectory(game.path(), table);
        CommandLineJobIo io{stdout, stderr, "artisanscope", false};
        io.find = find;
        app = std::make_unique<CArtisanscopeApp>(line, prompter, io);
        dialog = std::make_unique<CArtisanscopeDlg>(*app);
        app->SetMainWindow(dialog.get());
        ParseCommandLine(line, {game.path()});
    }
    // Runs the command-line job and shows the dialog; true once it is the
    // active window.
    bool Show() {
        dialog->OnInitDialog();
        dialog->show();
        dialog->activateWindow();
        return QTest::qWaitForWindowActive(dialog.get());
    }
    QTreeView* Tree() const { return qobject_cast<QTreeView*>(dialog->GetDlgItem(main_dialog::kTreeId)); }
    const RecipeTreeModel& Model() const { return dialog->treeModel(); }
    // A key pressed and released in the widget that has the focus.
    static void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key), modifiers);
    }

    TempDir game;
    ScriptedPrompter prompter;
    MyCommandLine line;
    std::unique_ptr<CArtisanscopeApp> app;
    std::unique_ptr<CArtisanscopeDlg> dialog;
};

}  // namespace artisanscope::testing
