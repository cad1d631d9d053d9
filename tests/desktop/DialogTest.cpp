// The main dialog and the About box under Qt's offscreen platform, with
// file dialogs, message boxes, menus and modal runs scripted.

// The plan's types first: Qt's "slots" keyword would take a field of theirs.
#include "plan/CraftingPlan.h"

#include "GameFolder.h"
#include "ScriptedPrompter.h"
#include "TempDir.h"
#include "robustness/Isolation.h"
#include "desktop/ArtisanscopeApp.h"
#include "desktop/ArtisanscopeDlg.h"
#include "desktop/DiffReportDlg.h"
#include "desktop/FindBar.h"
#include "desktop/PlanWindow.h"
#include "desktop/RecipeTreeModel.h"
#include "desktop/RememberedPlaces.h"

#include <QCheckBox>
#include <QScreen>
#include <QSettings>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>
#include <QClipboard>
#include <QTableWidget>
#include <QTreeWidget>
#include <QTreeView>
#include <QAbstractScrollArea>
#include <QLabel>
#include <QPushButton>
#include <QAccessible>
#include <QtTest>

#include <csignal>
#include <filesystem>
#include <memory>

#include <sys/resource.h>
#include <unistd.h>

using namespace artisanscope;
using artisanscope::testing::ReadText;
using artisanscope::testing::ReferenceExport;
using artisanscope::testing::ReferenceExportAs;
using artisanscope::testing::ScriptedPrompter;
using artisanscope::testing::TempDir;
using Rows = std::vector<std::pair<int, std::string>>;

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

// One dialog over a small game folder, as the application runs it.
struct Harness {
    // remember: the run uses what earlier runs remembered, as the desktop's
    // own start does.
    explicit Harness(const std::vector<std::string>& args = {}, std::uint32_t version = 102, bool remember = false) {
        artisanscope::testing::WriteSmallGame(game.path(), version);
        app = std::make_unique<CArtisanscopeApp>(line, prompter, CommandLineJobIo{stdout, stderr, "artisanscope", false},
                                                 remember);
        dialog = std::make_unique<CArtisanscopeDlg>(*app);
        app->SetMainWindow(dialog.get());
        ParseCommandLine(line, artisanscope::testing::Substitute(args, game.path(), scratch.path()));
    }

    bool Show() {
        dialog->OnInitDialog();
        dialog->show();
        return QTest::qWaitForWindowExposed(dialog.get());
    }
    std::string Archive() const { return game.path() + "/data/ifd.mpk"; }
    Rows TreeRows() const { return artisanscope::testing::RowsOf(dialog->treeModel().tree()); }
    Rows ReferenceRows(bool english, bool debug, const std::string& archive = {}) const {
        artisanscope::testing::RecordingLoad plain(english, debug);
        LoadRecipeTable(archive.empty() ? Archive() : archive, plain.Options(nullptr));
        return plain.Rows();
    }
    QAbstractButton* Button(int id) const { return qobject_cast<QAbstractButton*>(dialog->GetDlgItem(id)); }
    void Click(int id) const { QTest::mouseClick(Button(id), Qt::LeftButton, {}, Button(id)->rect().center()); }
    void Open(const std::string& chosen) {
        prompter.openAnswers.push_back(Q(chosen));
        Click(main_dialog::kOpenId);
    }

    TempDir game, scratch;
    ScriptedPrompter prompter;
    MyCommandLine line;
    std::unique_ptr<CArtisanscopeApp> app;
    std::unique_ptr<CArtisanscopeDlg> dialog;
};

// Lowers the limit on the size of files this process writes, so writes past
// it fail as on a full disk; restores it on destruction.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved_);
        previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = saved_;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previousHandler_);
    }

private:
    rlimit saved_{};
    void (*previousHandler_)(int) = nullptr;
};

bool NoTemporaryFilesIn(const std::string& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().filename().string().front() == '.') return false;
    }
    return true;
}

}  // namespace

class DialogTest : public QObject {
    Q_OBJECT

private slots:
    void templateControls();
    void openDerivesTheArchivePath_data();
    void openDerivesTheArchivePath();
    void checkboxesReload();
    void exportChoosesByName_data();
    void exportChoosesByName();
    void exportFailures_data();
    void exportFailures();
    void saveDialogFilterChoosesTheSuffix_data();
    void saveDialogFilterChoosesTheSuffix();
    void resizeFollowsTheRightEdge();
    void remembersBetweenInteractiveRuns();
    void remembersOnlyPositionsOnAScreen_data();
    void remembersOnlyPositionsOnAScreen();
    void everyFocusableControlIsNamed();
    void aboutIsReachable();
    void keysAndButtonsEndTheDialog_data();
    void keysAndButtonsEndTheDialog();
    void commandLineJobDrivesTheDialog();
    void messagesAreTitledWithTheApplicationName();
    void compareWithByKeyboard();
    void addToPlanTakesThePatternChosen_data();
    void addToPlanTakesThePatternChosen();
    void fileDialogsShowTheirFilters();
    void treeDrawsConnectingLines();
};

void DialogTest::templateControls() {
    Harness h;
    CArtisanscopeDlg& d = *h.dialog;
    QCOMPARE(d.windowTitle(), QStringLiteral("Artisanscope"));
    QVERIFY(h.Show());
    QVERIFY(!d.windowIcon().isNull());
    // The window icon carries every rendered size of the program's icon.
    const QList<QSize> iconSizes = d.windowIcon().availableSizes();
    for (const int size : {16, 32, 48, 64, 128, 256}) {
        QVERIFY2(iconSizes.contains(QSize(size, size)), qPrintable(QString::number(size)));
        QCOMPARE(d.windowIcon().pixmap(size, size).size(), QSize(size, size));
    }
    QVERIFY(qobject_cast<QPushButton*>(d.GetDlgItem(main_dialog::kCloseId))->isDefault());
    // Tab order is template order and wraps round.
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    d.GetDlgItem(main_dialog::kCloseId)->setFocus();
    const std::pair<int, const char*> order[] = {
        {main_dialog::kTreeId, nullptr}, {main_dialog::kOpenId, "Open"},
        {main_dialog::kEnglishNamesId, "English raw-material names"}, {main_dialog::kExportId, "Export"},
        {main_dialog::kDebugModeId, "Debug-Mode"}, {main_dialog::kCloseId, "Close"},
    };
    for (const auto& [id, text] : order) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), d.GetDlgItem(id));
        if (text != nullptr) QCOMPARE(h.Button(id)->text(), QString::fromUtf8(text));
    }
}

