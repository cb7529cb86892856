// libFuzzer target: a mutated grade data, template or settings file is read
// the ways the program reads such files: its [Header] and every other
// section through the profile rules, its data rows into a sheet, and its
// template header and selections into the four tick lists. A crash, a hang,
// a leak or a sanitizer report is a fault.
#include "base/FileErrors.h"
#include "base/ForeignText.h"
#include "base/ProfileFile.h"
#include "base/UiServices.h"
#include "core/compose/SheetComposition.h"
#include "core/exchange/GradeDataFile.h"
#include "core/exchange/GradeSheet.h"
#include "core/exchange/GradeTemplateFile.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstddef>
#include <cstdint>

using namespace ekaldo;

namespace {

class SilentUi : public UiServices {
public:
    MessageAnswer ShowMessage(MessageIcon, const QString&, MessageButtons) override {
        return MessageAnswer::Ok;
    }
    std::optional<QString> GetOpenFileName(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<QString> GetSaveFileName(const FileDialogRequest&) override { return std::nullopt; }
    int RunModal(QObject&) override { return 0; }
    void ShowHelp(int) override {}
    bool ChoosePrinter(QString&, PageSetup&, const QStringList&) override { return false; }
    QDateTime Now() override { return {}; }
    void ProcessEvents() override {}
};

const QString& FuzzFile() {
    static QTemporaryDir dir;
    static const QString path = dir.filePath(QStringLiteral("fuzz.agd"));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    {
        QFile file(FuzzFile());
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(bytes);
    }
    SilentUi ui;
    const GradeHeader header = ReadGradeHeader(FuzzFile());
    for (const char* section : {"Header", "Levels", "Classes", "Courses", "Subjects", "fc_Main", "Report"}) {
        const ProfileFile::Section entries =
            ProfileFile::ReadSection(FuzzFile(), QString::fromLatin1(section));
        (void)entries.Value(QStringLiteral("Cnt"));
    }
    GradeSheet sheet;
    ReadGradeDataRows(FuzzFile(), ui, sheet, nullptr);
    (void)GradeFileTextProblem(FuzzFile());
    (void)ReadTemplateHeader(FuzzFile());
    // Tick lists as the filter window fills them, with captions a template of the seed corpus names.
    SheetComposition composition;
    for (SelectionKind kind :
         {SelectionKind::Levels, SelectionKind::Classes, SelectionKind::Courses, SelectionKind::Subjects}) {
        SelectionGrid& grid = composition.Grid(kind);
        grid.Reset();
        for (const char* caption : {"Α", "Β1", "Άλγεβρα", "", "[κλάδος] Θετική"})
            grid.AddRow(QString::fromUtf8(caption));
    }
    ReadTemplateSelections(composition, FuzzFile());
    // What was read is written back unchanged by a key rewrite of the header.
    try {
        (void)ProfileFile::WithKey(AsCodePage1253(bytes), QStringLiteral("Header"), QStringLiteral("Posted"),
                                   header.Posted);
    } catch (const EkaldoError&) {
        // A foreign file holding characters the code page lacks.
    }
    return 0;
}
