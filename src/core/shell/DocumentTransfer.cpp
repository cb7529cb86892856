#include "core/shell/DocumentTransfer.h"

#include "base/FileErrors.h"
#include "base/ProfileFile.h"
#include "base/RegionalFormats.h"
#include "base/SharedRoutines.h"
#include "base/UiServices.h"
#include "core/exchange/DocumentInHand.h"
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeSheet.h"
#include "core/exchange/GradeWorkbook.h"
#include "core/shell/ProgramSettings.h"
#include "schooldb/SchoolYearSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace ekaldo {
namespace {

QString WithGradeExtension(const QString& path) {
    const QFileInfo info(path);
    const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    return QDir(info.path()).filePath(base + QStringLiteral(".agd"));
}

QString FolderOfPath(const QString& path) {
    return QDir::toNativeSeparators(QFileInfo(path).absolutePath());
}

bool SameFile(const QString& a, const QString& b) {
    const QFileInfo fa(a), fb(b);
    if (!fa.exists() || !fb.exists())
        return false;
    return fa.canonicalFilePath() == fb.canonicalFilePath();
}

void ReportCannotCreate(UiServices& ui, const QString& destination) {
    ui.Error(FileMessage(destination, QStringLiteral(" δεν μπορεί να δημιουργηθεί!")) +
             QStringLiteral("\nΕλέγξτε την ονομασία του Αρχείου!"));
}

// True when the destination is free or the user agrees to replace it.
bool MayOverwrite(UiServices& ui, const QString& destination) {
    if (!QFileInfo::exists(destination))
        return true;
    return ui.ShowMessage(MessageIcon::Question,
                          FileMessage(destination, QStringLiteral(" υπάρχει!")) +
                              QStringLiteral("\nΘέλετε να το επικαλύψετε;"),
                          MessageButtons::YesNo) == MessageAnswer::Yes;
}

FileDialogRequest TransferDialog(const QString& title, const QString& folder, const QString& name) {
    FileDialogRequest request;
    request.title = title;
    request.folder = folder;
    request.fileName = name;
    request.filter = GradeFileFilter();
    request.defaultSuffix = QStringLiteral("agd");
    return request;
}

// The InBox path for the file name a header gives: only its last part counts,
// whichever separator the sender's system used, so a header can never place
// the copy outside the InBox.
std::optional<QString> InBoxPathFor(const ProgramSettings& settings, QString name) {
    name = name.mid(std::max(name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char('/'))) + 1)
               .trimmed();
    if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral(".."))
        return std::nullopt;
    // A control character (a NUL above all) would cut the name short on its way
    // to the file system and leave a copy under a name no list shows.
    if (std::any_of(name.cbegin(), name.cend(),
                    [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }))
        return std::nullopt;
    return DocumentPath(settings, DocumentPage::InBox, name);
}

// The school year a received workbook must belong to: the open one, if any.
QString ExpectedSchoolYear(const SchoolYearSession& session) {
    return session.SchoolYearOpen() ? SchoolYearOfLabel(session.SchoolYearLabel) : QString();
}

void ReportNotReceived(UiServices& ui, const QString& source, const QString& reason) {
    ui.Error(FileMessage(source, QStringLiteral(" δεν μπορεί να ληφθεί!")) + QLatin1Char('\n') + reason);
}

bool ReceiveGradeWorkbookFrom(const ProgramSettings& settings, const SchoolYearSession& session,
                              UiServices& ui, const QString& source, GradeHeader* received) {
    WorkbookReceipt receipt;
    try {
        receipt = ReadGradeWorkbookFile(source, ExpectedSchoolYear(session));
    } catch (const EkaldoError& e) {
        ReportNotReceived(ui, source, e.Message());
        return false;
    }
    if (received)
        *received = receipt.header;
    const auto destination = InBoxPathFor(settings, receipt.header.FileName);
    if (!destination) {
        ReportCannotCreate(ui, DocumentPath(settings, DocumentPage::InBox, QString()));
        return false;
    }
    // What came back, before anything is written.
    if (ui.ShowMessage(MessageIcon::Question,
                       FileMessage(source, QStringLiteral(":\n")) + ReceiptSummary(receipt) +
                           QStringLiteral("\nΝα γραφτεί ως \"") + *destination + QStringLiteral("\";"),
                       MessageButtons::YesNo) != MessageAnswer::Yes)
        return false;
    if (!MayOverwrite(ui, *destination))
        return false;
    try {
        receipt.header.Imported = RegionalFormats::DateTimeText(ui.Now());
        ReplaceFileAtomically(*destination, GradeDataFileBytes(receipt.header, receipt.sheet));
    } catch (const EncodingError& e) {
        ui.Error(FileMessage(*destination, QStringLiteral(" δεν μπορεί να δημιουργηθεί!")) +
                 QLatin1Char('\n') + e.Message());
        return false;
    } catch (const EkaldoError&) {
        ReportCannotCreate(ui, *destination);
        return false;
    }
    ui.Information(FileMessage(*destination, QStringLiteral(" ελήφθη επιτυχώς!")));
    return true;
}

} // namespace