void DialogTest::openDerivesTheArchivePath_data() {
    QTest::addColumn<QString>("chosen");           // $GAME: the game folder
    QTest::addColumn<bool>("upperCaseArchive");    // the archive is named data/IFD.MPK
    QTest::addColumn<QString>("archivePath");      // expected; $GAME: the game folder
    QTest::addColumn<bool>("loaded");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("Camelot.exe") << "$GAME/Camelot.exe" << false << "$GAME/data/ifd.mpk" << true << QStringList();
    QTest::newRow("IFD.MPK") << "$GAME/data/IFD.MPK" << true << "$GAME/data/IFD.MPK" << true << QStringList();
    QTest::newRow("upper-case archive found from Camelot.exe")
        << "$GAME/Camelot.exe" << true << "$GAME/data/IFD.MPK" << true << QStringList();
    QTest::newRow("the game folder itself") << "$GAME" << false << "$GAME/data/ifd.mpk" << true << QStringList();
    QTest::newRow("no separator") << "Camelot.exe" << false << "" << false << QStringList();
    QTest::newRow("cancelled") << "" << false << "" << false << QStringList();
    QTest::newRow("wrong folder") << "$GAME/data/Camelot.exe" << false << "$GAME/data/data/ifd.mpk" << false
                                  << QStringList{"can't read 'ifd.mpk'"};
}

void DialogTest::openDerivesTheArchivePath() {
    QFETCH(QString, chosen);
    QFETCH(bool, upperCaseArchive);
    QFETCH(QString, archivePath);
    QFETCH(bool, loaded);
    QFETCH(QStringList, messages);
    Harness h;
    QVERIFY(h.Show());
    if (upperCaseArchive) std::filesystem::rename(h.Archive(), h.game / "data/IFD.MPK");
    const QString game = Q(h.game.path());
    if (chosen.isEmpty()) {
        h.Click(main_dialog::kOpenId);  // no answer queued: the user cancels
    } else {
        h.Open(chosen.replace("$GAME", game).toStdString());
    }
    QCOMPARE(h.prompter.openOptions.size(), std::size_t{1});
    const FileDialogOptions& plan = h.prompter.openOptions.front();
    QCOMPARE(plan.title, QStringLiteral("Camelot-Verzeichnis"));
    QCOMPARE(plan.filters, QStringList{"Camelot.exe or ifd.mpk (Camelot.exe ifd.mpk)"});
    QCOMPARE(plan.defaultSuffix, QStringLiteral("exe"));

    QCOMPARE(Q(h.dialog->archivePath()), archivePath.replace("$GAME", game));
    QCOMPARE(h.prompter.MessageTexts(), messages);
    // The box's text stays; the reader's reason is in its details.
    if (!messages.isEmpty()) {
        QCOMPARE(h.prompter.messages.front().details,
                 Q(h.dialog->archivePath()) + QStringLiteral(" does not exist"));
    }
    QCOMPARE(h.dialog->treeModel().rowCount() > 0, loaded);
    if (loaded) QCOMPARE(h.TreeRows(), h.ReferenceRows(false, false, h.dialog->archivePath()));
    // The title names the file open.
    QCOMPARE(h.dialog->windowTitle(),
             loaded ? QStringLiteral("Artisanscope \u2013 ") + Q(h.dialog->archivePath()) : QStringLiteral("Artisanscope"));
}

void DialogTest::checkboxesReload() {
    Harness h;
    QVERIFY(h.Show());
    // Before any Open the reload reads the empty path: empty tree, no message.
    h.Click(main_dialog::kEnglishNamesId);
    QCOMPARE(h.dialog->treeModel().rowCount(), 0);
    QVERIFY(h.prompter.messages.empty());
    h.Click(main_dialog::kEnglishNamesId);

    h.Open(h.game / "Camelot.exe");
    QCOMPARE(h.TreeRows(), h.ReferenceRows(false, false));

    struct Step {
        int id;
        bool english, debug;
    } steps[] = {
        {main_dialog::kEnglishNamesId, true, false},
        {main_dialog::kDebugModeId, true, true},
        {main_dialog::kEnglishNamesId, false, true},
        {main_dialog::kDebugModeId, false, false},
    };
    for (const Step& step : steps) {
        h.Click(step.id);
        QCOMPARE(h.dialog->IsEnglishNamesChecked(), step.english);
        QCOMPARE(h.dialog->debugMode(), step.debug);
        QCOMPARE(h.TreeRows(), h.ReferenceRows(step.english, step.debug));
    }
    QVERIFY(h.prompter.messages.empty());

    // Every click reads the archive again.
    std::filesystem::remove(h.Archive());
    h.Click(main_dialog::kDebugModeId);
    QCOMPARE(h.dialog->treeModel().rowCount(), 0);
    QVERIFY(h.prompter.messages.empty());
}

void DialogTest::exportChoosesByName_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("filter");     // the filter selected in the save dialog
    QTest::addColumn<QString>("written");    // the file the export lands in
    QTest::addColumn<int>("format");         // ExportFormat
    const auto row = [](const char* what, const char* name, const char* filter, const char* written, ExportFormat f) {
        QTest::newRow(what) << name << filter << written << static_cast<int>(f);
    };
    row(".xml", "out.xml", "XML-File (*.xml)", "out.xml", ExportFormat::Xml);
    row(".XML", "out.XML", "Text file (*.txt)", "out.XML", ExportFormat::Xml);
    row(".txt", "out.txt", "XML-File (*.xml)", "out.txt", ExportFormat::Text);
    row(".cvs", "out.cvs", "All files (*.*)", "out.cvs", ExportFormat::Text);
    row(".csv under All files", "out.csv", "All files (*.*)", "out.csv", ExportFormat::Text);
    row("csv filter adds .csv", "out", "CSV, UTF-8 (*.csv)", "out.csv", ExportFormat::Csv);
    row("json filter keeps .txt", "out.txt", "JSON (*.json)", "out.txt", ExportFormat::Json);
    row("sqlite filter adds .sqlite", "out", "SQLite database (*.sqlite *.db)", "out.sqlite", ExportFormat::Sqlite);
    row("sqlite filter keeps .db", "out.db", "SQLite database (*.sqlite *.db)", "out.db", ExportFormat::Sqlite);
    // A name typed without an extension gets the selected filter's.
    row("xml filter adds .xml", "out", "XML-File (*.xml)", "out.xml", ExportFormat::Xml);
    row("cvs filter adds .cvs", "out", "CVS file (*.cvs)", "out.cvs", ExportFormat::Text);
    row("text filter adds .txt", "out", "Text file (*.txt)", "out.txt", ExportFormat::Text);
    row("all files adds .xml", "out", "All files (*.*)", "out.xml", ExportFormat::Xml);
    row("json filter adds .json", "out", "JSON (*.json)", "out.json", ExportFormat::Json);
}

