#include "support/ScriptedUiServices.h"

#include <QCoreApplication>

#include <array>

#include <gtest/gtest.h>

namespace ekaldo::testing {
namespace {

const char* KindName(ScriptedUiServices::Kind kind) {
    return std::array{"message box", "open-file dialog", "save-file dialog", "modal window",
                      "printer choice"}[static_cast<int>(kind)];
}
const char* IconName(MessageIcon icon) {
    return std::array{"Error", "Information", "Question", "Warning"}[static_cast<int>(icon)];
}

} // namespace

ScriptedUiServices::ScriptedUiServices() : m_now(QDate(2005, 1, 1), QTime(12, 0)) {}

ScriptedUiServices::~ScriptedUiServices() {
    VerifyAllUsed();
}

void ScriptedUiServices::VerifyAllUsed() {
    for (const auto& e : m_expected)
        ADD_FAILURE() << "expected " << KindName(e.kind) << " never came: " << e.text.toStdString();
    m_expected.clear();
}

ScriptedUiServices& ScriptedUiServices::ExpectMessage(MessageIcon icon, const QString& text,
                                                      MessageAnswer answer) {
    m_expected.push_back({Kind::Message, icon, text, answer});
    return *this;
}

ScriptedUiServices& ScriptedUiServices::ExpectOpenFile(const QString& title, std::optional<QString> answer) {
    m_expected.push_back({Kind::OpenFile, {}, title, {}, std::move(answer)});
    return *this;
}

ScriptedUiServices& ScriptedUiServices::ExpectSaveFile(const QString& title, std::optional<QString> answer) {
    m_expected.push_back({Kind::SaveFile, {}, title, {}, std::move(answer)});
    return *this;
}

ScriptedUiServices& ScriptedUiServices::ExpectModal(std::function<int(QObject&)> answer) {
    m_expected.push_back({Kind::Modal, {}, {}, {}, {}, std::move(answer)});
    return *this;
}

ScriptedUiServices& ScriptedUiServices::ExpectPrinterChoice(std::optional<QString> answer,
                                                            std::optional<PageSetup> page) {
    m_expected.push_back({Kind::Printer, {}, {}, {}, std::move(answer), {}, std::move(page)});
    return *this;
}

bool ScriptedUiServices::TakeExpected(Kind kind, const QString& what, Expected& out) {
    if (m_expected.empty()) {
        ADD_FAILURE() << "unexpected " << KindName(kind) << ": " << what.toStdString();
        return false;
    }
    if (m_expected.front().kind != kind) {
        ADD_FAILURE() << "expected " << KindName(m_expected.front().kind) << " \""
                      << m_expected.front().text.toStdString() << "\" but got " << KindName(kind) << ": "
                      << what.toStdString();
        return false;
    }
    out = std::move(m_expected.front());
    m_expected.pop_front();
    return true;
}

MessageAnswer ScriptedUiServices::ShowMessage(MessageIcon icon, const QString& text, MessageButtons buttons) {
    Expected e;
    const MessageAnswer safe = buttons == MessageButtons::Ok         ? MessageAnswer::Ok
                               : buttons == MessageButtons::OkCancel ? MessageAnswer::Cancel
                                                                     : MessageAnswer::No;
    if (!TakeExpected(Kind::Message, text, e))
        return safe;
    EXPECT_EQ(text.toStdString(), e.text.toStdString()) << "message text";
    EXPECT_STREQ(IconName(e.icon), IconName(icon)) << "message icon of: " << text.toStdString();
    return e.answer;
}

std::optional<QString> ScriptedUiServices::FileAnswer(Kind kind, const FileDialogRequest& request) {
    m_dialogs.push_back(request);
    Expected e;
    if (!TakeExpected(kind, request.title, e))
        return std::nullopt;
    EXPECT_EQ(request.title.toStdString(), e.text.toStdString()) << KindName(kind) << " title";
    return e.file;
}

std::optional<QString> ScriptedUiServices::GetOpenFileName(const FileDialogRequest& request) {
    return FileAnswer(Kind::OpenFile, request);
}

std::optional<QString> ScriptedUiServices::GetSaveFileName(const FileDialogRequest& request) {
    return FileAnswer(Kind::SaveFile, request);
}

int ScriptedUiServices::RunModal(QObject& dialog) {
    Expected e;
    if (!TakeExpected(Kind::Modal, dialog.objectName(), e))
        return 0;
    return e.modal ? e.modal(dialog) : 0;
}

bool ScriptedUiServices::ChoosePrinter(QString& printerName, PageSetup& page, const QStringList& printers) {
    Expected e;
    if (!TakeExpected(Kind::Printer, printers.join(QStringLiteral(", ")), e) || !e.file)
        return false;
    printerName = *e.file;
    if (e.page)
        page = *e.page;
    return true;
}

QDateTime ScriptedUiServices::Now() {
    const QDateTime now = m_now;
    m_now = m_now.addMSecs(m_clockStep);
    return now;
}

void ScriptedUiServices::ProcessEvents() {
    ++m_processEvents;
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

} // namespace ekaldo::testing
