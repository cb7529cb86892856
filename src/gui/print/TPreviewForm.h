#pragma once

#include "gui/widgets/ToolBarBuilder.h"
#include "report/ReportEngine.h"

#include <QDialog>

class QIODevice;
class QLabel;
class QLineEdit;
class QScrollArea;
class QScrollBar;
class QToolButton;

namespace ekaldo {

struct AppState;
class UiServices;

// "Προεπισκόπηση": one page of a report file at a time, paged and zoomed;
// prints through the print dialog. The caller sets the stream before showing
// it and keeps it; the window never frees it.
class TPreviewForm : public QDialog, private PreviewView {
    Q_OBJECT
public:
    TPreviewForm(AppState& state, UiServices& ui, QWidget* owner = nullptr);
    ~TPreviewForm() override;

    void SetStream(QIODevice* stream) { m_preview.Stream = stream; }
    TFilePreview& FilePreview1() { return m_preview; }
    QLabel* StatusLabel() const { return m_status; }
    QLineEdit* PageNoEdit() const { return m_pageEdit; }
    QToolButton* Button(const char* name) const;
    QLabel* PageImage() const { return m_page; }
    QScrollArea* ScrollBox1() const { return m_scroll; }

    // The window's activation: the print button's hint, then the preview.
    void FormActivate();
    // The page number edit's Enter or leaving it.
    void PageNoEditCommit();
    void PrintSBClick();

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    QSize ViewportSize() const override;
    void ShowImage(const QImage& page) override;
    void PageChanged();
    bool HandleKey(int key);
    static void ScrollBy(QScrollBar* bar, int steps);

    AppState& m_state;
    UiServices& m_ui;
    TFilePreview m_preview;
    QScrollArea* m_scroll = nullptr;
    QLabel* m_page = nullptr;
    QLabel* m_status = nullptr;
    QLineEdit* m_pageEdit = nullptr;
    ToolBarBuilder m_tools;
};

} // namespace ekaldo
