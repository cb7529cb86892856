#include "core/shell/Settings.h"
#include "base/FileErrors.h"
#include "base/ProfileFile.h"
#include "core/shell/AppState.h"
#include "support/TestSupport.h"

#include <QDir>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

AppState FreshState(const TempFolder& dir) {
    AppState state;
    state.ProgramFolder = dir.Path(QStringLiteral("prog")) + QLatin1Char('/');
    state.SettingsPath = dir.Path(QStringLiteral("config/ZENTIK.INI"));
    return state;
}

QString Read(const AppState& s, const char* section, const char* key) {
    return ProfileFile::ReadString(s.SettingsPath, QString::fromLatin1(section), QString::fromLatin1(key),
                                   QStringLiteral("<missing>"));
}

} // namespace

TEST(Settings, FirstRunGivesTheDefaultsAndWritesOnlyGeneral) {
    TempFolder dir;
    AppState state = FreshState(dir);
    LoadSettings(state, state.DBPath);
    EXPECT_EQ(state.MainPlacement, (WindowPlacement{10, 10, 450, 350}));
    EXPECT_EQ(state.SplitW, 180);
    EXPECT_EQ(state.BackupRunsKept, 20);
    EXPECT_EQ(state.DBPath, state.ProgramFolder);
    EXPECT_EQ(state.BackFontName, QStringLiteral("Arial"));
    EXPECT_EQ(state.ForeColor, 0u);
    EXPECT_EQ(Read(state, "General", "Program"), QStringLiteral("Ηλεκτρονικό Κάλντο"));
    EXPECT_EQ(Read(state, "General", "Version"), QStringLiteral("1.5a"));
    EXPECT_EQ(Read(state, "General", "Copyright"), Program::CopyrightNotice);
    EXPECT_EQ(Read(state, "Directory", "DBPath"), QStringLiteral("<missing>"))
        << "only General is written at start";
}

TEST(Settings, ConfirmedExitWritesWhatIsKeptButNoReportSection) {
    TempFolder dir;
    AppState state = FreshState(dir);
    LoadSettings(state, state.DBPath);
    state.MainPlacement = {32, 40, 800, 600};
    state.InBoxWidths[5] = 77;
    state.TemplateWidths[0] = 300;
    state.ClassW = 99;
    state.BackFontName = QStringLiteral("Tahoma"); // changed in the Parameters window, never saved
    SaveSettings(state, state.DBPath);
    EXPECT_EQ(Read(state, "Directory", "DBPath"), state.ProgramFolder);
    EXPECT_EQ(Read(state, "fc_Main", "W"), QStringLiteral("800"));
    EXPECT_EQ(Read(state, "fc_Main", "cw_InBox7"), QStringLiteral("77"));
    EXPECT_EQ(Read(state, "fc_Main", "cw_Templates2"), QStringLiteral("300"));
    EXPECT_EQ(Read(state, "fc_Filter", "ClassW"), QStringLiteral("99"));
    EXPECT_EQ(Read(state, "fc_Post", "W"), QStringLiteral("740"));
    EXPECT_EQ(Read(state, "Report", "BackFontName"), QStringLiteral("<missing>"));
    EXPECT_EQ(Read(state, "fc_Main", "cw_InBox1"), QStringLiteral("<missing>"))
        << "columns 0 and 1 are not stored";

    AppState again = FreshState(dir);
    LoadSettings(again, again.DBPath);
    EXPECT_EQ(again.MainPlacement, (WindowPlacement{32, 40, 800, 600}));
    EXPECT_EQ(again.InBoxWidths[5], 77);
    EXPECT_EQ(again.ClassW, 99);
    EXPECT_EQ(again.BackFontName, QStringLiteral("Arial"));
}

TEST(Settings, SaveWritesKeysInTheirOrder) {
    TempFolder dir;
    AppState state = FreshState(dir);
    SaveSettings(state, state.DBPath);
    const QString text = QString::fromLatin1(ReadBytes(state.SettingsPath));
    const QStringList sections = {QStringLiteral("[Directory]"),   QStringLiteral("[fc_Main]"),
                                  QStringLiteral("[fc_DataMngr]"), QStringLiteral("[fc_PreviewForm]"),
                                  QStringLiteral("[fc_Filter]"),   QStringLiteral("[fc_View]"),
                                  QStringLiteral("[fc_Post]")};
    qsizetype last = -1;
    for (const QString& s : sections) {
        const qsizetype at = text.indexOf(s);
        EXPECT_GT(at, last) << s.toStdString();
        last = at;
    }
    EXPECT_TRUE(text.contains(QStringLiteral("[fc_Main]\r\nX=10\r\nY=10\r\nW=450\r\nH=350\r\nSplitW=180\r\n"
                                             "cw_InBox2=240\r\ncw_InBox3=128")));
    EXPECT_TRUE(
        text.contains(QStringLiteral("H=580\r\nSplitH=180\r\nLevelW=148\r\nClassW=148\r\nCourseW=148\r\n")));
}

