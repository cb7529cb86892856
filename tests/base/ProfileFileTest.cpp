#include "base/ProfileFile.h"
#include "base/CodePage1253.h"
#include "base/FileErrors.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

using namespace ekaldo;
using namespace ekaldo::testing;

TEST(ProfileFileRead, NamesMatchWithoutCaseAndValuesAreTrimmed) {
    TempFolder dir;
    const QString path = dir.Path(QStringLiteral("a.ini"));
    WriteBytes(path, Greek(QStringLiteral(
                         "[header]\r\n  fileNAME =  Τάξη Α1.agd  \r\nX=a=b\r\n[Other]\r\nX=2\r\n")));
    EXPECT_EQ(ProfileFile::ReadString(path, QStringLiteral("HEADER"), QStringLiteral("FileName")),
              QStringLiteral("Τάξη Α1.agd"));
    // The value is everything after the first "=".
    EXPECT_EQ(ProfileFile::ReadString(path, QStringLiteral("Header"), QStringLiteral("x")),
              QStringLiteral("a=b"));
    EXPECT_EQ(ProfileFile::ReadString(path, QStringLiteral("Other"), QStringLiteral("X")),
              QStringLiteral("2"));
}

TEST(ProfileFileRead, MissingFileSectionOrKeyGivesTheDefault) {
    TempFolder dir;
    const QString path = dir.Path(QStringLiteral("a.ini"));
    EXPECT_EQ(ProfileFile::ReadString(path, QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("d")),
              QStringLiteral("d"));
    WriteBytes(path, "[S]\r\nK=1\r\n");
    EXPECT_EQ(ProfileFile::ReadString(path, QStringLiteral("T"), QStringLiteral("K"), QStringLiteral("d")),
              QStringLiteral("d"));
    EXPECT_EQ(ProfileFile::ReadString(path, QStringLiteral("S"), QStringLiteral("L"), QStringLiteral("d")),
              QStringLiteral("d"));
    // A key present with an empty value is not missing.
    WriteBytes(path, "[S]\r\nK=\r\n");
    EXPECT_EQ(ProfileFile::ReadString(path, QStringLiteral("S"), QStringLiteral("K"), QStringLiteral("d")),
              QString());
}

TEST(ProfileFileRead, ValuesAreCutAt1023CharactersAndLfOnlyFilesRead) {
    TempFolder dir;
    const QString path = dir.Path(QStringLiteral("a.ini"));
    WriteBytes(path, "[S]\nK=" + QByteArray(1023, 'a') + "b\nL=x\n");
    EXPECT_EQ(ProfileFile::ReadString(path, QStringLiteral("S"), QStringLiteral("K")),
              QString(1023, QLatin1Char('a')));
    EXPECT_EQ(ProfileFile::ReadString(path, QStringLiteral("S"), QStringLiteral("L")), QStringLiteral("x"));
}

TEST(ProfileFileRead, FirstSectionAndFirstKeyWin) {
    TempFolder dir;
    const QString path = dir.Path(QStringLiteral("a.ini"));
    WriteBytes(path, "[S]\r\nK=1\r\nK=2\r\n[S]\r\nK=3\r\nM=4\r\n");
    EXPECT_EQ(ProfileFile::ReadString(path, QStringLiteral("S"), QStringLiteral("K")), QStringLiteral("1"));
    EXPECT_EQ(ProfileFile::ReadString(path, QStringLiteral("S"), QStringLiteral("M")), QString());
}

TEST(ProfileFileWrite, ReplacesTheKeyLineInPlaceAndKeepsEveryOtherByte) {
    TempFolder dir;
    const QString path = dir.Path(QStringLiteral("g.agd"));
    const QByteArray data =
        Greek(QStringLiteral("α/α\tΕΠΩΝΥΜΟ\tΆλγεβρα\r\n1;1;20\tΑλεξίου\t=17,5\r\n[x]\tκ=1\r\n"));
    const QByteArray before =
        "[Header]\r\nFile=MORVEN Grades Data\r\nposted =  \r\nSchoolYear=2004-2005\r\n[Data]\r\n";
    WriteBytes(path, before + data);
    ProfileFile::WriteString(path, QStringLiteral("Header"), QStringLiteral("Posted"),
                             QStringLiteral("1/2/2005 10:00:00 AM"));
    EXPECT_EQ(ReadBytes(path), "[Header]\r\nFile=MORVEN Grades Data\r\nPosted=1/2/2005 10:00:00 AM\r\n"
                               "SchoolYear=2004-2005\r\n[Data]\r\n" +
                                   data);
}

