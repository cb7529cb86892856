#pragma once

#include <QTranslator>

namespace ekaldo {

// The texts Qt's own dialogs show (the buttons of every message box, the
// file dialogs), in Greek. Debian ships no Greek translation of Qt, and a
// Greek program whose confirmations ask "Yes" or "No" is not one an office
// can use with confidence.
class GreekQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* disambiguation = nullptr,
                      int n = -1) const override;
};

} // namespace ekaldo
