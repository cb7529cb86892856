#include "base/ProfileFile.h"
#include "base/CodePage1253.h"
#include "base/FileErrors.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QFile>

using namespace ekaldo;
using namespace ekaldo::testing;

// Names match without case, values are trimmed and run to the line's end (the
// first "=" splits), cut at 1023 characters; the first section and the first
// key win; what is missing gives the default, an empty value does not.
TEST(ProfileFileRead, ValuesAsTheOfficeFilesHoldThem) {
    const QByteArray header =
        Greek(QStringLiteral("[header]\r\n  fileNAME =  Τάξη Α1.agd  \r\nX=a=b\r\n[Other]\r\nX=2\r\n"));
    const QByteArray twice = "[S]\r\nK=1\r\nK=2\r\n[S]\r\nK=3\r\nM=4\r\n";
    const QByteArray lfOnly = "[S]\nK=" + QByteArray(1023, 'a') + "b\nL=x\n";
    const struct {
        QByteArray file; // null: no file at all
        const char *section, *key;
        QString expected;
    } cases[] = {
        {header, "HEADER", "FileName", QStringLiteral("Τάξη Α1.agd")},
        {header, "Header", "x", QStringLiteral("a=b")},
        {header, "Other", "X", QStringLiteral("2")},
        {QByteArray(), "S", "K", QStringLiteral("d")},
        {"[S]\r\nK=1\r\n", "T", "K", QStringLiteral("d")},
        {"[S]\r\nK=1\r\n", "S", "L", QStringLiteral("d")},
        {"[S]\r\nK=\r\n", "S", "K", QString()},
        {lfOnly, "S", "K", QString(1023, QLatin1Char('a'))},
        {lfOnly, "S", "L", QStringLiteral("x")},
        {twice, "S", "K", QStringLiteral("1")},
        {twice, "S", "M", QStringLiteral("d")},
    };
    TempFolder dir;
    const QString path = dir.Path(QStringLiteral("a.ini"));
    for (const auto& c : cases) {
        QFile::remove(path);
        if (!c.file.isNull())
            WriteBytes(path, c.file);
        EXPECT_EQ(ProfileFile::ReadString(path, QString::fromLatin1(c.section), QString::fromLatin1(c.key),
                                          QStringLiteral("d")),
                  c.expected)
            << c.file.toStdString() << " [" << c.section << "] " << c.key;
    }
}

// A write replaces the key's line in place and keeps every other byte; a
// missing key follows the last line of its section, a missing section is
// appended, a missing file created; line breaks in a value become blanks.
TEST(ProfileFileWrite, ChangesOnlyTheKeysLine) {
    const QByteArray data =
        Greek(QStringLiteral("α/α\tΕΠΩΝΥΜΟ\tΆλγεβρα\r\n1;1;20\tΑλεξίου\t=17,5\r\n[x]\tκ=1\r\n"));
    const struct {
        QByteArray before; // null: no file at all
        const char *section, *key;
        QString value;
        QByteArray after;
    } cases[] = {
        {"[Header]\r\nFile=MORVEN Grades Data\r\nposted =  \r\nSchoolYear=2004-2005\r\n[Data]\r\n" + data,
         "Header", "Posted", QStringLiteral("1/2/2005 10:00:00 AM"),
         "[Header]\r\nFile=MORVEN Grades Data\r\nPosted=1/2/2005 10:00:00 AM\r\nSchoolYear=2004-2005\r\n"
         "[Data]\r\n" +
             data},
        {"; note\r\n[A]\r\nX=1\r\n\r\n[B]\r\nY=2\r\n", "a", "Z", QStringLiteral("3"),
         "; note\r\n[A]\r\nX=1\r\nZ=3\r\n\r\n[B]\r\nY=2\r\n"},
        {"[A]\r\nX=1", "A", "Z", QStringLiteral("3"), "[A]\r\nX=1\r\nZ=3\r\n"},
        {QByteArray(), "Directory", "DBPath", QStringLiteral("/σχολείο/"),
         "[Directory]\r\nDBPath=" + Greek(QStringLiteral("/σχολείο/")) + "\r\n"},
        {"[A]\r\nX=1", "B", "Y", QStringLiteral("2"), "[A]\r\nX=1\r\n[B]\r\nY=2\r\n"},
        {"[Header]\r\nFileName=a\r\n[Data]\r\nx\r\n", "Header", "FileName", QStringLiteral("b\r\n[Data]\nc"),
         "[Header]\r\nFileName=b  [Data] c\r\n[Data]\r\nx\r\n"},
    };
    TempFolder dir;
    const QString path = dir.Path(QStringLiteral("g.agd"));
    for (const auto& c : cases) {
        QFile::remove(path);
        if (!c.before.isNull())
            WriteBytes(path, c.before);
        ProfileFile::WriteString(path, QString::fromLatin1(c.section), QString::fromLatin1(c.key), c.value);
        EXPECT_EQ(ReadBytes(path), c.after) << c.before.toStdString();
    }
}

TEST(ProfileFileWrite, RefusalsLeaveTheFileUntouched) {
    TempFolder dir;
    const QString path = dir.Path(QStringLiteral("a.ini"));
    WriteBytes(path, "[A]\r\nX=1\r\n");
    EXPECT_THROW(
        ProfileFile::WriteString(path, QStringLiteral("A"), QStringLiteral("X"), QStringLiteral("Ж")),
        EncodingError);
    EXPECT_EQ(ReadBytes(path), "[A]\r\nX=1\r\n");
    EXPECT_THROW(ProfileFile::WriteString(dir.Path(QStringLiteral("missing/a.ini")), QStringLiteral("A"),
                                          QStringLiteral("X"), QStringLiteral("1")),
                 FileError)
        << "a folder that cannot hold the file";
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
