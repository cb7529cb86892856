// Printing a grade data file's sheet: the table printing of the sheet windows,
// without the status window and the preview, into a PDF file or on a printer.
#include "CliContext.h"

#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeSheet.h"
#include "base/FileErrors.h"
#include "report/ReportEngine.h"
#include "report/system/SystemPrinters.h"
#include "report/TablePrinting.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace ekaldo {
namespace {

const QString PrintCommandName = QStringLiteral("print");

// The value of an option the common parser does not know to take one: its
// next word (taken out of the command's words) or the text after "=".
QString RawOption(CliContext& cli, const QString& name) {
    if (!cli.Option(name).isEmpty())
        return cli.Option(name);
    const QStringList raw = QCoreApplication::arguments();
    for (qsizetype i = 1; i < raw.size(); ++i) {
        if (raw[i].startsWith(name + QLatin1Char('=')))
            return raw[i].mid(name.size() + 1);
        if (raw[i] == name && i + 1 < raw.size()) {
            cli.arguments.removeOne(raw[i + 1]);
            return raw[i + 1];
        }
    }
    return QString();
}

// A path as given, else a name in the OutBox, else in the InBox.
QString FindGradeFile(const CliContext& cli, const QString& name) {
    if (QFileInfo(name).isFile())
        return QFileInfo(name).absoluteFilePath();
    for (const char* folder : {"Exports", "Imports"}) {
        const QString path = QDir(cli.state.ProgramFolder + QString::fromLatin1(folder)).filePath(name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

int Print(CliContext& cli) {
    const QString pdf = RawOption(cli, QStringLiteral("--pdf"));
    const QString printer = RawOption(cli, QStringLiteral("--printer"));
    if (cli.arguments.size() != 1 || pdf.isEmpty() == printer.isEmpty())
        return Fail(
            QStringLiteral("Χρήση: ekaldo-cli print ΑΡΧΕΙΟ.agd (--pdf ΕΞΟΔΟΣ.pdf | --printer ΕΚΤΥΠΩΤΗΣ)"));
    const QString path = FindGradeFile(cli, cli.arguments.front());
    if (path.isEmpty())
        return Fail(FileMessage(cli.arguments.front(), QStringLiteral(" δεν υπάρχει!")));

    ReadGradeFileHeader(cli.state, path);
    GradeSheet sheet;
    if (!ReadGradeDataRows(path, cli.ui, sheet, nullptr))
        return 1;
    cli.state.ReportTitle = ReportTitleOf(QFileInfo(path).fileName());

    QString printerName = Printers::PdfPrinterName;
    if (!printer.isEmpty()) {
        InstallSystemPrinters();
        printerName = Printers::Match(printer);
        if (printerName.isEmpty())
            return Fail(QStringLiteral("Ο εκτυπωτής \"") + printer +
                        QStringLiteral("\" δεν βρέθηκε. Εκτυπωτές: ") +
                        Printers::Names().join(QStringLiteral(", ")));
        // The PDF printer needs its file, which only --pdf gives here.
        if (printerName == Printers::PdfPrinterName)
            return Fail(QStringLiteral("Για αρχείο PDF δώστε --pdf ΕΞΟΔΟΣ.pdf."));
    }

    QBuffer stream;
    stream.open(QIODevice::ReadWrite);
    TReportFiler filer;
    SetUpTableReport(filer);
    filer.Ui = &cli.ui;
    filer.Stream = &stream;
    filer.ChoosePrinter(printerName);
    TablePrintJob job(cli.state.ReportTitle, cli.state.GradeFileHeader.SchoolYear, cli.ui, sheet, DefaultSheetColumnWidths(sheet.ColCount()));
    job.Attach(filer);
    filer.Execute();

    TFilePrinter out;
    out.Ui = &cli.ui;
    out.Stream = &stream;
    out.Title = cli.state.ReportTitle;
    out.PdfFileName = pdf.isEmpty() ? QString() : QFileInfo(pdf).absoluteFilePath();
    out.ChoosePrinter(printerName);
    out.Execute();
    PrintOut(QString::number(filer.CurrentPage()) + QStringLiteral(" σελίδες: ") +
             (pdf.isEmpty() ? printerName : out.PdfFileName) + QLatin1Char('\n'));
    return 0;
}

// The word that names the command, the options and their values aside.
QString CommandWord(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const QString a = QString::fromLocal8Bit(argv[i]);
        if (a.startsWith(QStringLiteral("--")) && a.size() > 2) {
            if (!a.contains(QLatin1Char('=')) && ValueOptions().contains(a))
                ++i;
            continue;
        }
        return a;
    }
    return QString();
}

} // namespace

std::unique_ptr<QCoreApplication> MakeCliApplication(int& argc, char** argv) {
    if (CommandWord(argc, argv) != PrintCommandName)
        return std::make_unique<QCoreApplication>(argc, argv);
    // Printing needs fonts and painting, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

void AddPrintCommands(QList<CliCommand>& commands) {
    commands.append({PrintCommandName, QStringLiteral("ΑΡΧΕΙΟ.agd (--pdf ΕΞΟΔΟΣ.pdf | --printer ΕΚΤΥΠΩΤΗΣ)"),
                     1, 3, Print});
}

} // namespace ekaldo