void DialogTest::exportChoosesByName() {
    QFETCH(QString, name);
    QFETCH(QString, filter);
    QFETCH(QString, written);
    QFETCH(int, format);
    Harness h;
    QVERIFY(h.Show());
    h.Open(h.game / "Camelot.exe");
    h.Click(main_dialog::kEnglishNamesId);
    h.prompter.saveAnswers.push_back(Q(h.scratch / name.toStdString()));
    h.prompter.saveFilters.push_back(filter);
    h.Click(main_dialog::kExportId);

    QVERIFY(h.prompter.messages.empty());
    QCOMPARE(ReadText(h.scratch / written.toStdString()),
             ReferenceExportAs(h.Archive(), static_cast<ExportFormat>(format), true, false, h.game.path()));
    QCOMPARE(static_cast<int>(std::distance(std::filesystem::directory_iterator(h.scratch.path()),
                                            std::filesystem::directory_iterator())),
             1);
    QCOMPARE(h.TreeRows(), h.ReferenceRows(true, false));
    const FileDialogOptions& plan = h.prompter.saveOptions.at(0);
    QVERIFY(plan.title.isEmpty());
    QCOMPARE(plan.filters, (QStringList{"XML-File (*.xml)", "CVS file (*.cvs)", "Text file (*.txt)", "All files (*.*)",
                                        "CSV, UTF-8 (*.csv)", "JSON (*.json)", "SQLite database (*.sqlite *.db)"}));
    QCOMPARE(plan.filterSuffixes, (QStringList{"xml", "cvs", "txt", "xml", "csv", "json", "sqlite"}));
    QCOMPARE(plan.defaultSuffix, QStringLiteral("xml"));
}

// The real file dialog, driven by keyboard: a format filter chosen in its
// list makes its extension the one added to a name typed without one.
void DialogTest::saveDialogFilterChoosesTheSuffix_data() {
    QTest::addColumn<int>("downPresses");  // in the file-type list
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("filter");
    QTest::newRow("first filter") << 0 << "recipes" << "recipes.xml" << "XML-File (*.xml)";
    QTest::newRow("csv filter") << 1 << "recipes" << "recipes.csv" << "CSV, UTF-8 (*.csv)";
    QTest::newRow("sqlite filter") << 2 << "recipes" << "recipes.sqlite" << "SQLite database (*.sqlite *.db)";
    QTest::newRow("typed extension") << 2 << "recipes.db" << "recipes.db" << "SQLite database (*.sqlite *.db)";
}

void DialogTest::saveDialogFilterChoosesTheSuffix() {
    QFETCH(int, downPresses);
    QFETCH(QString, typed);
    QFETCH(QString, chosen);
    QFETCH(QString, filter);
    TempDir dir;
    const FileDialogOptions plan{QString(),
                              {"XML-File (*.xml)", "CSV, UTF-8 (*.csv)", "SQLite database (*.sqlite *.db)"},
                              "xml",
                              {"", "csv", "sqlite"}};
    bool driven = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        dialog->setDirectory(Q(dir.path()));
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        if (types == nullptr || name == nullptr) {
            dialog->reject();
            return;
        }
        types->setFocus();
        for (int i = 0; i < downPresses; ++i) QTest::keyClick(types, Qt::Key_Down);
        name->setFocus();
        QTest::keyClicks(name, typed);
        QTest::keyClick(name, Qt::Key_Return);
        driven = true;
    });
    QtPrompter prompter;
    QString selected;
    const std::optional<QString> answer = prompter.SaveFileName(nullptr, plan, &selected);
    QVERIFY(driven);
    QVERIFY(answer.has_value());
    QCOMPARE(*answer, Q(dir / chosen.toStdString()));
    QCOMPARE(selected, filter);
}

void DialogTest::exportFailures_data() {
    QTest::addColumn<bool>("openFirst");
    QTest::addColumn<QString>("path");        // $OUT: a fresh folder
    QTest::addColumn<bool>("readOnlyFolder");  // $OUT made read-only
    QTest::addColumn<int>("sizeLimit");        // bytes a file may grow to; 0: none
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("afterwards");       // 0: absent, 1: an earlier file kept, 2: exists
    QTest::addColumn<QString>("details");      // a write failure's path and reason; empty: not looked at
    QTest::newRow("before Open, text") << false << "$OUT/out.txt" << false << 0 << "Open a table first" << 0 << "";
    QTest::newRow("before Open, xml") << false << "$OUT/out.xml" << false << 0 << "Open a table first" << 0 << "";
    QTest::newRow("before Open, earlier text") << false << "$OUT/out.txt" << false << 0 << "Open a table first" << 1 << "";
    QTest::newRow("before Open, earlier xml") << false << "$OUT/out.xml" << false << 0 << "Open a table first" << 1 << "";
    QTest::newRow("missing folder, text") << true << "$OUT/missing/out.txt" << false << 0 << "can't create file" << 0 << "$OUT/missing/out.txt: No such file or directory";
    QTest::newRow("missing folder, xml") << true << "$OUT/missing/out.xml" << false << 0 << "can't write file" << 0 << "$OUT/missing/out.xml: No such file or directory";
    QTest::newRow("read-only folder, text") << true << "$OUT/out.txt" << true << 0 << "can't create file" << 0 << "$OUT/out.txt: Permission denied";
    QTest::newRow("read-only folder, xml") << true << "$OUT/out.xml" << true << 0 << "can't write file" << 0 << "$OUT/out.xml: Permission denied";
    QTest::newRow("full disk, text") << true << "/dev/full" << false << 0 << "can't write file" << 2 << "/dev/full: No space left on device";
    QTest::newRow("file size limit, text") << true << "$OUT/out.txt" << false << 100 << "can't write file" << 0 << "$OUT/out.txt: File too large";
    QTest::newRow("file size limit, xml") << true << "$OUT/out.xml" << false << 100 << "can't write file" << 0 << "$OUT/out.xml: File too large";
    QTest::newRow("file size limit, earlier text") << true << "$OUT/out.txt" << false << 100 << "can't write file" << 1 << "$OUT/out.txt: File too large";
}

