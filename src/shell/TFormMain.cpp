#include "shell/TFormMain.h"

#include "platform/UiServices.h"
#include "shell/AppState.h"
#include "shell/ProgramConstants.h"
#include "shell/Settings.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QToolBar>

namespace ekaldo {

TFormMain::TFormMain(AppState& state, UiServices& ui, QWidget* parent)
    : QMainWindow(parent), m_state(state), m_ui(ui) {
    FormCreate();
}

void TFormMain::FormCreate() {
    setWindowTitle(Program::MainCaption);

    auto* top = new QToolBar(this);
    top->setMovable(false);
    top->addWidget(new QLabel(QStringLiteral(" Φάκελος: "), top));
    edtSchoolYear = new QLineEdit(top);
    edtSchoolYear->setReadOnly(true);
    top->addWidget(edtSchoolYear);
    addToolBar(top);
    setCentralWidget(new QWidget(this));

    statusBar()->showMessage(QLatin1Char(' ') + Program::ProgramName + QStringLiteral(" v ") +
                             Program::ProgramVersion + Program::EditionText(Program::kGradingScheme) +
                             QStringLiteral(" , ") + Program::CopyrightNotice);

    m_state.SchoolYearLabel = Program::NoSchoolYearLabel;
    edtSchoolYear->setText(m_state.SchoolYearLabel);
    m_state.SetDocumentFolders();
    LoadSettings(m_state);
    const WindowPlacement& p = m_state.MainPlacement;
    setGeometry(p.x, p.y, p.w, p.h);
}

bool TFormMain::FormClose() {
    const QRect g = geometry();
    m_state.MainPlacement = {g.x(), g.y(), g.width(), g.height()};
    const auto answer = m_ui.ShowMessage(MessageIcon::Warning,
                                         QStringLiteral("Πρόκειται να εγκαταλείψετε το \"") +
                                             Program::ProgramName + QStringLiteral("\"!"),
                                         MessageButtons::OkCancel);
    if (answer != MessageAnswer::Ok)
        return false;
    SaveSettings(m_state);
    return true;
}

void TFormMain::closeEvent(QCloseEvent* event) {
    if (FormClose())
        event->accept();
    else
        event->ignore();
}

} // namespace ekaldo
