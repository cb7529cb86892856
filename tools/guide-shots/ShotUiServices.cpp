#include "ShotUiServices.h"

#include "gui/shell/TPrinterSetupForm.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QMessageBox>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTextStream>
#include <QTimer>

namespace ekaldo::guideshots {
namespace {

QTextStream& Err() {
    static QTextStream err(stderr);
    return err;
}

// Runs act on the first visible top-level widget that find accepts, as soon
// as one shows; gives up after a few seconds and says so.
void WhenShown(std::function<QWidget*()> find, std::function<void(QWidget*)> act,
               std::function<void()> missed) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    timer->setInterval(50);
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget* widget = find();
        if (widget && widget->isVisible()) {
            timer->stop();
            timer->deleteLater();
            act(widget);
        } else if (++*tries > 200) {
            timer->stop();
            timer->deleteLater();
            missed();
        }
    });
    timer->start();
}

template <class T> QWidget* VisibleTopLevel() {
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (qobject_cast<T*>(widget) && widget->isVisible())
            return widget;
    return nullptr;
}

QMessageBox::StandardButton ButtonOf(MessageAnswer answer) {
    switch (answer) {
    case MessageAnswer::Ok:
        return QMessageBox::Ok;
    case MessageAnswer::Yes:
        return QMessageBox::Yes;
    case MessageAnswer::No:
        return QMessageBox::No;
    case MessageAnswer::Cancel:
        return QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

} // namespace

void Settle(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

bool Camera::Shoot(QWidget& window, const QString& name) {
    window.raise();
    window.activateWindow();
    // The window manager frames and titles a new window a moment after it maps.
    Settle(600);
    // The first window may wait a little longer for its frame, and any window
    // for its size while the window manager maps it.
    for (int i = 0; i < 20 && m_margins.isNull() && window.frameGeometry() == window.geometry(); ++i)
        Settle(100);
    for (int i = 0; i < 20 && (window.width() < 50 || window.height() < 50 || !window.isVisible()); ++i)
        Settle(100);
    // A message box settles its size once its text is laid out.
    for (int i = 0; i < 10; ++i) {
        const QRect before = window.frameGeometry();
        Settle(150);
        if (window.frameGeometry() == before)
            break;
    }
    // Now and then a window reports a 1×1 frame while the window manager
    // maps it: ask again until it has its size.
    QRect frame = window.frameGeometry();
    for (int i = 0; i < 30 && (frame.width() < 50 || frame.height() < 50); ++i) {
        if (i == 10) {
            // The window manager may have missed the mapping: map it again.
            window.hide();
            window.show();
        }
        Settle(100);
        frame = window.frameGeometry();
    }
    // A window shown a moment ago may not have heard of its frame yet; every
    // window here wears the same frame, so the last one known stands in.
    const bool frameUnknown = frame.width() < 50 || frame.height() < 50;
    if (frameUnknown && window.width() >= 50 && window.height() >= 50 && !m_margins.isNull())
        frame = window.geometry().marginsAdded(m_margins);
    else if (frame == window.geometry() && !m_margins.isNull())
        frame = window.geometry().marginsAdded(m_margins);
    else if (frame != window.geometry())
        m_margins =
            QMargins(window.geometry().left() - frame.left(), window.geometry().top() - frame.top(),
                     frame.right() - window.geometry().right(), frame.bottom() - window.geometry().bottom());
    if (frame.width() < 50 || frame.height() < 50) {
        Err() << "guide-shots: " << name << " never got its size (" << window.width() << 'x'
              << window.height() << (window.isVisible() ? ", shown" : ", hidden") << ")\n";
        Err().flush();
        ++m_failures;
        return false;
    }
    QScreen* screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    const QPixmap picture = screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
    const QString path = QDir(m_folder).filePath(name + QStringLiteral(".png"));
    if (picture.isNull() || !picture.save(path, "PNG")) {
        Err() << "guide-shots: " << path << " could not be saved\n";
        Err().flush();
        ++m_failures;
        return false;
    }
    m_saved.append(name);
    Err() << "guide-shots: " << name << ".png " << frame.width() << 'x' << frame.height() << '\n';
    Err().flush();
    return true;
}

void ShotUiServices::ExpectMessage(MessageAnswer answer, const QString& shot) {
    m_messages.push_back({answer, shot});
}

void ShotUiServices::ExpectFile(const QString& path) {
    m_files.push_back(path);
}

void ShotUiServices::ExpectWindow(const QString& objectName, std::function<int(QDialog&)> handler) {
    m_windows[objectName].push_back(std::move(handler));
}

void ShotUiServices::ExpectPrinterChoice(const QString& printerName, const QString& shot) {
    m_printers.emplace_back(printerName, shot);
}

bool ShotUiServices::AllUsed() const {
    if (!m_messages.empty() || !m_files.empty() || !m_printers.empty())
        return false;
    for (const auto& queue : m_windows)
        if (!queue.empty())
            return false;
    return true;
}

void ShotUiServices::Surprise(const QString& what) {
    ++m_surprises;
    Err() << "guide-shots: unexpected: " << what << '\n';
    Err().flush();
}

MessageAnswer ShotUiServices::ShowMessage(MessageIcon icon, const QString& text, MessageButtons buttons) {
    Err() << "guide-shots: message: " << QString(text).replace(QLatin1Char('\n'), QLatin1Char(' ')) << '\n';
    Err().flush();
    if (m_messages.empty()) {
        Surprise(QStringLiteral("message \"") + text + QLatin1Char('"'));
        return buttons == MessageButtons::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
    }
    const MessageReply reply = m_messages.front();
    m_messages.pop_front();
    WhenShown([] { return VisibleTopLevel<QMessageBox>(); },
              [this, reply](QWidget* widget) {
                  auto* box = static_cast<QMessageBox*>(widget);
                  if (!reply.shot.isEmpty())
                      m_camera.Shoot(*box, reply.shot);
                  if (QAbstractButton* button = box->button(ButtonOf(reply.answer)))
                      button->click();
                  else
                      box->reject();
              },
              [this] { Surprise(QStringLiteral("a message box never showed")); });
    return QtUiServices::ShowMessage(icon, text, buttons);
}

std::optional<QString> ShotUiServices::NextFile(const FileDialogRequest& request) {
    if (m_files.empty()) {
        Surprise(QStringLiteral("file dialog \"") + request.title + QLatin1Char('"'));
        return std::nullopt;
    }
    const QString path = m_files.front();
    m_files.pop_front();
    Err() << "guide-shots: file dialog \"" << request.title << "\": " << path << '\n';
    Err().flush();
    return path;
}

std::optional<QString> ShotUiServices::GetOpenFileName(const FileDialogRequest& request) {
    return NextFile(request);
}

std::optional<QString> ShotUiServices::GetSaveFileName(const FileDialogRequest& request) {
    return NextFile(request);
}

int ShotUiServices::RunModal(QObject& dialog) {
    auto* window = qobject_cast<QDialog*>(&dialog);
    auto found = window ? m_windows.find(window->objectName()) : m_windows.end();
    if (found == m_windows.end() || found->empty()) {
        Surprise(QStringLiteral("window ") + dialog.objectName());
        return QDialog::Rejected;
    }
    const std::function<int(QDialog&)> handler = std::move(found->front());
    found->pop_front();
    const int result = handler(*window);
    if (window->isVisible())
        window->done(result);
    Settle(100);
    return result;
}

bool ShotUiServices::ChoosePrinter(QString& printerName, PageSetup& page, const QStringList& printers) {
    if (m_printers.empty()) {
        Surprise(QStringLiteral("printer choice"));
        return false;
    }
    const auto [wanted, shot] = m_printers.front();
    m_printers.pop_front();
    WhenShown([] { return VisibleTopLevel<TPrinterSetupForm>(); },
              [this, wanted, shot](QWidget* widget) {
                  auto* dialog = static_cast<TPrinterSetupForm*>(widget);
                  dialog->PrinterCombo()->setCurrentText(wanted);
                  m_camera.Shoot(*dialog, shot);
                  dialog->accept();
              },
              [this] { Surprise(QStringLiteral("the printer choice never showed")); });
    return QtUiServices::ChoosePrinter(printerName, page, printers);
}

QDateTime ShotUiServices::Now() {
    return m_clock;
}

} // namespace ekaldo::guideshots