void DialogTest::exportFailures() {
    QFETCH(bool, openFirst);
    QFETCH(QString, path);
    QFETCH(bool, readOnlyFolder);
    QFETCH(int, sizeLimit);
    QFETCH(QString, message);
    QFETCH(int, afterwards);
    QFETCH(QString, details);
    Harness h;
    QVERIFY(h.Show());
    if (openFirst) h.Open(h.game / "Camelot.exe");
    const Rows before = h.TreeRows();
    const std::string output = path.replace("$OUT", Q(h.scratch.path())).toStdString();
    h.prompter.saveAnswers.push_back(Q(output));
    const std::string earlier = "an earlier export\n";
    if (afterwards == 1) std::ofstream(output, std::ios::binary) << earlier;
    namespace fs = std::filesystem;
    if (readOnlyFolder) {
        // Readable for everyone, writable for no one.
        const fs::perms readable = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
        fs::permissions(h.game.path(), readable | fs::perms::owner_write);
        fs::permissions(h.scratch.path(), readable);
    }
    const auto exportOnce = [&] {
        std::unique_ptr<FileSizeLimit> limit;
        if (sizeLimit > 0) limit = std::make_unique<FileSizeLimit>(sizeLimit);
        h.Click(main_dialog::kExportId);
        if (h.prompter.MessageTexts() != QStringList{message}) return 1;
        // The box's text stays; the path and the reason are in its details.
        const QString expected = QString(details).replace("$OUT", Q(h.scratch.path()));
        return details.isEmpty() || h.prompter.messages.front().details == expected ? 0 : 2;
    };
    if (readOnlyFolder) {
        // In a child that runs as an ordinary user, so that permissions apply.
        QCOMPARE(artisanscope::testing::RunInChild(exportOnce, /*dropPrivileges=*/true), 0);
    } else {
        exportOnce();
        QCOMPARE(h.prompter.MessageTexts(), QStringList{message});
        if (!details.isEmpty()) {
            QCOMPARE(h.prompter.messages.front().details, details.replace("$OUT", Q(h.scratch.path())));
        }
    }
    if (output != "/dev/full") {
        switch (afterwards) {
            case 0: QVERIFY(!std::filesystem::exists(output)); break;
            case 1: QCOMPARE(ReadText(output), earlier); break;
            default: QVERIFY(std::filesystem::exists(output)); break;
        }
        QVERIFY(NoTemporaryFilesIn(h.scratch.path()));
    }
    // A failed write does not touch the tree; a failed load empties it.
    QCOMPARE(h.TreeRows(), openFirst ? before : Rows{});
}

// Growing gives the tree the new width and height (its left, top and bottom
// margins stay); the right-hand column keeps its distance from the right
// edge, Close also from the bottom; the template's size is the least.
void DialogTest::resizeFollowsTheRightEdge() {
    Harness h;
    QVERIFY(h.Show());
    CArtisanscopeDlg& d = *h.dialog;
    QWidget* tree = d.GetDlgItem(main_dialog::kTreeId);
    const QSize initialSize = d.size();
    QCOMPARE(d.minimumSize(), initialSize);
    std::vector<std::pair<QWidget*, QRect>> others;
    for (int id : {main_dialog::kCloseId, main_dialog::kOpenId, main_dialog::kEnglishNamesId, main_dialog::kExportId,
                   main_dialog::kDebugModeId}) {
        others.emplace_back(d.GetDlgItem(id), d.GetDlgItem(id)->geometry());
    }
    const QRect initial = tree->geometry();
    QCOMPARE(d.height() - initial.bottom() - 1, initial.top());

    const struct {
        QSize asked, got;
    } sizes[] = {
        {QSize(1400, 900), QSize(1400, 900)},
        {initialSize + QSize(120, 200), initialSize + QSize(120, 200)},
        {initialSize - QSize(50, 80), initialSize},
        {QSize(initialSize.width() + 1, 2 * initial.top() + 1), QSize(initialSize.width() + 1, initialSize.height())},
        {initialSize, initialSize},
    };
    for (const auto& [asked, got] : sizes) {
        d.resize(asked);
        QTRY_COMPARE(d.size(), got);
        const QSize grown = got - initialSize;
        const QRect now = tree->geometry();
        QCOMPARE(now.topLeft(), initial.topLeft());
        QCOMPARE(got.width() - now.right(), initialSize.width() - initial.right());
        QCOMPARE(got.height() - (now.top() + now.height()), now.top());
        for (const auto& [control, geometry] : others) {
            const int down = control == d.GetDlgItem(main_dialog::kCloseId) ? grown.height() : 0;
            QCOMPARE(control->geometry(), geometry.translated(grown.width(), down));
        }
    }
    // Lower than both margins: no negative height.
    d.OnSize(d.width(), initial.top());
    QCOMPARE(tree->height(), 0);
    d.OnSize(d.width(), 0);
    QCOMPARE(tree->height(), 0);
}