QString GradeFileFilter() {
    return QStringLiteral("Αρχείο Βαθμολογίας (*.agd)");
}

QString ReceiveFileFilter() {
    return QStringLiteral("Αρχείο Βαθμολογίας ή Λογιστικό Φύλλο (*.agd *.xlsx);;") + GradeFileFilter() +
           QStringLiteral(";;") + WorkbookFileFilter();
}
QString WorkbookFileFilter() {
    return QStringLiteral("Λογιστικό Φύλλο (*.xlsx)");
}

void SendGradeFile(ProgramSettings& settings, DocumentInHand& document, UiServices& ui,
                   const QString& outBoxName) {
    const auto chosen = ui.GetSaveFileName(
        TransferDialog(QStringLiteral("Αποστολή Αρχείου.."), settings.LastSendFolder, outBoxName));
    if (!chosen)
        return;
    document.CurrentFileName = WithGradeExtension(*chosen);
    settings.LastSendFolder = FolderOfPath(document.CurrentFileName);
    SendGradeFileTo(ui, DocumentPath(settings, DocumentPage::OutBox, outBoxName), *chosen);
}

bool SendGradeFileTo(UiServices& ui, const QString& source, const QString& destination) {
    if (!MayOverwrite(ui, destination))
        return false;
    // Copying a file onto itself would empty it before reading it.
    if (SameFile(source, destination)) {
        ReportCannotCreate(ui, destination);
        return false;
    }
    try {
        CopyFileContents(source, destination);
        const QString stamp = RegionalFormats::DateTimeText(ui.Now());
        WriteGradeFileHeaderKey(source, QStringLiteral("Exported"), stamp);
        WriteGradeFileHeaderKey(destination, QStringLiteral("Exported"), stamp);
    } catch (const EkaldoError&) {
        ReportCannotCreate(ui, destination);
        return false;
    }
    ui.Information(FileMessage(destination, QStringLiteral(" απεστάλη επιτυχώς!")));
    return true;
}

void SendGradeWorkbook(ProgramSettings& settings, UiServices& ui, const QString& outBoxName) {
    FileDialogRequest request =
        TransferDialog(QStringLiteral("Αποστολή ως Λογιστικό Φύλλο.."), settings.LastSendFolder,
                       QFileInfo(outBoxName).completeBaseName() + QStringLiteral(".xlsx"));
    request.filter = WorkbookFileFilter();
    request.defaultSuffix = QStringLiteral("xlsx");
    const auto chosen = ui.GetSaveFileName(request);
    if (!chosen)
        return;
    settings.LastSendFolder = FolderOfPath(*chosen);
    SendGradeWorkbookTo(ui, DocumentPath(settings, DocumentPage::OutBox, outBoxName), *chosen);
}

