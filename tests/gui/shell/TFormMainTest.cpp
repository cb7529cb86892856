// The main window offscreen, on real folders, with every dialog scripted.
#include "gui/shell/TFormMain.h"
#include "base/ProfileFile.h"
#include "core/shell/AppState.h"
#include "gui/shell/TAboutForm.h"
#include "gui/shell/TParamForm.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QToolButton>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

const QString kExitQuestion = QStringLiteral("Πρόκειται να εγκαταλείψετε το \"Ηλεκτρονικό Κάλντο\"!");

QByteArray GradeFile(const QString& name) {
    return Greek(QStringLiteral("[Header]\r\nFile=MORVEN Grades Data\r\nFileName=") + name +
                 QStringLiteral("\r\nCreated=1/1/05\r\n[Data]\r\nα/α\r\n"));
}

void WaitFor(const std::function<bool()>& done, int ms = 3000) {
    QElapsedTimer t;
    t.start();
    while (!done() && t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

struct MainWindowFixture : ::testing::Test {
    TempFolder dir;
    AppState state;
    ScriptedUiServices ui;
    std::unique_ptr<TFormMain> window;

    void SetUp() override {
        state.ProgramFolder = dir.Path(QStringLiteral("prog/"));
        state.SettingsPath = dir.Path(QStringLiteral("ZENTIK.INI"));
    }
    void TearDown() override {
        if (window) {
            // Leave without writing: the question is answered Cancel, then the window is destroyed.
            window->setAttribute(Qt::WA_DeleteOnClose, false);
            window.reset();
        }
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    }
    TFormMain& Open() {
        window = std::make_unique<TFormMain>(state, ui);
        window->show();
        return *window;
    }
    void Choose(DocumentPage page) { window->lstvInOutDocs()->setCurrentRow(static_cast<int>(page)); }
    // The path of a file in one of the three folders, the folder made if need be.
    QString Path(const char* folder, const char* name) {
        QDir().mkpath(state.ProgramFolder + QString::fromLatin1(folder));
        return state.ProgramFolder + QString::fromLatin1(folder) + QLatin1Char('/') + QString::fromUtf8(name);
    }
};

} // namespace

TEST_F(MainWindowFixture, RefreshKeepsTheSelectedFileWhenOthersArriveBeforeIt) {
    Open();
    WriteBytes(Path("Exports", "m.agd"), GradeFile(QStringLiteral("m.agd")));
    window->RefreshOutBox();
    QTableView* grid = window->Grid(DocumentPage::OutBox);
    ASSERT_EQ(window->ListModel(DocumentPage::OutBox)->rowCount(), 1);
    for (const char* name : {"a.agd", "b.agd", "c.agd", "d.agd"})
        WriteBytes(Path("Exports", name), GradeFile(QString::fromLatin1(name)));
    window->RefreshOutBox();
    EXPECT_EQ(window->ListModel(DocumentPage::OutBox)->FileNameAt(grid->currentIndex().row()),
              QStringLiteral("m.agd"));
    EXPECT_TRUE(grid->selectionModel()->isRowSelected(grid->currentIndex().row(), {}));
    QFile::remove(Path("Exports", "m.agd"));
    window->RefreshOutBox();
    EXPECT_EQ(grid->currentIndex().row(), 0) << "a vanished file leaves the first row current";
}

TEST_F(MainWindowFixture, ListsAreInGreekAlphabeticalOrderWhateverTheFileSystemGives) {
    const char* names[] = {"Τμήμα 10.agd", "γ.agd", "Άλφα.agd", "β.agd", "Τμήμα 2.agd", "Αβ.agd"};
    for (const char* name : names)
        WriteBytes(Path("Imports", name), GradeFile(QString::fromUtf8(name)));
    Open();
    QStringList listed;
    for (int r = 0; r < window->ListModel(DocumentPage::InBox)->rowCount(); ++r)
        listed << window->ListModel(DocumentPage::InBox)->FileNameAt(r);
    EXPECT_EQ(listed, (QStringList{QStringLiteral("Αβ.agd"), QStringLiteral("Άλφα.agd"),
                                   QStringLiteral("β.agd"), QStringLiteral("γ.agd"),
                                   QStringLiteral("Τμήμα 2.agd"), QStringLiteral("Τμήμα 10.agd")}));
}

TEST_F(MainWindowFixture, FilesArrivingOrLeavingFromOutsideShowWithoutACommand) {
    Open();
    DocumentListModel* model = window->ListModel(DocumentPage::Templates);
    WriteBytes(Path("Templates", "t.agt"), "[Header]\r\n");
    WaitFor([&] { return model->FileNameAt(0) == QStringLiteral("t.agt"); });
    EXPECT_EQ(model->FileNameAt(0), QStringLiteral("t.agt"));
    QFile::remove(Path("Templates", "t.agt"));
    WaitFor([&] { return model->FileNameAt(0).isEmpty(); });
    EXPECT_EQ(model->FileNameAt(0), QString());
}

TEST_F(MainWindowFixture, EveryCommandIsReachedFromTheKeyboard) {
    WriteBytes(Path("Exports", "a.agd"), GradeFile(QStringLiteral("a.agd")));
    Open();
    window->Banner()->close();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    Choose(DocumentPage::OutBox);
    QTableView* grid = window->Grid(DocumentPage::OutBox);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_F1);
    EXPECT_EQ(ui.HelpShown(), std::vector<int>{1000});
    WriteBytes(Path("Exports", "b.agd"), GradeFile(QStringLiteral("b.agd")));
    QTest::keyClick(grid, Qt::Key_F5);
    EXPECT_EQ(window->ListModel(DocumentPage::OutBox)->FileNameAt(1), QStringLiteral("b.agd"))
        << "F5 refreshes";
    ui.ExpectModal([](QObject& dialog) {
        EXPECT_EQ(dialog.objectName(), QStringLiteral("FormViewTable"));
        return 0;
    });
    QTest::keyClick(grid, Qt::Key_Return);
    EXPECT_EQ(state.CurrentFileName, QStringLiteral("a.agd"));
    ui.ExpectMessage(MessageIcon::Question,
                     QStringLiteral("Πρόκειται να διαγράψετε το Αρχείο \"") + Path("Exports", "a.agd") +
                         QStringLiteral("\" !\nΘα προχωρήσετε στη διαγραφή;"),
                     MessageAnswer::No);
    QTest::keyClick(grid, Qt::Key_Delete);
    EXPECT_TRUE(QFile::exists(Path("Exports", "a.agd")));
}