// Two interactive runs over one configuration folder: the second starts its
// file dialogs where the first chose, and its window where the first left
// it. A command-line job, even one that leaves the dialog open, reads and
// writes nothing of it but the crafting plan, which a start by "Open With"
// keeps.
void DialogTest::remembersBetweenInteractiveRuns() {
    TempDir config;
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.path()));
    const std::string settingsFolder = config / "artisanscope";
    const std::filesystem::path dataFolder = std::filesystem::path(qgetenv("XDG_DATA_HOME").toStdString()) / "artisanscope";
    QRect window;
    std::string game;
    {
        Harness first({}, 102, /*remember=*/true);
        QVERIFY(first.Show());
        game = first.game.path();
        first.Open(first.game / "Camelot.exe");
        first.prompter.saveAnswers.push_back(Q(first.scratch / "recipes.xml"));
        first.Click(main_dialog::kExportId);
        QVERIFY(first.prompter.openOptions.front().startFolder.isEmpty());
        first.dialog->resize(first.dialog->size() + QSize(100, 50));
        QTRY_VERIFY(first.dialog->width() > first.dialog->minimumWidth());
        first.dialog->move(40, 30);
        window = QRect(first.dialog->pos(), first.dialog->size());
        // A plan, kept as it changes.
        first.dialog->ShowPlan(false);
        first.dialog->planWindow()->Add(0);
        first.dialog->planWindow()->Add(0);
        const std::vector<PlanEntry> plan = first.dialog->planWindow()->CurrentPlan();
        first.Click(main_dialog::kCloseId);
        QVERIFY(std::filesystem::exists(settingsFolder));
        QVERIFY(std::filesystem::exists(dataFolder / "plan.csv"));

        // The game file, its plan and the window come back.
        Harness second({}, 102, /*remember=*/true);
        QVERIFY(second.Show());
        QCOMPARE(QRect(second.dialog->pos(), second.dialog->size()), window);
        QCOMPARE(second.dialog->archivePath(), first.Archive());
        QCOMPARE(second.dialog->windowTitle(), QStringLiteral("Artisanscope \u2013 ") + Q(first.Archive()));
        QTRY_VERIFY(second.dialog->planWindow() != nullptr && second.dialog->planWindow()->isVisible());
        QCOMPARE(second.dialog->planWindow()->CurrentPlan(), plan);
        QCOMPARE(second.dialog->planWindow()->totals().missing, std::size_t{0});
        second.Click(main_dialog::kOpenId);    // cancelled
        second.Click(main_dialog::kExportId);  // cancelled
        QCOMPARE(second.prompter.openOptions.at(0).startFolder, Q(game));
        QCOMPARE(second.prompter.saveOptions.at(0).startFolder, Q(first.scratch.path()));
        // The plan's files start where the last export went until a plan
        // file is chosen.
        second.dialog->ShowPlan(false);
        for (QPushButton* button : second.dialog->planWindow()->findChildren<QPushButton*>()) {
            if (button->text() == QStringLiteral("&Save\u2026")) button->click();  // cancelled
        }
        QCOMPARE(second.prompter.saveOptions.at(1).startFolder, Q(first.scratch.path()));
    }
    // A size kept at another scale fits the screen it comes back on.
    {
        QSettings(Q(settingsFolder + "/artisanscope.ini"), QSettings::IniFormat)
            .setValue("window/frame", QRect(40, 30, 2200, 1500));
        Harness third({}, 102, /*remember=*/true);
        QVERIFY(third.Show());
        const QRect screen = third.dialog->screen()->availableGeometry();
        QVERIFY(screen.width() < 2200 && screen.height() < 1500);
        QVERIFY(screen.contains(QRect(third.dialog->pos(), third.dialog->size())));
        QVERIFY(third.dialog->width() >= third.dialog->minimumWidth());
        third.Click(main_dialog::kCloseId);
    }
    std::filesystem::remove_all(settingsFolder);
    std::filesystem::remove_all(dataFolder);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"-q", "$GAME", "$OUT/out.txt"},
                                                 std::vector<std::string>{"$GAME"}}) {
        Harness job(args, 102, /*remember=*/true);
        job.dialog->OnInitDialog();
        if (!job.dialog->endedBeforeShown()) {
            job.dialog->show();
            job.Open(job.game / "Camelot.exe");
            QVERIFY(job.prompter.openOptions.front().startFolder.isEmpty());
            // Started by "Open With": the plan is the user's work and is kept.
            job.dialog->ShowPlan(false);
            job.dialog->planWindow()->Add(0);
            job.Click(main_dialog::kCloseId);
        }
        QVERIFY(!std::filesystem::exists(settingsFolder));
        QCOMPARE(std::filesystem::exists(dataFolder / "plan.csv"), !job.dialog->endedBeforeShown());
    }
    qputenv("XDG_CONFIG_HOME", savedConfig);
}

void DialogTest::remembersOnlyPositionsOnAScreen_data() {
    QTest::addColumn<QRect>("frame");
    QTest::addColumn<bool>("reachable");
    // Two screens side by side: 0..1919 and 1920..3199 (720 high).
    QTest::newRow("inside") << QRect(100, 100, 600, 400) << true;
    QTest::newRow("on the second screen") << QRect(2000, 100, 600, 400) << true;
    QTest::newRow("across both") << QRect(1800, 100, 600, 400) << true;
    QTest::newRow("right of both") << QRect(3300, 100, 600, 400) << false;
    QTest::newRow("above, bottom visible") << QRect(100, -300, 600, 400) << false;
    QTest::newRow("below the second screen") << QRect(2000, 800, 600, 400) << false;
    QTest::newRow("a sliver at the left") << QRect(-590, 100, 600, 400) << false;
    QTest::newRow("enough at the left") << QRect(-540, 100, 600, 400) << true;
}

void DialogTest::remembersOnlyPositionsOnAScreen() {
    QFETCH(QRect, frame);
    QFETCH(bool, reachable);
    QCOMPARE(ReachableOnScreens(frame, {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 720)}), reachable);
}