TEST(ProfileFileWrite, MissingKeyFollowsTheLastLineOfItsSection) {
    TempFolder dir;
    const QString path = dir.Path(QStringLiteral("a.ini"));
    WriteBytes(path, "; note\r\n[A]\r\nX=1\r\n\r\n[B]\r\nY=2\r\n");
    ProfileFile::WriteString(path, QStringLiteral("a"), QStringLiteral("Z"), QStringLiteral("3"));
    EXPECT_EQ(ReadBytes(path), "; note\r\n[A]\r\nX=1\r\nZ=3\r\n\r\n[B]\r\nY=2\r\n");
    // The last section, its last line without a line end.
    WriteBytes(path, "[A]\r\nX=1");
    ProfileFile::WriteString(path, QStringLiteral("A"), QStringLiteral("Z"), QStringLiteral("3"));
    EXPECT_EQ(ReadBytes(path), "[A]\r\nX=1\r\nZ=3\r\n");
}

TEST(ProfileFileWrite, MissingSectionIsAppendedAndMissingFileCreated) {
    TempFolder dir;
    const QString path = dir.Path(QStringLiteral("a.ini"));
    ProfileFile::WriteString(path, QStringLiteral("Directory"), QStringLiteral("DBPath"),
                             QStringLiteral("/σχολείο/"));
    EXPECT_EQ(ReadBytes(path), "[Directory]\r\nDBPath=" + Greek(QStringLiteral("/σχολείο/")) + "\r\n");
    WriteBytes(path, "[A]\r\nX=1");
    ProfileFile::WriteString(path, QStringLiteral("B"), QStringLiteral("Y"), QStringLiteral("2"));
    EXPECT_EQ(ReadBytes(path), "[A]\r\nX=1\r\n[B]\r\nY=2\r\n");
}

TEST(ProfileFileWrite, LineBreaksInAValueBecomeBlanks) {
    TempFolder dir;
    const QString path = dir.Path(QStringLiteral("a.ini"));
    WriteBytes(path, "[Header]\r\nFileName=a\r\n[Data]\r\nx\r\n");
    ProfileFile::WriteString(path, QStringLiteral("Header"), QStringLiteral("FileName"),
                             QStringLiteral("b\r\n[Data]\nc"));
    EXPECT_EQ(ReadBytes(path), "[Header]\r\nFileName=b  [Data] c\r\n[Data]\r\nx\r\n");
}

TEST(ProfileFileWrite, UnencodableValueIsRefusedAndTheFileUntouched) {
    TempFolder dir;
    const QString path = dir.Path(QStringLiteral("a.ini"));
    WriteBytes(path, "[A]\r\nX=1\r\n");
    EXPECT_THROW(
        ProfileFile::WriteString(path, QStringLiteral("A"), QStringLiteral("X"), QStringLiteral("Ж")),
        EncodingError);
    EXPECT_EQ(ReadBytes(path), "[A]\r\nX=1\r\n");
}

TEST(ProfileFileWrite, AFailedWriteLeavesTheOriginalWholeAndNamesTheFile) {
    // Larger and smaller than the write buffer: the last bytes of a file that
    // fits in the buffer are written only when it is flushed.
    for (const int size : {6000, 20000}) {
        TempFolder dir;
        const QString path = dir.Path(QStringLiteral("big.agd"));
        const QByteArray original = "[Header]\r\nPosted=\r\n[Data]\r\n" + QByteArray(size, 'x') + "\r\n";
        WriteBytes(path, original);
        bool threw = false;
        try {
            DiskFullAfter disk(4096);
            ProfileFile::WriteString(path, QStringLiteral("Header"), QStringLiteral("Posted"),
                                     QStringLiteral("now"));
        } catch (const FileError& e) {
            threw = true;
            EXPECT_EQ(e.Path(), path);
            EXPECT_TRUE(e.Message().contains(path));
        }
        EXPECT_TRUE(threw) << size;
        EXPECT_EQ(ReadBytes(path), original) << size;
        EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files), QStringList{QStringLiteral("big.agd")})
            << "no temporary file left";
    }
}

TEST(ProfileFileWrite, AFolderThatCannotHoldTheFileIsReported) {
    TempFolder dir;
    const QString path = dir.Path(QStringLiteral("missing/a.ini"));
    EXPECT_THROW(
        ProfileFile::WriteString(path, QStringLiteral("A"), QStringLiteral("X"), QStringLiteral("1")),
        FileError);
}
