#include "ConsoleUiServices.h"

#include <cstdio>

namespace ekaldo {

void PrintOut(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
}

void PrintErr(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stderr);
}

MessageAnswer ConsoleUiServices::ShowMessage(MessageIcon icon, const QString& text, MessageButtons buttons) {
    if (icon == MessageIcon::Error) {
        m_errorShown = true;
        PrintErr(text + QLatin1Char('\n'));
    } else {
        PrintOut(text + QLatin1Char('\n'));
    }
    switch (buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::OkCancel:
        return m_answerYes ? MessageAnswer::Ok : MessageAnswer::Cancel;
    case MessageButtons::YesNo:
    case MessageButtons::YesNoCancel:
        return m_answerYes ? MessageAnswer::Yes : MessageAnswer::No;
    }
    return MessageAnswer::Cancel;
}

} // namespace ekaldo