// A screen reader names and describes every control the keyboard reaches,
// in the main dialog (with its find bar) and in the comparison window.
void DialogTest::everyFocusableControlIsNamed() {
    Harness h;
    QVERIFY(h.Show());
    h.Open(h.game / "Camelot.exe");
    h.dialog->OnFind();
    const auto check = [](QWidget& window) {
        QStringList unnamed;
        int focusable = 0;
        for (QWidget* widget : window.findChildren<QWidget*>()) {
            if (!(widget->focusPolicy() & Qt::TabFocus) || !widget->isVisibleTo(&window)) continue;
            ++focusable;
            QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(widget);
            if (accessible == nullptr || accessible->text(QAccessible::Name).isEmpty() ||
                accessible->text(QAccessible::Description).isEmpty()) {
                unnamed << widget->metaObject()->className() + QStringLiteral(" ") + widget->objectName();
            }
        }
        return std::make_pair(focusable, unnamed);
    };
    const auto [focusable, unnamed] = check(*h.dialog);
    QCOMPARE(unnamed, QStringList());
    QCOMPARE(focusable, 7);  // the tree, the find field, three buttons, two checkboxes

    TempDir other;
    artisanscope::testing::WriteSmallGame(other.path());
    h.prompter.menuChoice = QString::fromUtf8("&Compare with\xE2\x80\xA6");
    h.prompter.openAnswers.push_back(Q(other / "Camelot.exe"));
    std::pair<int, QStringList> report;
    h.prompter.onModal = [&](QDialog& window) {
        report = check(window);
        return 0;
    };
    h.dialog->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(h.dialog.get()));
    QTest::keyClick(h.dialog.get(), Qt::Key_Menu);
    QCOMPARE(report.second, QStringList());
    QCOMPARE(report.first, 4);  // the tree, Copy, Save and Close
}
void DialogTest::aboutIsReachable() {
    Harness h;
    QVERIFY(h.Show());
    CArtisanscopeDlg& d = *h.dialog;
    h.prompter.menuChoice = QString::fromUtf8("&Info \xC3\xBC" "ber Artisanscope...");
    QStringList aboutTexts;
    h.prompter.onModal = [&](QDialog& about) {
        for (QLabel* label : about.findChildren<QLabel*>()) {
            if (!label->text().isEmpty()) aboutTexts << label->text();
        }
        QPushButton* ok = about.findChild<QPushButton*>();
        if (ok == nullptr || ok->text() != "OK" || !ok->isDefault()) return -1;
        ok->click();
        return about.result();
    };
    const QString caption = QString::fromUtf8("Info \xC3\xBC" "ber Artisanscope");

    // Right-click on the dialog, beside the controls.
    const QWidget* exportButton = d.GetDlgItem(main_dialog::kExportId);
    const QPoint blank(exportButton->geometry().center().x(), exportButton->geometry().bottom() + 40);
    QCOMPARE(d.childAt(blank), nullptr);
    QContextMenuEvent onDialog(QContextMenuEvent::Mouse, blank, d.mapToGlobal(blank));
    QApplication::sendEvent(&d, &onDialog);
    QCOMPARE(h.prompter.menusShown, 1);
    QCOMPARE(h.prompter.modalTitles, QStringList{caption});
    QCOMPARE(aboutTexts, (QStringList{"Artisanscope Version 1.0", "Crafting recipes of Camelot"}));

    // Not on the tree, where an item's menu offers its own actions.
    QWidget* viewport = qobject_cast<QAbstractScrollArea*>(d.GetDlgItem(main_dialog::kTreeId))->viewport();
    QContextMenuEvent onTree(QContextMenuEvent::Mouse, QPoint(5, 5), viewport->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(viewport, &onTree);
    QCOMPARE(h.prompter.modalTitles, QStringList{caption});

    // F1.
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    QTest::keyClick(&d, Qt::Key_F1);
    QCOMPARE(h.prompter.modalTitles.size(), qsizetype(2));

    // The command id's low four bits do not count; other commands do nothing.
    d.OnSysCommand(main_dialog::kAboutCommandId | 0x000F);
    d.OnSysCommand(0xF060);
    QCOMPARE(h.prompter.modalTitles, (QStringList{caption, caption, caption}));
}

void DialogTest::keysAndButtonsEndTheDialog_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("result");  // -1: still open
    QTest::newRow("Enter") << "enter" << int(QDialog::Accepted);
    QTest::newRow("Enter in the tree") << "enter-tree" << int(QDialog::Accepted);
    QTest::newRow("Enter on Open") << "enter-open" << -1;
    QTest::newRow("Escape") << "escape" << int(QDialog::Rejected);
    QTest::newRow("Escape with the find bar open") << "escape-find" << -1;
    QTest::newRow("Close button") << "close-button" << int(QDialog::Accepted);
    QTest::newRow("close box") << "close-box" << int(QDialog::Rejected);
}

