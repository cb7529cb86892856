#include "base/SharedRoutines.h"
#include "base/FileErrors.h"
#include "core/shell/AppState.h"
#include "support/TestSupport.h"

#include <QDir>

using namespace ekaldo;
using namespace ekaldo::testing;

TEST(SchoolYearLabels, FromFolderNamesAndBackToTheYear) {
    EXPECT_EQ(SchoolYearLabelFromFolder(QStringLiteral("MV2004.SYR")), QStringLiteral("Σχ.Έτος 2004-2005"));
    EXPECT_EQ(SchoolYearLabelFromFolder(QStringLiteral("Mv1999")), QStringLiteral("Σχ.Έτος 1999-2000"));
    EXPECT_EQ(SchoolYearLabelFromFolder(QStringLiteral("AB2004")), QStringLiteral("Σχ.Έτος: Αγνωστο!"));
    EXPECT_EQ(SchoolYearLabelFromFolder(QStringLiteral("MV200")), QStringLiteral("Σχ.Έτος: Αγνωστο!"));
    EXPECT_EQ(SchoolYearLabelFromFolder(QStringLiteral("MV 204")), QStringLiteral("Σχ.Έτος: Αγνωστο!"));
    EXPECT_EQ(SchoolYearLabelFromFolder(QString()), QStringLiteral("Σχ.Έτος: Αγνωστο!"));
    // The year of a label is counted in characters, whatever the label.
    EXPECT_EQ(SchoolYearOfLabel(QStringLiteral("Σχ.Έτος 2004-2005")), QStringLiteral("2004-2005"));
    EXPECT_EQ(SchoolYearOfLabel(QStringLiteral("Σχ.Έτος: <ΚΑΝΕΝΑ>")), QStringLiteral(" <ΚΑΝΕΝΑ>"));
    EXPECT_EQ(SchoolYearOfLabel(QStringLiteral("Σχ.Έτος 20")), QStringLiteral("20"));
    EXPECT_EQ(SchoolYearOfLabel(QStringLiteral("Σχ")), QString());
}

TEST(SharedRoutines, AddTrailingBackslash) {
    const QString sep = QDir::separator();
    EXPECT_EQ(AddTrailingBackslash(QString()), QString());
    EXPECT_EQ(AddTrailingBackslash(QStringLiteral("/data")), QStringLiteral("/data") + sep);
    EXPECT_EQ(AddTrailingBackslash(QStringLiteral("/data") + sep), QStringLiteral("/data") + sep);
    EXPECT_EQ(AddTrailingBackslash(QString(254, QLatin1Char('a'))), QString(254, QLatin1Char('a')) + sep);
    EXPECT_EQ(AddTrailingBackslash(QString(255, QLatin1Char('a'))), QString(255, QLatin1Char('a')));
}

// Half up by the value's decimal text: 1.005 * 100 is 100.49999999999999 in
// binary but its text is 100.5. A negative value rounds like its positive
// twin; divisions other than 1 or a multiple of 10 leave the value alone.
TEST(RoundHalfUp, ByDecimalTextInBothLocales) {
    const struct {
        int divisions;
        double value, rounded;
    } cases[] = {{10, 7.25, 7.3},    {1, 7.5, 8},     {1, 7.49, 7},       {4, 7.3, 7.3},
                 {10, 18.349, 18.3}, {10, 19.95, 20}, {100, 1.005, 1.01}, {10, 12, 12},
                 {10, -7.25, -7.3},  {1, -7.6, -8},   {1, -7.4, -7},      {0, 7.25, 7.25},
                 {-10, 7.25, 7.25},  {10, 0.00001, 0}};
    for (const QLocale& locale : {EnglishLocale(), GreekLocale()}) {
        UseLocale(locale);
        for (const auto& c : cases)
            EXPECT_DOUBLE_EQ(RoundHalfUp(c.divisions, c.value), c.rounded)
                << locale.name().toStdString() << ": " << c.value << " by " << c.divisions;
    }
}

TEST(CopyFileContents, CopiesAtAndAroundTheBlockSize) {
    TempFolder dir;
    for (int size : {0, 1, 8191, 8192, 8193, 3 * 8192}) {
        QByteArray bytes(size, '\0');
        for (int i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 7 + size) & 0xFF);
        const QString src = dir.Path(QStringLiteral("src%1").arg(size));
        const QString dst = dir.Path(QStringLiteral("dst%1").arg(size));
        WriteBytes(dst, QByteArray(50000, 'z')); // a longer file there already is truncated
        WriteBytes(src, bytes);
        CopyFileContents(src, dst);
        EXPECT_EQ(ReadBytes(dst), bytes) << size;
    }
}

TEST(CopyFileContents, ADiskThatFillsUpHalfWayKeepsTheOldFileAndLeavesNoCutCopy) {
    TempFolder dir;
    const QString src = dir.Path(QStringLiteral("sent.agd"));
    const QString dst = dir.Path(QStringLiteral("inbox.agd"));
    WriteBytes(src, QByteArray(6000, 's'));
    WriteBytes(dst, "the sheet received last week");
    bool threw = false;
    try {
        DiskFullAfter disk(4096);
        CopyFileContents(src, dst);
    } catch (const FileWriteError& e) {
        threw = true;
        EXPECT_EQ(e.Path(), dst);
    }
    EXPECT_TRUE(threw);
    EXPECT_EQ(ReadBytes(dst), "the sheet received last week");
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files).size(), 2) << "no temporary file left";
}

// The document folders are made beside the program; a file in the way is reported.
TEST(AppStateFolders, DocumentFoldersAreCreatedBesideTheProgram) {
    TempFolder dir;
    AppState state;
    state.ProgramFolder = dir.Path(QStringLiteral("deep/prog/"));
    state.SetDocumentFolders();
    EXPECT_TRUE(QDir(state.TemplatesDir).exists());
    WriteBytes(dir.Path(QStringLiteral("p2")), "x");
    state.ProgramFolder = dir.Path(QStringLiteral("p2/"));
    EXPECT_THROW(state.SetDocumentFolders(), FileError);
}
