// Qt's own dialogs with the program's Greek texts, on real widgets.
#include "base/GreekQtTexts.h"

#include <QAbstractFileIconProvider>
#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace ekaldo;

TEST(GreekQtTexts, DialogsSpeakGreekAndUnknownTextsStayAsQtHasThem) {
    GreekQtTexts texts; // leaves the application as it goes
    QCoreApplication::installTranslator(&texts);
    QMessageBox box(QMessageBox::Question, QStringLiteral("e"), QStringLiteral("Να διαγραφεί;"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    // Each answer keeps a mnemonic of its own.
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ναι"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("Ό&χι"));
    EXPECT_EQ(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Άκυρο"));

    QFileDialog dialog(nullptr, QStringLiteral("Λήψη Αρχείου"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const auto* buttons = dialog.findChild<QDialogButtonBox*>();
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(buttons->button(QDialogButtonBox::Open)->text(), QStringLiteral("Ά&νοιγμα"));
    // The detail view's type column names a folder in Greek too.
    EXPECT_EQ(QAbstractFileIconProvider().type(QFileInfo(QDir::tempPath())), QStringLiteral("Φάκελος"));

    EXPECT_EQ(texts.translate("QFileDialog", "no such text"), QString());
    EXPECT_EQ(texts.translate("OtherContext", "Cancel"), QString());
}