void DialogTest::keysAndButtonsEndTheDialog() {
    QFETCH(QString, action);
    QFETCH(int, result);
    Harness h;
    CArtisanscopeDlg& d = *h.dialog;
    int finished = -1;
    connect(&d, &QDialog::finished, &d, [&finished](int r) { finished = r; });
    QVERIFY(h.Show());
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    d.GetDlgItem(main_dialog::kCloseId)->setFocus();
    if (action == "enter") {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    } else if (action == "enter-tree") {
        d.GetDlgItem(main_dialog::kTreeId)->setFocus();
        QTest::keyClick(d.GetDlgItem(main_dialog::kTreeId), Qt::Key_Return);
    } else if (action == "enter-open") {
        d.GetDlgItem(main_dialog::kOpenId)->setFocus();
        QTest::keyClick(d.GetDlgItem(main_dialog::kOpenId), Qt::Key_Return);
        QCOMPARE(h.prompter.openOptions.size(), std::size_t{1});
    } else if (action == "escape") {
        QTest::keyClick(&d, Qt::Key_Escape);
    } else if (action == "escape-find") {
        // The bar closes first, the focus on Close.
        QTest::keyClick(&d, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(d.findBar().isVisible());
        d.GetDlgItem(main_dialog::kCloseId)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QVERIFY(!d.findBar().isVisible());
    } else if (action == "close-button") {
        h.Click(main_dialog::kCloseId);
    } else {
        d.close();
    }
    QCOMPARE(finished, result);
    QCOMPARE(d.isVisible(), result == -1);
}

void DialogTest::commandLineJobDrivesTheDialog() {
    {
        // Options and the stored path: the dialog left open works on.
        Harness h({"-e", "-d", "$GAME"});
        QVERIFY(h.Show());
        QVERIFY(h.dialog->IsEnglishNamesChecked());
        QVERIFY(h.dialog->debugMode());
        QVERIFY(qobject_cast<QCheckBox*>(h.dialog->GetDlgItem(main_dialog::kDebugModeId))->isChecked());
        QCOMPARE(h.dialog->archivePath(), h.Archive());
        QCOMPARE(h.TreeRows(), h.ReferenceRows(true, true));
        h.Click(main_dialog::kEnglishNamesId);
        QCOMPARE(h.TreeRows(), h.ReferenceRows(false, true));
        h.Click(main_dialog::kDebugModeId);
        QCOMPARE(h.TreeRows(), h.ReferenceRows(false, false));
        const std::string out = h.scratch / "after.txt";
        h.prompter.saveAnswers.push_back(Q(out));
        h.Click(main_dialog::kExportId);
        QVERIFY(h.prompter.messages.empty());
        QCOMPARE(ReadText(out), ReferenceExport(h.Archive(), false, false, false, h.game.path()));
        QCOMPARE(h.app->exitStatus(), kExitOk);
    }
    {
        // -quit after an export ends the dialog before it is ever shown.
        Harness h({"-d", "-q", "$GAME", "$OUT/out.xml"});
        QCOMPARE(h.dialog->DoModal(), 1);
        QVERIFY(h.dialog->endedBeforeShown());
        QVERIFY(!h.dialog->isVisible());
        QCOMPARE(ReadText(h.scratch / "out.xml"), ReferenceExport(h.Archive(), true, false, true, h.game.path()));
        QCOMPARE(h.app->exitStatus(), kExitOk);
    }
    {
        // No output file, no quitting: the dialog stays showing the loaded
        // tree, the process will fail.
        Harness h({"-q", "$GAME", "$OUT/missing/out.txt"});
        h.dialog->OnInitDialog();
        QVERIFY(!h.dialog->endedBeforeShown());
        QCOMPARE(h.app->exitStatus(), kExitFailed);
        QCOMPARE(h.TreeRows(), h.ReferenceRows(false, false));
    }
    {
        // Started with a folder alone ("Open With"), a failed load is told
        // as Open tells it; with an output file only on standard error.
        Harness h({"$OUT/none"});
        h.dialog->OnInitDialog();
        QCOMPARE(h.prompter.MessageTexts(), QStringList{"can't read 'ifd.mpk'"});
        QCOMPARE(h.prompter.messages[0].details, Q(h.scratch / "none/data/ifd.mpk") + " does not exist");
        QCOMPARE(h.app->exitStatus(), kExitFailed);
        Harness withOutput({"$OUT/none", "$OUT/out.txt"});
        withOutput.dialog->OnInitDialog();
        QVERIFY(withOutput.prompter.messages.empty());
        QCOMPARE(withOutput.app->exitStatus(), kExitFailed);
    }
    {
        // The whole start: the usage box, then the job, which quits.
        Harness h;
        const std::vector<std::string> args{"-?", "-q", h.game.path(), h.scratch / "out.txt"};
        QVERIFY(!h.app->InitInstance(args));
        QCOMPARE(h.prompter.messages.size(), std::size_t{1});
        QCOMPARE(h.prompter.messages[0].title, QStringLiteral("artisanscope"));
        QVERIFY(h.prompter.messages[0].text.startsWith("artisanscope.exe <options> <camelot_dir> <output_file>\n\n"));
        QVERIFY(!h.prompter.messages[0].text.contains('\r'));
        QCOMPARE(ReadText(h.scratch / "out.txt"), ReferenceExport(h.Archive(), false, false, false, h.game.path()));
        QCOMPARE(h.app->exitStatus(), kExitOk);
        QCOMPARE(h.app->mainWindow(), nullptr);
    }
}

void DialogTest::messagesAreTitledWithTheApplicationName() {
    struct Case {
        std::uint32_t version;
        QStringList messages;
    } cases[] = {
        {103, {"not supported file version - errors can occur"}},
        {100, {"not supported file version\nAND you have an OLD file-version plz update camelot", "can't read 'ifd.mpk'"}},
    };
    for (const Case& c : cases) {
        Harness h({}, c.version);
        QVERIFY(h.Show());
        h.Open(h.game / "Camelot.exe");
        QCOMPARE(h.prompter.MessageTexts(), c.messages);
        for (const auto& message : h.prompter.messages) QCOMPARE(message.title, QStringLiteral("artisanscope"));
    }
}

// "Compare with..." from the context menu, opened by the keyboard: the open
// table against a chosen game folder, in a report window whose tree, summary
// and Copy are checked; the main tree is left as it was.
void DialogTest::compareWithByKeyboard() {
    Harness h;
    TempDir patched;
    fixtures::TablePlan table = artisanscope::testing::SmallTable();
    table.realms[0].patterns[1].skill = 16;
    table.realms[0].categories[1].patterns.push_back(table.realms[0].AddPattern({.name = "Langschwert", .skill = 20}));
    fixtures::WriteGameDirectory(patched.path(), fixtures::WriteRecipeTable(table));
    QVERIFY(h.Show());
    CArtisanscopeDlg& d = *h.dialog;
    h.Open(h.game / "Camelot.exe");
    const Rows before = h.TreeRows();
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));

    h.prompter.menuChoice = QString::fromUtf8("&Compare with\xE2\x80\xA6");
    h.prompter.openAnswers.push_back(Q(patched.path() + "/Camelot.exe"));
    QStringList rows;
    QList<QColor> colours;
    QString summary, clipboard;
    h.prompter.onModal = [&](QDialog& dialog) {
        auto* report = qobject_cast<CDiffReportDlg*>(&dialog);
        if (report == nullptr) return -1;
        for (QTreeWidgetItemIterator it(report->reportTree()); *it != nullptr; ++it) {
            int depth = 0;
            for (const QTreeWidgetItem* up = (*it)->parent(); up != nullptr; up = up->parent()) ++depth;
            rows << QString(2 * depth, QLatin1Char(' ')) + (*it)->text(0);
            colours << (*it)->foreground(0).color();
            if (!(*it)->isExpanded() && (*it)->childCount() > 0) rows << QStringLiteral("(collapsed)");
        }
        summary = report->summary()->text();
        report->show();
        if (!QTest::qWaitForWindowExposed(report)) return -2;
        QApplication::setActiveWindow(report);
        if (!QTest::qWaitForWindowActive(report) || !report->isActiveWindow()) return -3;
        QApplication::clipboard()->clear();
        // The focus is in the report tree, which would copy just its current item.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_C, Qt::ControlModifier);
        clipboard = QApplication::clipboard()->text();
        // Save... (Ctrl+S): the text report, JSON by the name; a folder that
        // does not exist is reported.
        for (const char* name : {"report.txt", "report.JSON", "missing/report.txt"}) {
            h.prompter.saveAnswers.push_back(Q(h.scratch / name));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_S, Qt::ControlModifier);
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        return report->isVisible() ? -4 : report->result();
    };
    int reportResult = 0;
    const auto run = h.prompter.onModal;
    h.prompter.onModal = [&](QDialog& dialog) { return reportResult = run(dialog); };
    QTest::keyClick(&d, Qt::Key_Menu);
    QCOMPARE(h.prompter.menusShown, 1);
    QCOMPARE(reportResult, int(QDialog::Rejected));
    const QStringList expected{"Albion", "  Waffenschmied", "    Schwerter",
                               QString::fromUtf8("      ~ Kurzschwert: skill 15 \xE2\x86\x92 16"),
                               "      + Langschwert (20)"};
    QCOMPARE(rows, expected);
    QCOMPARE(colours[3] != colours[4] && colours[4] != colours[0] && colours[3] != colours[0], true);
    QCOMPARE(summary, QStringLiteral("1 added, 0 removed, 1 changed"));
    QCOMPARE(clipboard, expected.join('\n') + QStringLiteral("\n1 added, 0 removed, 1 changed\n"));
    QCOMPARE(Q(ReadText(h.scratch / "report.txt")), clipboard);
    const QString json = Q(ReadText(h.scratch / "report.JSON"));
    QVERIFY2(json.startsWith('{') && json.contains("Langschwert") && json.contains("\"added\": 1"), qPrintable(json));
    QCOMPARE(h.prompter.MessageTexts(), QStringList{"can't create file"});
    QCOMPARE(h.prompter.messages.front().details, Q(h.scratch / "missing/report.txt") + ": No such file or directory");
    QVERIFY(NoTemporaryFilesIn(h.scratch.path()));
    h.prompter.messages.clear();
    QCOMPARE(h.prompter.openOptions.back().title, QStringLiteral("Compare with"));
    QCOMPARE(h.TreeRows(), before);

    // Shift+F10 too; a folder without a table is reported, no window opens.
    QApplication::setActiveWindow(&d);
    QVERIFY(QTest::qWaitForWindowActive(&d));
    h.prompter.openAnswers.push_back(Q(patched.path() + "/nothing/Camelot.exe"));
    QTest::keyClick(&d, Qt::Key_F10, Qt::ShiftModifier);
    QCOMPARE(h.prompter.menusShown, 2);
    QCOMPARE(h.prompter.MessageTexts(), QStringList{"can't read 'ifd.mpk'"});
    QCOMPARE(h.prompter.modalTitles.size(), qsizetype(1));

    // Ctrl+D, shown in Open's tooltip, without a menu; a folder chosen as
    // Open takes it.
    QVERIFY(h.Button(main_dialog::kOpenId)->toolTip().contains(QKeySequence(Qt::CTRL | Qt::Key_D).toString(QKeySequence::NativeText)));
    h.prompter.onModal = [](QDialog&) { return 0; };
    h.prompter.openAnswers.push_back(Q(patched.path()));
    QTest::keyClick(&d, Qt::Key_D, Qt::ControlModifier);
    QCOMPARE(h.prompter.menusShown, 2);
    QCOMPARE(h.prompter.modalTitles.size(), qsizetype(2));
    QVERIFY(h.prompter.openOptions.back().filterNamesOnly);
}

