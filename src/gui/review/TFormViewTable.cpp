#include "gui/review/TFormViewTable.h"

#include "base/FileErrors.h"
#include "base/SharedRoutines.h"
#include "base/UiServices.h"
#include "core/exchange/GradeDataFile.h"
#include "core/shell/AppState.h"
#include "gui/TDatModImages.h"
#include "gui/compose/TFormSave.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QToolButton>

namespace ekaldo {
namespace {

const QString kSaveHint = QStringLiteral("Αποθήκευση ως Νέο Αρχείο Βαθμολογίας");

// The name with its extension changed to ".agd" (or extended with it).
QString WithGradeFileExtension(const QString& name) {
    const QFileInfo info(name);
    const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    return base + QStringLiteral(".agd");
}

} // namespace

TFormViewTable::TFormViewTable(AppState& state, UiServices& ui, QWidget* parent)
    : TSheetWindow(state, ui, SheetGridStyle::Viewer, state.ViewPlacement, 1070, 32, parent) {
    setObjectName(QStringLiteral("FormViewTable"));
    setWindowTitle(QStringLiteral("Επισκόπηση Αρχείου"));
    AddButton("tbtnSaveTable", ToolImage::Save, kSaveHint);
    AddButton("tbtnPrintTable", ToolImage::Print, QStringLiteral("Εκτύπωση"));
    connect(Button(QStringLiteral("tbtnSaveTable")), &QToolButton::clicked, this,
            [this] { tbtnSaveTableClick(); });
    connect(Button(QStringLiteral("tbtnPrintTable")), &QToolButton::clicked, this,
            [this] { tbtnPrintTableClick(); });
}

void TFormViewTable::LoadViewerSheet() {
    LoadSheet();
}

void TFormViewTable::SaveViewerSheet() {
    const QString folder = QFileInfo(m_state.CurrentFilePath).absolutePath();
    QString name;
    {
        TFormSave dialog(kSaveHint + QStringLiteral(".."), folder, QStringLiteral("*.agd"),
                         WithGradeFileExtension(edtExpoFileName()->text()), this);
        if (m_ui.RunModal(dialog) != QDialog::Accepted)
            return;
        name = WithGradeFileExtension(dialog.SaveAsFileEdit()->text());
    }
    m_state.CurrentFileName = name;
    m_state.CurrentFilePath = QDir(folder).filePath(name);
    if (QFileInfo::exists(m_state.CurrentFilePath)) {
        const MessageAnswer answer =
            m_ui.ShowMessage(MessageIcon::Question,
                             FileMessage(m_state.CurrentFilePath, QStringLiteral(" υπάρχει!")) +
                                 QStringLiteral("\nΘέλετε να το επικαλύψετε;"),
                             MessageButtons::YesNo);
        if (answer != MessageAnswer::Yes)
            return;
    }
    // A re-saved sheet keeps the school year it was made for.
    WriteGradeDataFile(m_state.CurrentFilePath, m_state.CurrentFileName, m_sheet,
                       m_state.GradeFileHeader.SchoolYear, m_ui);
    Q_EMIT DocumentsChanged();
}

} // namespace ekaldo