bool SendGradeWorkbookTo(UiServices& ui, const QString& source, const QString& destination) {
    if (!MayOverwrite(ui, destination))
        return false;
    if (SameFile(source, destination)) {
        ReportCannotCreate(ui, destination);
        return false;
    }
    GradeSheet sheet;
    if (!ReadGradeDataRows(source, ui, sheet, nullptr))
        return false;
    GradeHeader header = ReadGradeHeader(source);
    try {
        // The workbook carries the stamp it is sent with, so it is written first.
        header.Exported = RegionalFormats::DateTimeText(ui.Now());
        WriteGradeWorkbook(destination, header, sheet);
        WriteGradeFileHeaderKey(source, QStringLiteral("Exported"), header.Exported);
    } catch (const WorkbookError& e) {
        ui.Error(FileMessage(destination, QStringLiteral(" δεν μπορεί να δημιουργηθεί!")) +
                 QLatin1Char('\n') + e.Message());
        return false;
    } catch (const EkaldoError&) {
        ReportCannotCreate(ui, destination);
        return false;
    }
    ui.Information(FileMessage(destination, QStringLiteral(" απεστάλη επιτυχώς!")));
    return true;
}

void ReceiveGradeFile(ProgramSettings& settings, const SchoolYearSession& session, DocumentInHand& document,
                      UiServices& ui) {
    FileDialogRequest request =
        TransferDialog(QStringLiteral("Λήψη Αρχείου.."), settings.LastReceiveFolder, QStringLiteral("*.agd"));
    request.filter = ReceiveFileFilter();
    const auto chosen = ui.GetOpenFileName(request);
    if (!chosen)
        return;
    if (IsWorkbookPath(*chosen)) {
        document.CurrentFileName = *chosen;
        settings.LastReceiveFolder = FolderOfPath(*chosen);
        ReceiveGradeWorkbookFrom(settings, session, ui, *chosen, &document.GradeFileHeader);
        return;
    }
    document.CurrentFileName = WithGradeExtension(*chosen);
    settings.LastReceiveFolder = FolderOfPath(document.CurrentFileName);
    ReadGradeFileHeader(document, document.CurrentFileName);
    ReceiveGradeFileFrom(settings, session, ui, *chosen);
}

std::optional<QString> ReceivedFileDestination(const ProgramSettings& settings, const QString& source) {
    if (IsWorkbookPath(source)) {
        try {
            return InBoxPathFor(settings, ReadGradeWorkbookHeader(source).FileName);
        } catch (const EkaldoError&) {
            return std::nullopt; // the receive itself says why
        }
    }
    return InBoxPathFor(settings, ReadGradeHeader(source).FileName);
}

bool ReceiveGradeFileFrom(const ProgramSettings& settings, const SchoolYearSession& session, UiServices& ui,
                          const QString& source) {
    if (IsWorkbookPath(source))
        return ReceiveGradeWorkbookFrom(settings, session, ui, source, nullptr);
    const auto destination = ReceivedFileDestination(settings, source);
    if (!destination) {
        // A header that cannot be read at all is named for what it is.
        if (const auto problem = GradeFileTextProblem(source))
            ui.Error(*problem);
        else
            ReportCannotCreate(ui, DocumentPath(settings, DocumentPage::InBox, QString()));
        return false;
    }
    if (!MayOverwrite(ui, *destination))
        return false;
    if (SameFile(source, *destination)) {
        ReportCannotCreate(ui, *destination);
        return false;
    }
    try {
        CopyFileContents(source, *destination);
        WriteGradeFileHeaderKey(*destination, QStringLiteral("Imported"),
                                RegionalFormats::DateTimeText(ui.Now()));
    } catch (const EkaldoError&) {
        ReportCannotCreate(ui, *destination);
        return false;
    }
    ui.Information(FileMessage(*destination, QStringLiteral(" ελήφθη επιτυχώς!")));
    return true;
}

bool DeleteDocument(const ProgramSettings& settings, UiServices& ui, DocumentPage page,
                    const QString& fileName) {
    const QString path = DocumentPath(settings, page, fileName);
    const auto answer = ui.ShowMessage(MessageIcon::Question,
                                       QStringLiteral("Πρόκειται να διαγράψετε το Αρχείο \"") + path +
                                           QStringLiteral("\" !\nΘα προχωρήσετε στη διαγραφή;"),
                                       MessageButtons::YesNo);
    if (answer != MessageAnswer::Yes)
        return false;
    // Only a file is ever deleted: an empty list gives the folder itself.
    if (!QFileInfo(path).isFile() || !QFile::remove(path)) {
        ui.Error(FileMessage(path, QStringLiteral(" δεν μπορεί να διαγραφεί!")));
        return false;
    }
    return true;
}

} // namespace ekaldo
