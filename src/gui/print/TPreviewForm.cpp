#include "gui/print/TPreviewForm.h"

#include "base/UiServices.h"
#include "core/shell/AppState.h"
#include "gui/TDatModImages.h"
#include "gui/print/TPrintForm.h"
#include "gui/shell/WindowPlacer.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace ekaldo {

TPreviewForm::TPreviewForm(AppState& state, UiServices& ui, QWidget* owner)
    : QDialog(owner), m_state(state), m_ui(ui) {
    setObjectName(QStringLiteral("PreviewForm"));
    setWindowTitle(QStringLiteral("Προεπισκόπηση"));
    setWindowFlags(Qt::Dialog | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(true);

    auto* toolBar = new QToolBar;
    toolBar->setObjectName(QStringLiteral("ToolBar1"));
    toolBar->setIconSize(QSize(TDatModImages::ToolSize, TDatModImages::ToolSize));
    const auto add = [&](const char* name, ToolImage image, const QString& hint) {
        return m_tools.Add(toolBar, name, image, hint);
    };
    add("ZoomInSB", ToolImage::ZoomIn, QStringLiteral("Μεγέθυνση"));
    add("ZoomOutSB", ToolImage::ZoomOut, QStringLiteral("Σμίκρυνση"));
    add("ReportToClientWidthSB", ToolImage::FitWidth, QStringLiteral("Προσαρμογή Εύρους"));
    add("ReportToClientSB", ToolImage::FitPage, QStringLiteral("Προσαρμογή Όλου"));
    toolBar->addSeparator();
    add("PrintSB", ToolImage::Print, QStringLiteral("Εκτύπωση"));
    toolBar->addSeparator();
    add("HelpSB", ToolImage::Help, QStringLiteral("Βοήθεια"));

    m_scroll = new QScrollArea;
    m_scroll->setObjectName(QStringLiteral("ScrollBox1"));
    m_scroll->setAlignment(Qt::AlignCenter);
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_page = new QLabel;
    m_page->setObjectName(QStringLiteral("PageImage"));
    m_scroll->setWidget(m_page);

    auto* statusBar = new QWidget;
    statusBar->setObjectName(QStringLiteral("StatusBar"));
    statusBar->setAutoFillBackground(true);
    QPalette white = statusBar->palette();
    white.setColor(QPalette::Window, Qt::white);
    white.setColor(QPalette::WindowText, Qt::black);
    statusBar->setPalette(white);
    auto* bar = new QHBoxLayout(statusBar);
    bar->setContentsMargins(4, 2, 4, 2);
    bar->setSpacing(2);
    const auto addPageButton = [&](const char* name, ToolImage image) {
        bar->addWidget(m_tools.Make(name, image));
    };
    addPageButton("FirstPageSB", ToolImage::FirstPage);
    addPageButton("PriorPageSB", ToolImage::PriorPage);
    auto* pageLabel = new QLabel(QStringLiteral("Σελίδα"));
    pageLabel->setObjectName(QStringLiteral("PageNoLabel"));
    bar->addWidget(pageLabel);
    m_pageEdit = new QLineEdit;
    m_pageEdit->setObjectName(QStringLiteral("PageNoEdit"));
    m_pageEdit->setMaxLength(5);
    m_pageEdit->setFixedWidth(m_pageEdit->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 12);
    bar->addWidget(m_pageEdit);
    addPageButton("NextPageSB", ToolImage::NextPage);
    addPageButton("LastPageSB", ToolImage::LastPage);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("StatusLabel"));
    bar->addSpacing(8);
    bar->addWidget(m_status, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar);
    layout->addWidget(m_scroll, 1);
    layout->addWidget(statusBar);

    WindowPlacer::Restore(*this, m_state.PreviewPlacement);

    m_preview.ScrollBox = this;
    m_preview.Background = m_scroll->palette().color(QPalette::Dark);
    m_preview.Ui = &m_ui;
    m_preview.OnPageChange = [this] { PageChanged(); };

    connect(Button("ZoomInSB"), &QToolButton::clicked, this,
            [this] { m_preview.SetZoomFactor(m_preview.ZoomFactor() + m_preview.ZoomInc); });
    connect(Button("ZoomOutSB"), &QToolButton::clicked, this,
            [this] { m_preview.SetZoomFactor(m_preview.ZoomFactor() - m_preview.ZoomInc); });
    connect(Button("ReportToClientWidthSB"), &QToolButton::clicked, this,
            [this] { m_preview.SetZoomFactor(m_preview.FitWidthZoom()); });
    connect(Button("ReportToClientSB"), &QToolButton::clicked, this,
            [this] { m_preview.SetZoomFactor(m_preview.FitPageZoom()); });
    connect(Button("FirstPageSB"), &QToolButton::clicked, this, [this] { m_preview.ShowPage(1); });
    connect(Button("PriorPageSB"), &QToolButton::clicked, this, [this] { m_preview.ShowPriorPage(); });
    connect(Button("NextPageSB"), &QToolButton::clicked, this, [this] { m_preview.ShowNextPage(); });
    connect(Button("LastPageSB"), &QToolButton::clicked, this, [this] { m_preview.ShowPage(65535); });
    connect(Button("PrintSB"), &QToolButton::clicked, this, &TPreviewForm::PrintSBClick);
    connect(Button("HelpSB"), &QToolButton::clicked, this, [this] { m_ui.ShowHelp(1200); });
    connect(m_pageEdit, &QLineEdit::editingFinished, this, &TPreviewForm::PageNoEditCommit);

    // The form sees the keys first, as its controls would otherwise take them.
    for (QWidget* w : findChildren<QWidget*>())
        w->installEventFilter(this);
    PageChanged();
}