TEST_F(MainWindowFixture, DeleteWorksOnTheShownPage) {
    WriteBytes(Path("Templates", "t.agt"), "[Header]\r\n");
    WriteBytes(Path("Imports", "i.agd"), GradeFile(QStringLiteral("i.agd")));
    Open();
    Choose(DocumentPage::InBox);
    window->Book()->setCurrentIndex(2); // the Templates page shown while the InBox item is chosen
    const QString path = state.TemplatesDir + QStringLiteral("/t.agt");
    ui.ExpectMessage(MessageIcon::Question,
                     QStringLiteral("Πρόκειται να διαγράψετε το Αρχείο \"") + path +
                         QStringLiteral("\" !\nΘα προχωρήσετε στη διαγραφή;"),
                     MessageAnswer::Yes);
    window->Button(QStringLiteral("tbtnDeleteItem"))->click();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_TRUE(QFile::exists(Path("Imports", "i.agd")));
    EXPECT_EQ(window->ListModel(DocumentPage::Templates)->FileNameAt(0), QString());
}

TEST_F(MainWindowFixture, CancelAtTheExitQuestionLeavesTheSettingsFileUntouched) {
    Open();
    const QByteArray before = ReadBytes(state.SettingsPath);
    ui.ExpectMessage(MessageIcon::Warning, kExitQuestion, MessageAnswer::Cancel);
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(ReadBytes(state.SettingsPath), before);

    window->resize(640, 480);
    window->Grid(DocumentPage::InBox)->setColumnWidth(7, 99);
    window->Grid(DocumentPage::Templates)->setColumnWidth(3, 77);
    ui.ExpectMessage(MessageIcon::Warning, kExitQuestion, MessageAnswer::Ok);
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    EXPECT_TRUE(window->close());
    auto read = [&](const char* section, const char* key) {
        return ProfileFile::ReadString(state.SettingsPath, QString::fromLatin1(section),
                                       QString::fromLatin1(key));
    };
    EXPECT_EQ(read("fc_Main", "W"), QStringLiteral("640"));
    EXPECT_EQ(read("fc_Main", "cw_InBox7"), QStringLiteral("99"));
    EXPECT_EQ(read("fc_Main", "cw_Templates3"), QStringLiteral("77"));

    // What was kept comes back at the next start.
    window.reset();
    Open();
    EXPECT_EQ(window->size(), QSize(640, 480));
    EXPECT_EQ(window->Grid(DocumentPage::InBox)->columnWidth(7), 99);
    EXPECT_EQ(window->Grid(DocumentPage::Templates)->columnWidth(3), 77);
}

TEST_F(MainWindowFixture, ParametersApplyClosesTheSchoolYearAndCancelKeepsIt) {
    QDir().mkpath(dir.Path(QStringLiteral("schools/a")));
    Open();
    state.DBPath = dir.Path(QStringLiteral("schools"));
    state.SchoolYearLabel = QStringLiteral("Σχ.Έτος 2004-2005");
    window->ShowSchoolYear();

    // Browse elsewhere, then leave with "Άκυρο": the folder stays chosen, the year stays open.
    ui.ExpectModal([&](QObject& dialog) {
        auto& form = static_cast<TParamForm&>(dialog);
        EXPECT_EQ(form.DBDirEdit()->text(), dir.Path(QStringLiteral("schools")));
        form.ChooseFolder(dir.Path(QStringLiteral("schools/a")));
        EXPECT_EQ(form.DBDirEdit()->text(), dir.Path(QStringLiteral("schools/a")));
        form.CancelPathBB()->click();
        return 0;
    });
    window->Button(QStringLiteral("tbtnParams"))->click();
    EXPECT_EQ(state.DBPath, dir.Path(QStringLiteral("schools/a")));
    EXPECT_EQ(window->edtSchoolYear()->text(), QStringLiteral("Σχ.Έτος 2004-2005"));

    // "Εφαρμογή" with the folder unchanged still closes the open year.
    ui.ExpectModal([&](QObject& dialog) {
        auto& form = static_cast<TParamForm&>(dialog);
        form.ApplyPathBB()->click();
        return 1;
    });
    window->Button(QStringLiteral("tbtnParams"))->click();
    EXPECT_EQ(window->edtSchoolYear()->text(), QStringLiteral("Σχ.Έτος: <ΚΑΝΕΝΑ>"));
    Choose(DocumentPage::InBox);
    EXPECT_FALSE(window->Button(QStringLiteral("tbtnRun"))->isEnabled());
}
