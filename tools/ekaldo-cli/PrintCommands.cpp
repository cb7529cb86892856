// Printing a grade data file's sheet: the table printing of the sheet windows,
// without the status window and the preview, into a PDF file or on a printer.
#include "CliContext.h"
#include "CommandLine.h"

#include "base/FileErrors.h"
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeSheet.h"
#include "report/ReportEngine.h"
#include "report/TablePrinting.h"
#include "report/system/SystemPrinters.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>

namespace ekaldo {
namespace {

const QString PrintCommandName = QStringLiteral("print");

// A path as given, else a name in the OutBox, else in the InBox.
QString FindGradeFile(const CliContext& cli, const QString& name) {
    if (QFileInfo(name).isFile())
        return QFileInfo(name).absoluteFilePath();
    for (const char* folder : {"Exports", "Imports"}) {
        QString path = QDir(cli.settings.ProgramFolder + QString::fromLatin1(folder)).filePath(name);
        if (QFileInfo(path).isFile())
            return path;
    }
    return QString();
}

int Print(CliContext& cli) {
    const QString pdf = cli.Option(QStringLiteral("--pdf"));
    const QString printer = cli.Option(QStringLiteral("--printer"));
    if (pdf.isEmpty() == printer.isEmpty())
        return Fail(
            QStringLiteral("Χρήση: ekaldo-cli print ΑΡΧΕΙΟ.agd (--pdf ΕΞΟΔΟΣ.pdf | --printer ΕΚΤΥΠΩΤΗΣ)"));
    const QString path = FindGradeFile(cli, cli.arguments.front());
    if (path.isEmpty())
        return Fail(FileMessage(cli.arguments.front(), QStringLiteral(" δεν υπάρχει!")));

    const GradeHeader header = ReadGradeHeader(path);
    GradeSheet sheet;
    if (!ReadGradeDataRows(path, cli.ui, sheet, nullptr))
        return 1;
    const QString reportTitle = ReportTitleOf(QFileInfo(path).fileName());

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
    TablePrintJob job(reportTitle, header.SchoolYear, cli.ui, sheet,
                      DefaultSheetColumnWidths(sheet.ColCount()));
    job.Attach(filer);
    filer.Execute();

    TFilePrinter out;
    out.Ui = &cli.ui;
    out.Stream = &stream;
    out.Title = reportTitle;
    out.PdfFileName = pdf.isEmpty() ? QString() : QFileInfo(pdf).absoluteFilePath();
    out.ChoosePrinter(printerName);
    out.Execute();
    PrintOut(QString::number(filer.CurrentPage()) + QStringLiteral(" σελίδες: ") +
             (pdf.isEmpty() ? printerName : out.PdfFileName) + QLatin1Char('\n'));
    return 0;
}

} // namespace

std::unique_ptr<QCoreApplication> MakeCliApplication(int& argc, char** argv) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (CommandNameIn(arguments) != PrintCommandName)
        return std::make_unique<QCoreApplication>(argc, argv);
    // Printing needs fonts and painting, not a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    return std::make_unique<QGuiApplication>(argc, argv);
}

void AddPrintCommands(QList<CliCommand>& commands) {
    commands.append({PrintCommandName, Print});
}

} // namespace ekaldo