void DialogTest::addToPlanTakesThePatternChosen_data() {
    QTest::addColumn<bool>("byKey");    // the menu key; else the mouse
    QTest::addColumn<bool>("patched");  // the table changed on disk since it was loaded
    QTest::newRow("mouse") << false << false;
    QTest::newRow("menu key") << true << false;
    QTest::newRow("mouse, table patched since") << false << true;
    QTest::newRow("menu key, table patched since") << true << true;
}

// "Add to plan" from the tree's menu adds the pattern chosen, also when the
// plan's first use loads the table again and finds it changed.
void DialogTest::addToPlanTakesThePatternChosen() {
    QFETCH(bool, byKey);
    QFETCH(bool, patched);
    Harness h;
    QVERIFY(h.Show());
    CArtisanscopeDlg& d = *h.dialog;
    h.Open(h.game / "Camelot.exe");
    auto* tree = qobject_cast<QTreeView*>(d.GetDlgItem(main_dialog::kTreeId));
    const RecipeTreeModel& model = d.treeModel();
    const QModelIndex swords = model.index(0, 0, model.index(0, 0, model.index(0, 0)));
    tree->setCurrentIndex(model.index(0, 0, swords));
    QCOMPARE(model.data(tree->currentIndex()).toString(), QStringLiteral("Kurzschwert (15)"));
    if (patched) {
        fixtures::TablePlan table = artisanscope::testing::SmallTable();
        std::vector<std::uint16_t>& patterns = table.realms[0].categories[1].patterns;
        patterns.insert(patterns.begin(), table.realms[0].AddPattern({.name = "Breitschwert", .skill = 12}));
        fixtures::WriteGameDirectory(h.game.path(), fixtures::WriteRecipeTable(table));
    }
    d.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&d));
    tree->setFocus();
    h.prompter.menuChoice = QStringLiteral("Add to &plan");
    if (byKey) {
        QTest::keyClick(&d, Qt::Key_Menu);
    } else {
        Q_EMIT tree->customContextMenuRequested(tree->visualRect(tree->currentIndex()).center());
    }
    QCOMPARE(h.prompter.menusShown, 1);
    QVERIFY(d.planWindow() != nullptr);
    const QTableWidget* entries = d.planWindow()->entriesView();
    QCOMPARE(entries->rowCount(), 1);
    QVERIFY2(entries->item(0, 0)->text().startsWith(QStringLiteral("Kurzschwert (")), qPrintable(entries->item(0, 0)->text()));
}

// The filters as the user reads them in Qt's own file dialog: the Open
// filter by its name alone, the Export filters with their patterns.
void DialogTest::fileDialogsShowTheirFilters() {
    Harness h;
    QVERIFY(h.Show());
    h.Click(main_dialog::kOpenId);    // cancelled: no answer queued
    h.Click(main_dialog::kExportId);  // cancelled
    const std::pair<const FileDialogOptions*, QStringList> shown[] = {
        {&h.prompter.openOptions.at(0), {"Camelot.exe or ifd.mpk"}},
        {&h.prompter.saveOptions.at(0), h.prompter.saveOptions.at(0).filters},
    };
    for (const auto& [plan, names] : shown) {
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        ApplyFileDialogOptions(dialog, *plan);
        const auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        QVERIFY(types != nullptr);
        QStringList texts;
        for (int i = 0; i < types->count(); ++i) texts << types->itemText(i);
        QCOMPARE(texts, names);
    }
}

// Lines join a child to its parent also at the root: the indentation left of
// an expanded realm's first skill is not blank.
void DialogTest::treeDrawsConnectingLines() {
    Harness h;
    QVERIFY(h.Show());
    h.Open(h.game / "Camelot.exe");
    auto* tree = qobject_cast<QTreeView*>(h.dialog->GetDlgItem(main_dialog::kTreeId));
    QVERIFY(tree != nullptr);
    const QModelIndex realm = tree->model()->index(0, 0);
    tree->expand(realm);
    const QRect skill = tree->visualRect(tree->model()->index(0, 0, realm));
    QVERIFY(skill.isValid());
    const QImage image = tree->viewport()->grab().toImage();
    const QRgb background = image.pixel(skill.left() - 1, skill.top());
    int marks = 0;
    // The root's own indentation, beside the skill's row: the realm's line.
    for (int x = 0; x < skill.left() - tree->indentation(); ++x) {
        for (int y = skill.top(); y <= skill.bottom(); ++y) marks += image.pixel(x, y) != background ? 1 : 0;
    }
    QVERIFY2(marks > 0, "no line beside the first skill");
}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Whatever a test remembers stays in a folder of its own.
    const TempDir config, data;
    qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString(config.path()));
    qputenv("XDG_DATA_HOME", QByteArray::fromStdString(data.path()));
    QApplication application(argc, argv);
    DialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DialogTest.moc"
