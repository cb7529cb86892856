// Qt's own dialogs with the program's Greek texts, on real widgets.
#include "base/GreekQtTexts.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace ekaldo;

namespace {

struct Installed {
    GreekQtTexts texts;
    Installed() { QCoreApplication::installTranslator(&texts); }
    ~Installed() { QCoreApplication::removeTranslator(&texts); }
};

} // namespace

TEST(GreekQtTexts, MessageBoxButtonsSpeakGreek) {
    Installed greek;
    QMessageBox box(QMessageBox::Question, QStringLiteral("e"), QStringLiteral("Να διαγραφεί;"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel | QMessageBox::Ok);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ναι"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("Ό&χι"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Άκυρο"));
    EXPECT_EQ(box.button(QMessageBox::Ok)->text(), QStringLiteral("OK"));
    // The mnemonics of one box stay distinct, so each answer has its own key.
    EXPECT_NE(box.button(QMessageBox::Yes)->text().indexOf(QLatin1Char('&')), -1);
}

TEST(GreekQtTexts, FileDialogSpeaksGreekAndUnknownTextsStayAsQtHasThem) {
    Installed greek;
    QFileDialog dialog(nullptr, QStringLiteral("Λήψη Αρχείου"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    QStringList labels;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("Αναζήτηση σε:"))) << labels.join(u'|').toStdString();
    EXPECT_TRUE(labels.contains(QStringLiteral("Όνομα &αρχείου:"))) << labels.join(u'|').toStdString();
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("Ά&νοιγμα"));
    EXPECT_EQ(buttons->button(QDialogButtonBox::Cancel)->text(), QStringLiteral("Άκυρο"));

    // The detail view's type column names a folder in Greek too.
    EXPECT_EQ(QAbstractFileIconProvider().type(QFileInfo(QDir::tempPath())), QStringLiteral("Φάκελος"));

    EXPECT_EQ(greek.texts.translate("QFileDialog", "no such text"), QString());
    EXPECT_EQ(greek.texts.translate("OtherContext", "Cancel"), QString());
}
