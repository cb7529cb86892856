#include "platform/ProfileFile.h"
#include "shell/AppState.h"
#include "shell/TFormMain.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QLineEdit>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

struct MainWindowFixture : ::testing::Test {
    TempFolder dir;
    AppState state;
    ScriptedUiServices ui;
    void SetUp() override {
        state.ProgramFolder = dir.Path(QStringLiteral("prog/"));
        state.SettingsPath = dir.Path(QStringLiteral("ZENTIK.INI"));
    }
    QString ExitQuestion() const {
        return QStringLiteral("Πρόκειται να εγκαταλείψετε το \"Ηλεκτρονικό Κάλντο\"!");
    }
};

} // namespace

TEST_F(MainWindowFixture, FirstRunCreatesTheFoldersAndOpensAtTheDefaultPlace) {
    TFormMain window(state, ui);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("e-Κάλντο: Κεντρικό Σύστημα"));
    EXPECT_TRUE(QDir(dir.Path(QStringLiteral("prog/Imports"))).exists());
    EXPECT_TRUE(QDir(dir.Path(QStringLiteral("prog/Exports"))).exists());
    EXPECT_TRUE(QDir(dir.Path(QStringLiteral("prog/Templates"))).exists());
    EXPECT_EQ(window.geometry(), QRect(10, 10, 450, 350));
    EXPECT_EQ(window.SchoolYearBox()->text(), QStringLiteral("Σχ.Έτος: <ΚΑΝΕΝΑ>"));
    ui.ExpectMessage(MessageIcon::Warning, ExitQuestion(), MessageAnswer::Ok);
    EXPECT_TRUE(window.close());
}

TEST_F(MainWindowFixture, CancelAtTheExitQuestionKeepsRunningAndLeavesSettingsUntouched) {
    TFormMain window(state, ui);
    window.show();
    const QByteArray before = ReadBytes(state.SettingsPath);
    ui.ExpectMessage(MessageIcon::Warning, ExitQuestion(), MessageAnswer::Cancel);
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(ReadBytes(state.SettingsPath), before);

    window.setGeometry(30, 40, 640, 480);
    ui.ExpectMessage(MessageIcon::Warning, ExitQuestion(), MessageAnswer::Ok);
    EXPECT_TRUE(window.close());
    EXPECT_EQ(ProfileFile::ReadString(state.SettingsPath, QStringLiteral("fc_Main"), QStringLiteral("W")),
              QStringLiteral("640"));
    EXPECT_EQ(ProfileFile::ReadString(state.SettingsPath, QStringLiteral("Directory"), QStringLiteral("DBPath")),
              state.ProgramFolder);
}
