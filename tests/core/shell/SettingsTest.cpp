#include "core/shell/Settings.h"
#include "base/FileErrors.h"
#include "base/ProfileFile.h"
#include "core/shell/AppState.h"
#include "support/TestSupport.h"

#include <QDir>

#include <climits>
#include <tuple>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

struct Settings : ::testing::Test {
    TempFolder dir;
    AppState state = Fresh();

    AppState Fresh() const {
        AppState s;
        s.ProgramFolder = dir.Path(QStringLiteral("prog")) + QLatin1Char('/');
        s.SettingsPath = dir.Path(QStringLiteral("config/ZENTIK.INI"));
        return s;
    }
    QString Read(const char* section, const char* key) const {
        return ProfileFile::ReadString(state.SettingsPath, QString::fromLatin1(section),
                                       QString::fromLatin1(key), QStringLiteral("<missing>"));
    }
    void WriteSettings(const QByteArray& bytes) {
        QDir().mkpath(dir.Path(QStringLiteral("config")));
        WriteBytes(state.SettingsPath, bytes);
    }
};

} // namespace

// Report fonts are never saved; the file is UTF-8 only while a value needs a
// character the code page lacks.
TEST_F(Settings, FirstRunWritesOnlyGeneralAndEveryValueKeptComesBackInTheFilesOwnEncoding) {
    LoadSettings(state, state.DBPath);
    EXPECT_EQ(state.DBPath, state.ProgramFolder);
    EXPECT_EQ(state.BackupRunsKept, 20);
    EXPECT_EQ(Read("General", "Program"), QStringLiteral("Ηλεκτρονικό Κάλντο"));
    EXPECT_EQ(Read("Directory", "DBPath"), QStringLiteral("<missing>"));

    state.MainPlacement = {32, 40, 800, 600};
    state.InBoxWidths[5] = 77;
    state.TemplateWidths[0] = 300;
    state.ClassW = 99;
    state.LastSendFolder = QStringLiteral("/media/usb/Αποστολή");
    state.LastReceiveFolder = QStringLiteral("/media/usb/Λήψη");
    state.LastSchoolYear = QStringLiteral("Σχ.Έτος 2025-2026");
    state.BackupRunsKept = 7;
    state.BackFontName = QStringLiteral("Tahoma"); // changed in the Parameters window, never saved
    SaveSettings(state, state.DBPath);
    EXPECT_EQ(Read("Directory", "DBPath"), state.ProgramFolder);
    EXPECT_EQ(Read("fc_Main", "cw_InBox7"), QStringLiteral("77"));
    EXPECT_EQ(Read("fc_Main", "cw_Templates2"), QStringLiteral("300"));
    EXPECT_EQ(Read("fc_Main", "cw_InBox1"), QStringLiteral("<missing>")) << "columns 0 and 1 are not stored";

    const QString folder = QStringLiteral("/home/rené/Σχολείο/Документы/");
    SaveSettings(state, folder);
    const QByteArray bytes = ReadBytes(state.SettingsPath);
    EXPECT_TRUE(bytes.startsWith("\xEF\xBB\xBF")) << bytes.left(40).toStdString();
    EXPECT_TRUE(bytes.contains(folder.toUtf8()));
    AppState again = Fresh();
    LoadSettings(again, again.DBPath);
    EXPECT_EQ(again.DBPath, folder);
    const auto kept = [](const AppState& s) {
        return std::tie(s.MainPlacement, s.InBoxWidths, s.TemplateWidths, s.ClassW, s.LastSendFolder,
                        s.LastReceiveFolder, s.LastSchoolYear, s.BackupRunsKept);
    };
    EXPECT_EQ(kept(again), kept(state));
    EXPECT_EQ(again.BackFontName, QStringLiteral("Arial"));
    // Back to a Greek folder: the file is the program's code page again, its other content kept.
    SaveSettings(again, QStringLiteral("/srv/Σχολείο/"));
    const QByteArray greek = ReadBytes(state.SettingsPath);
    EXPECT_FALSE(greek.startsWith("\xEF\xBB\xBF"));
    EXPECT_TRUE(greek.contains(Greek(QStringLiteral("DBPath=/srv/Σχολείο/"))));
    EXPECT_EQ(Read("fc_Main", "W"), QStringLiteral("800"));
}

TEST_F(Settings, HexadecimalBadAndOutOfRangeValues) {
    WriteSettings("[fc_Main]\r\nX=0x20\r\nY=abc\r\nW=0X1F4\r\nH=-5\r\nSplitW=\r\n"
                  "cw_InBox2=4294967296\r\ncw_InBox3=-2147483649\r\ncw_InBox4=-2147483648\r\n"
                  "[Report]\r\nBackColor=0x00FF8000\r\nForeColor=0xFFFFFFFF\r\n"
                  "[fc_Filter]\r\nSplitH=12x\r\nLevelW=0x\r\n[Backups]\r\nRunsKept=0\r\n");
    state.SplitW = 222; // a missing or bad key leaves such a variable as it was
    state.SplitH = 111;
    LoadSettings(state, state.DBPath);
    EXPECT_EQ(state.MainPlacement, (WindowPlacement{32, 10, 500, -5}));
    EXPECT_EQ(state.SplitW, 222);
    EXPECT_EQ(state.SplitH, 111);
    EXPECT_EQ(state.LevelW, 148);
    EXPECT_EQ(state.InBoxWidths[0], 240) << "past 32 bits";
    EXPECT_EQ(state.InBoxWidths[1], 128) << "below the smallest integer";
    EXPECT_EQ(state.InBoxWidths[2], INT_MIN);
    EXPECT_EQ(state.BackColor, 0x00FF8000u);
    EXPECT_EQ(state.ForeColor, 0xFFFFFFFFu);
    EXPECT_EQ(state.BackupRunsKept, 20) << "no run would keep its own backup";
    WriteSettings("[Backups]\r\nRunsKept=1\r\n");
    EXPECT_EQ(BackupRunsKeptIn(state.SettingsPath), 1);
}

TEST_F(Settings, ForeignContentAndTheReportSectionStayAndAnUnwritableFileIsNamed) {
    const QByteArray report = "[Report]\r\nBackFontName=Times New Roman\r\n";
    WriteSettings("; kept\r\n" + report);
    LoadSettings(state, state.DBPath);
    EXPECT_EQ(state.BackFontName, QStringLiteral("Times New Roman"));
    SaveSettings(state, state.DBPath);
    const QByteArray bytes = ReadBytes(state.SettingsPath);
    EXPECT_TRUE(bytes.startsWith("; kept\r\n" + report + "[General]\r\n")) << bytes.left(120).toStdString();
    // A folder stands where the file should be: no write can succeed.
    state.SettingsPath = dir.Path(QStringLiteral("folder.ini"));
    QDir().mkpath(state.SettingsPath);
    try {
        SaveSettings(state, state.DBPath);
        FAIL() << "no error";
    } catch (const FileError& e) {
        EXPECT_TRUE(e.Message().contains(state.SettingsPath));
    }
}