TEST(Settings, HexadecimalAndBadValues) {
    TempFolder dir;
    AppState state = FreshState(dir);
    QDir().mkpath(dir.Path(QStringLiteral("config")));
    WriteBytes(state.SettingsPath, "[fc_Main]\r\nX=0x20\r\nY=abc\r\nW=0X1F4\r\nH=-5\r\nSplitW=\r\n"
                                   "[Report]\r\nBackColor=0x00FF8000\r\nForeColor=0xFFFFFFFF\r\n"
                                   "[fc_Filter]\r\nSplitH=12x\r\nLevelW=0x\r\n");
    state.SplitW = 222; // a missing or bad key leaves such a variable as it was
    state.SplitH = 111;
    LoadSettings(state, state.DBPath);
    EXPECT_EQ(state.MainPlacement.x, 32);
    EXPECT_EQ(state.MainPlacement.y, 10);
    EXPECT_EQ(state.MainPlacement.w, 500);
    EXPECT_EQ(state.MainPlacement.h, -5);
    EXPECT_EQ(state.SplitW, 222);
    EXPECT_EQ(state.SplitH, 111);
    EXPECT_EQ(state.LevelW, 148);
    EXPECT_EQ(state.BackColor, 0x00FF8000u);
    EXPECT_EQ(state.ForeColor, 0xFFFFFFFFu);
}

TEST(Settings, LoadKeepsForeignContentAndSaveKeepsTheReportSection) {
    TempFolder dir;
    AppState state = FreshState(dir);
    QDir().mkpath(dir.Path(QStringLiteral("config")));
    const QByteArray report = "[Report]\r\nBackFontName=Times New Roman\r\n";
    WriteBytes(state.SettingsPath, "; kept\r\n" + report);
    LoadSettings(state, state.DBPath);
    EXPECT_EQ(state.BackFontName, QStringLiteral("Times New Roman"));
    SaveSettings(state, state.DBPath);
    const QByteArray bytes = ReadBytes(state.SettingsPath);
    EXPECT_TRUE(bytes.startsWith("; kept\r\n" + report + "[General]\r\n")) << bytes.left(120).toStdString();
}

TEST(Settings, UnwritableSettingsFileRaisesAnErrorNamingIt) {
    TempFolder dir;
    AppState state = FreshState(dir);
    // A folder stands where the file should be: no write can succeed.
    QDir().mkpath(state.SettingsPath);
    try {
        SaveSettings(state, state.DBPath);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_TRUE(e.Message().contains(state.SettingsPath));
    }
}

TEST(Settings, EveryValueComesBackAndTheFileIsUtf8OnlyWhileAValueNeedsIt) {
    TempFolder dir;
    AppState state = FreshState(dir);
    LoadSettings(state, state.DBPath);
    const QString folder = QStringLiteral("/home/rené/Σχολείο/Документы/");
    state.DBPath = folder;
    state.MainPlacement = {11, 22, 900, 600};
    state.LastSendFolder = QStringLiteral("/media/usb/Αποστολή");
    state.LastReceiveFolder = QStringLiteral("/media/usb/Λήψη");
    state.LastSchoolYear = QStringLiteral("Σχ.Έτος 2025-2026");
    state.BackupRunsKept = 7;
    SaveSettings(state, state.DBPath);
    const QByteArray bytes = ReadBytes(state.SettingsPath);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << bytes.left(40).toStdString();
    EXPECT_TRUE(bytes.contains(folder.toUtf8()));
    AppState again = FreshState(dir);
    LoadSettings(again, again.DBPath);
    EXPECT_EQ(again.DBPath, folder);
    EXPECT_EQ(again.MainPlacement, state.MainPlacement);
    EXPECT_EQ(again.LastSendFolder, state.LastSendFolder);
    EXPECT_EQ(again.LastReceiveFolder, state.LastReceiveFolder);
    EXPECT_EQ(again.LastSchoolYear, state.LastSchoolYear);
    EXPECT_EQ(again.BackupRunsKept, 7);
    EXPECT_EQ(ProfileFile::ReadSection(again.SettingsPath, QStringLiteral("General"), true)
                  .Value(QStringLiteral("Program")),
              Program::ProgramName);
    // Back to a Greek folder: the file is the program's code page again, its
    // other content kept.
    again.DBPath = QStringLiteral("/srv/Σχολείο/");
    SaveSettings(again, again.DBPath);
    const QByteArray greek = ReadBytes(state.SettingsPath);
    EXPECT_FALSE(greek.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(greek.contains(Greek(QStringLiteral("DBPath=/srv/Σχολείο/"))));
    EXPECT_EQ(Read(again, "fc_Main", "W"), QStringLiteral("900"));
}
