// The user guide (docs/guide) and the help file's links into it: every
// picture and link leads somewhere, every part of the daily work has its
// section, and the help window shows the guide with its pictures or says in
// Greek why it cannot.
#include "gui/shell/THelpWindow.h"
#include "support/ScriptedUiServices.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QImage>
#include <QPixmap>
#include <QPushButton>
#include <QRegularExpression>
#include <QSet>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QUrl>

#include <gtest/gtest.h>

using namespace ekaldo;
using namespace ekaldo::testing;

namespace {

const QString kSourceDir = QStringLiteral(EKALDO_SOURCE_DIR);

const QString kGuideDir = kSourceDir + QStringLiteral("/docs/guide");
const QString kHelpPath = kSourceDir + QStringLiteral("/help/Zentik.hlp");

// The sections the office's daily work needs, by their anchors in the guide.
const QStringList kRequiredSections =
    QStringLiteral("purpose journey start open-year sign-in compose grade-column save templates send receive "
                   "workbook view check post undo backups print pdf settings troubleshooting messages cli")
        .split(QLatin1Char(' '));

QString ReadText(const QString& path) {
    const QByteArray bytes = ReadBytes(path);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    EXPECT_FALSE(decoder.hasError()) << path.toStdString() << " is not UTF-8";
    return text;
}

QStringList Captures(const QString& text, const QString& pattern) {
    QStringList found;
    const QRegularExpression re(pattern, QRegularExpression::CaseInsensitiveOption);
    for (auto it = re.globalMatch(text); it.hasNext();)
        found.append(it.next().captured(1));
    return found;
}

QStringList ImageSources(const QString& html) {
    return Captures(html, QStringLiteral(R"re(<img\s[^>]*src="([^"]*)")re"));
}
QStringList LinkTargets(const QString& html) {
    return Captures(html, QStringLiteral(R"re(<a\s[^>]*href="([^"]*)")re"));
}
QSet<QString> Anchors(const QString& html) {
    const QStringList names = Captures(html, QStringLiteral(R"re((?:<a\s[^>]*name|\sid)="([^"]*)")re"));
    return QSet<QString>(names.begin(), names.end());
}

// A page's text from its anchor to the next anchor.
QString HelpSection(const QString& help, const QString& anchor) {
    const QString start = QStringLiteral("<a name=\"%1\"></a>").arg(anchor);
    const qsizetype from = help.indexOf(start);
    if (from < 0)
        return QString();
    const qsizetype to = help.indexOf(QStringLiteral("<a name=\""), from + start.size());
    return help.mid(from, to < 0 ? -1 : to - from);
}

void CopyFolder(const QString& from, const QString& to) {
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).path());
        ASSERT_TRUE(QFile::copy(file, target)) << target.toStdString();
    }
}

// A program's shared folder as the build and the installation lay it out:
// the help file, and the guide in the folder "guide" beside it.
struct InstalledHelp {
    TempFolder dir;
    InstalledHelp(bool withGuide) {
        EXPECT_TRUE(QFile::copy(kHelpPath, HelpFile()));
        if (withGuide)
            CopyFolder(kGuideDir, dir.Path(QStringLiteral("guide")));
    }
    QString HelpFile() const { return dir.Path(QStringLiteral("Zentik.hlp")); }
    QString GuideFile() const { return dir.Path(QStringLiteral("guide/index.html")); }
};

QString ShownFile(const THelpWindow& help) {
    return QFileInfo(help.Browser()->source().toLocalFile()).canonicalFilePath();
}

bool ImageLoads(const QVariant& resource) {
    if (resource.canConvert<QImage>() && !resource.value<QImage>().isNull())
        return true;
    if (resource.canConvert<QPixmap>() && !resource.value<QPixmap>().isNull())
        return true;
    return resource.typeId() == QMetaType::QByteArray && !QImage::fromData(resource.toByteArray()).isNull();
}

} // namespace

// The guide and the help file's way into it, as one lint: plain UTF-8 HTML
// that needs nothing from outside, every picture a real image shown at its
// own size, every link leading to an anchor, every part of the daily work in
// its own section listed in the contents, and each main section of the help
// leading to its place in the guide.
TEST(GuideDocument, LintPicturesLinksAndSections) {
    const QString html = ReadText(kGuideDir + QStringLiteral("/index.html"));
    ASSERT_FALSE(html.isEmpty());
    EXPECT_TRUE(html.contains(QStringLiteral("<meta charset=\"utf-8\">")));
    EXPECT_TRUE(html.contains(QStringLiteral("<html lang=\"el\">")));
    for (const char* banned : {"<script", "<link", "@import", "http://", "https://", "@font-face"})
        EXPECT_FALSE(html.contains(QLatin1String(banned), Qt::CaseInsensitive)) << banned;

    const QStringList sources = ImageSources(html);
    ASSERT_GE(sources.size(), 20) << "a guide with pictures";
    // A picture scaled by the page is scaled again, without smoothing, by the
    // help window, and its small print becomes unreadable.
    for (const QString& tag : Captures(html, QStringLiteral(R"re((<img\s[^>]*>))re")))
        EXPECT_FALSE(tag.contains(QStringLiteral("width=")) || tag.contains(QStringLiteral("height=")))
            << tag.toStdString() << " is not shown at its own size";
    QSet<QString> shown;
    for (const QString& source : sources) {
        EXPECT_TRUE(source.startsWith(QStringLiteral("images/"))) << source.toStdString();
        EXPECT_FALSE(QImage(kGuideDir + QLatin1Char('/') + source).isNull())
            << source.toStdString() << " is missing or not an image";
        shown.insert(QFileInfo(source).fileName());
    }
    qint64 total = 0;
    for (const QFileInfo& file : QDir(kGuideDir + QStringLiteral("/images")).entryInfoList(QDir::Files)) {
        EXPECT_TRUE(shown.contains(file.fileName())) << file.fileName().toStdString() << " is shown nowhere";
        total += file.size();
    }
    EXPECT_LT(total, 2 * 1024 * 1024) << "the pictures travel with every installation";

    const QSet<QString> anchors = Anchors(html);
    const QStringList links = LinkTargets(html);
    for (const QString& link : links) {
        EXPECT_TRUE(link.startsWith(QLatin1Char('#'))) << link.toStdString() << ": the guide stands alone";
        EXPECT_TRUE(anchors.contains(link.mid(1))) << link.toStdString() << " leads nowhere";
    }
    for (const QString& section : kRequiredSections) {
        const QRegularExpression heading(
            QStringLiteral("<a name=\"%1\"></a>\\s*<h2>[^<]+</h2>").arg(section));
        EXPECT_TRUE(heading.match(html).hasMatch()) << section.toStdString() << " has no section";
        EXPECT_TRUE(links.contains(QLatin1Char('#') + section))
            << section.toStdString() << " is not in the contents";
    }
    // Where an undone posting's copies are kept must be said, by the folder's name.
    const QString backups = HelpSection(html, QStringLiteral("backups"));
    for (const char* name : {"Backups", "Imports", "Journal.txt"})
        EXPECT_TRUE(backups.contains(QLatin1String(name))) << name;

    const QString help = ReadText(kHelpPath);
    int guideLinks = 0;
    for (const QString& link : LinkTargets(help)) {
        if (!link.startsWith(QStringLiteral("guide/")))
            continue;
        ++guideLinks;
        const QUrl url(link);
        EXPECT_TRUE(QFileInfo(kGuideDir + QLatin1Char('/') + url.path().mid(6)).isFile())
            << link.toStdString();
        EXPECT_TRUE(!url.hasFragment() || anchors.contains(url.fragment()))
            << link.toStdString() << " leads nowhere";
    }
    EXPECT_GE(guideLinks, 10);
    for (const char* section :
         {"journey", "ctx1000", "ctx1020", "ctx1030", "ctx1040", "ctx1070", "ctx1110", "ctx1200"})
        EXPECT_TRUE(HelpSection(help, QString::fromLatin1(section))
                        .contains(QStringLiteral("href=\"guide/index.html#")))
            << section << " has no guide link";
}

// The help window shows the guide, with its pictures, from its button and
// from the help's links, and Back returns to the help; a missing guide is
// reported in Greek with where it belongs, and the help stays shown.
TEST(HelpWindowGuide, TheGuideButtonShowsTheGuideWithItsPicturesAndBackReturnsToTheHelp) {
    for (const bool withGuide : {true, false}) {
        SCOPED_TRACE(withGuide);
        InstalledHelp installed(withGuide);
        ScriptedUiServices ui;
        THelpWindow help(installed.HelpFile(), ui);
        help.ShowContext(1110);
        const QString helpFile = QFileInfo(installed.HelpFile()).canonicalFilePath();
        const QUrl link(
            LinkTargets(ReadText(installed.HelpFile())).filter(QStringLiteral("guide/")).value(0));
        ASSERT_FALSE(link.isEmpty());
        if (!withGuide) {
            const QString message =
                QStringLiteral("Το Αρχείο \"") + installed.GuideFile() +
                QStringLiteral("\" δεν βρέθηκε!\nΟ Οδηγός χρήσης βρίσκεται στον φάκελο \"") +
                installed.dir.Path(QStringLiteral("guide")) +
                QStringLiteral("\", δίπλα στο αρχείο βοήθειας· εγκαταστήστε ξανά το πρόγραμμα.");
            ui.ExpectMessage(MessageIcon::Error, message).ExpectMessage(MessageIcon::Error, message);
        }
        const QString shown = withGuide ? QFileInfo(installed.GuideFile()).canonicalFilePath() : helpFile;
        help.GuideButton()->click();
        EXPECT_EQ(ShownFile(help), shown);
        if (withGuide) {
            for (const QString& source : ImageSources(ReadText(installed.GuideFile())))
                EXPECT_TRUE(ImageLoads(
                    help.Browser()->document()->resource(QTextDocument::ImageResource, QUrl(source))))
                    << source.toStdString() << " does not load in the help window";
            help.BackButton()->click();
            EXPECT_EQ(ShownFile(help), helpFile);
        }
        help.FollowLink(link);
        EXPECT_EQ(ShownFile(help), shown) << link.toString().toStdString();
        if (withGuide) {
            EXPECT_EQ(help.Browser()->source().fragment(), link.fragment());
        }
        ui.VerifyAllUsed();
    }
}
