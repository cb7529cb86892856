#include "core/shell/DocumentTransfer.h"

#include "core/exchange/GradeDataFile.h"
#include "base/FileErrors.h"
#include "base/RegionalFormats.h"
#include "base/UiServices.h"
#include "core/shell/AppState.h"
#include "base/SharedRoutines.h"

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

QString FolderOfPath(const QString& path) { return QDir::toNativeSeparators(QFileInfo(path).absolutePath()); }

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

} // namespace

QString GradeFileFilter() { return QStringLiteral("Αρχείο Βαθμολογίας (*.agd)"); }

void SendGradeFile(AppState& state, UiServices& ui, const QString& outBoxName) {
    const auto chosen = ui.GetSaveFileName(
        TransferDialog(QStringLiteral("Αποστολή Αρχείου.."), state.LastSendFolder, outBoxName));
    if (!chosen)
        return;
    state.CurrentFileName = WithGradeExtension(*chosen);
    state.LastSendFolder = FolderOfPath(state.CurrentFileName);
    SendGradeFileTo(ui, DocumentPath(state, DocumentPage::OutBox, outBoxName), *chosen);
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

void ReceiveGradeFile(AppState& state, UiServices& ui) {
    const auto chosen = ui.GetOpenFileName(
        TransferDialog(QStringLiteral("Λήψη Αρχείου.."), state.LastReceiveFolder, QStringLiteral("*.agd")));
    if (!chosen)
        return;
    state.CurrentFileName = WithGradeExtension(*chosen);
    state.LastReceiveFolder = FolderOfPath(state.CurrentFileName);
    ReadGradeFileHeader(state, state.CurrentFileName);
    ReceiveGradeFileFrom(state, ui, *chosen);
}

std::optional<QString> ReceivedFileDestination(const AppState& state, const QString& source) {
    QString name = ReadGradeHeader(source).FileName;
    // Only the last part of the name counts, whichever separator the sender's
    // system used: a header can never place the copy outside the InBox.
    name = name.mid(std::max(name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char('/'))) + 1).trimmed();
    if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral(".."))
        return std::nullopt;
    // A control character (a NUL above all) would cut the name short on its way
    // to the file system and leave a copy under a name no list shows.
    if (std::any_of(name.cbegin(), name.cend(),
                    [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }))
        return std::nullopt;
    return DocumentPath(state, DocumentPage::InBox, name);
}

bool ReceiveGradeFileFrom(const AppState& state, UiServices& ui, const QString& source) {
    const auto destination = ReceivedFileDestination(state, source);
    if (!destination) {
        // A header that cannot be read at all is named for what it is.
        if (const auto problem = GradeFileTextProblem(source))
            ui.Error(*problem);
        else
            ReportCannotCreate(ui, DocumentPath(state, DocumentPage::InBox, QString()));
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
        WriteGradeFileHeaderKey(*destination, QStringLiteral("Imported"), RegionalFormats::DateTimeText(ui.Now()));
    } catch (const EkaldoError&) {
        ReportCannotCreate(ui, *destination);
        return false;
    }
    ui.Information(FileMessage(*destination, QStringLiteral(" ελήφθη επιτυχώς!")));
    return true;
}

bool DeleteDocument(const AppState& state, UiServices& ui, DocumentPage page, const QString& fileName) {
    const QString path = DocumentPath(state, page, fileName);
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
