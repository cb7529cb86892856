// The main window's document folders from the command line: list, send,
// receive and delete, without dialogs.
#include "CliContext.h"

#include "base/FileErrors.h"
#include "core/shell/DocumentFolders.h"
#include "core/shell/DocumentTransfer.h"

#include <QDir>
#include <QFileInfo>

namespace ekaldo {
namespace {

std::optional<DocumentPage> PageNamed(const QString& name) {
    if (name == QStringLiteral("inbox"))
        return DocumentPage::InBox;
    if (name == QStringLiteral("outbox"))
        return DocumentPage::OutBox;
    if (name == QStringLiteral("templates"))
        return DocumentPage::Templates;
    return std::nullopt;
}

int BadPage(const QString& name) {
    return Fail(QStringLiteral("Άγνωστος φάκελος \"") + name +
                QStringLiteral("\": inbox, outbox ή templates."));
}

int PrepareFolders(CliContext& cli) {
    cli.settings.SetDocumentFolders();
    return 0;
}

int List(CliContext& cli) {
    const auto page = PageNamed(cli.arguments.at(0));
    if (!page)
        return BadPage(cli.arguments.at(0));
    PrepareFolders(cli);
    DocumentListModel model(*page);
    model.SetRows(ListDocuments(cli.settings, *page));
    QString out;
    const int cols = ColumnCountOf(*page);
    for (int c = 0; c < cols; ++c) {
        if (c == 1)
            continue; // the icon column has no text
        out += (c ? QStringLiteral("\t") : QString()) + ColumnTitle(c);
    }
    out += QLatin1Char('\n');
    for (int r = 0; r < model.rowCount(); ++r) {
        if (model.FileNameAt(r).isEmpty())
            continue;
        for (int c = 0; c < cols; ++c) {
            if (c == 1)
                continue;
            out += (c ? QStringLiteral("\t") : QString()) + model.CellText(r, c);
        }
        out += QLatin1Char('\n');
    }
    PrintOut(out);
    return 0;
}

int RefuseExisting(const QString& path) {
    return Fail(FileMessage(path, QStringLiteral(" υπάρχει!")) +
                QStringLiteral("\nΔώστε --overwrite για να επικαλυφθεί."));
}

int Send(CliContext& cli) {
    PrepareFolders(cli);
    const QString name = cli.arguments.at(0);
    const QString source = DocumentPath(cli.settings, DocumentPage::OutBox, name);
    if (!QFileInfo(source).isFile())
        return Fail(FileMessage(source, QStringLiteral(" δεν υπάρχει!")));
    QString destination = cli.arguments.at(1);
    if (QFileInfo(destination).isDir())
        destination = QDir(destination).filePath(name);
    const bool workbook = cli.Flag(QStringLiteral("--workbook"));
    if (workbook && QFileInfo(cli.arguments.at(1)).isDir())
        destination =
            QDir(cli.arguments.at(1)).filePath(QFileInfo(name).completeBaseName() + QStringLiteral(".xlsx"));
    if (QFileInfo::exists(destination) && !cli.Flag(QStringLiteral("--overwrite")))
        return RefuseExisting(destination);
    cli.ui.SetAnswerYes(true);
    if (workbook)
        return SendGradeWorkbookTo(cli.ui, source, destination) ? 0 : 1;
    return SendGradeFileTo(cli.ui, source, destination) ? 0 : 1;
}

int Receive(CliContext& cli) {
    PrepareFolders(cli);
    const QString source = cli.arguments.at(0);
    if (!QFileInfo(source).isFile())
        return Fail(FileMessage(source, QStringLiteral(" δεν υπάρχει!")));
    const auto destination = ReceivedFileDestination(cli.settings, source);
    if (destination && QFileInfo::exists(*destination) && !cli.Flag(QStringLiteral("--overwrite")))
        return RefuseExisting(*destination);
    cli.ui.SetAnswerYes(true);
    return ReceiveGradeFileFrom(cli.settings, cli.session, cli.ui, source) ? 0 : 1;
}

int Delete(CliContext& cli) {
    const auto page = PageNamed(cli.arguments.at(0));
    if (!page)
        return BadPage(cli.arguments.at(0));
    if (!cli.Flag(QStringLiteral("--yes")))
        return Fail(QStringLiteral("Η διαγραφή θέλει επιβεβαίωση: δώστε --yes."));
    PrepareFolders(cli);
    const QString name = cli.arguments.at(1);
    if (name.contains(QLatin1Char('/')) || name.contains(QLatin1Char('\\')))
        return Fail(QStringLiteral("Δώστε μόνο το όνομα του αρχείου, χωρίς φάκελο."));
    cli.ui.SetAnswerYes(true);
    return DeleteDocument(cli.settings, cli.ui, *page, name) ? 0 : 1;
}

} // namespace

void AddDocumentCommands(QList<CliCommand>& commands) {
    commands.append({QStringLiteral("list"), List});
    commands.append({QStringLiteral("send"), Send});
    commands.append({QStringLiteral("receive"), Receive});
    commands.append({QStringLiteral("delete"), Delete});
}

} // namespace ekaldo