TPreviewForm::~TPreviewForm() = default;

QToolButton* TPreviewForm::Button(const char* name) const {
    return m_tools.Button(QString::fromLatin1(name));
}

QSize TPreviewForm::ViewportSize() const {
    return m_scroll->viewport()->size();
}

void TPreviewForm::ShowImage(const QImage& page) {
    m_page->setPixmap(QPixmap::fromImage(page));
    m_page->resize(page.size());
}

void TPreviewForm::FormActivate() {
    const QString printer = m_state.PrinterName.isEmpty() ? Printers::DefaultName() : m_state.PrinterName;
    Button("PrintSB")->setToolTip(QStringLiteral("Εκτύπωση [") + printer + QLatin1Char(']'));
    if (m_preview.IsOpen())
        return;
    try {
        m_preview.OpenPreview();
    } catch (const ReportError&) {
        m_ui.ShowMessage(MessageIcon::Information, QStringLiteral("Αδυναμία προεπισκόπησης!"),
                         MessageButtons::Ok);
    }
}

bool TPreviewForm::event(QEvent* e) {
    const bool result = QDialog::event(e);
    if (e->type() == QEvent::Show || e->type() == QEvent::WindowActivate)
        FormActivate();
    return result;
}

void TPreviewForm::PageChanged() {
    const bool open = m_preview.IsOpen();
    const bool last = !open || m_preview.ShownPage() >= m_preview.PageCount();
    const bool first = !open || m_preview.ShownPage() <= 1;
    Button("LastPageSB")->setEnabled(!last);
    Button("NextPageSB")->setEnabled(!last);
    Button("FirstPageSB")->setEnabled(!first);
    Button("PriorPageSB")->setEnabled(!first);
    m_pageEdit->setText(open ? QString::number(m_preview.ShownPage()) : QString());
}

void TPreviewForm::PageNoEditCommit() {
    bool ok = false;
    const int page = m_pageEdit->text().trimmed().toInt(&ok);
    if (ok && page != m_preview.ShownPage())
        m_preview.ShowPage(page);
}

void TPreviewForm::ScrollBy(QScrollBar* bar, int steps) {
    bar->setValue(std::clamp(bar->value() + steps * bar->singleStep(), 0, bar->maximum()));
}

bool TPreviewForm::HandleKey(int key) {
    switch (key) {
    case Qt::Key_PageUp:
        m_preview.ShowPriorPage();
        return true;
    case Qt::Key_PageDown:
        m_preview.ShowNextPage();
        return true;
    case Qt::Key_Left:
        ScrollBy(m_scroll->horizontalScrollBar(), -1);
        return true;
    case Qt::Key_Right:
        ScrollBy(m_scroll->horizontalScrollBar(), 1);
        return true;
    case Qt::Key_Up:
        ScrollBy(m_scroll->verticalScrollBar(), -1);
        return true;
    case Qt::Key_Down:
        ScrollBy(m_scroll->verticalScrollBar(), 1);
        return true;
    default:
        return false;
    }
}

bool TPreviewForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(e)->key();
        // The caret of the page number edit keeps its left and right keys.
        const bool caret = watched == m_pageEdit && (key == Qt::Key_Left || key == Qt::Key_Right);
        if (!caret && HandleKey(key))
            return true;
    }
    return QDialog::eventFilter(watched, e);
}

void TPreviewForm::PrintSBClick() {
    TPrintForm form(m_state, m_ui, m_preview.Stream, m_preview.PageCount(), this);
    m_ui.RunModal(form);
}

void TPreviewForm::done(int result) {
    if (!(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))) {
        m_state.PreviewPlacement = WindowPlacer::Save(*this);
    }
    m_preview.ClosePreview();
    QDialog::done(result);
}

} // namespace ekaldo
