// The scripted seam is what keeps every other test from blocking on a dialog
// and from missing an unexpected one: it must fail loudly.
#include "support/ScriptedUiServices.h"

#include <gtest/gtest-spi.h>

using namespace ekaldo;
using namespace ekaldo::testing;

TEST(ScriptedUiServices, AnswersInOrderAndRecordsWhatWasShown) {
    ScriptedUiServices ui;
    ui.ExpectMessage(MessageIcon::Warning, QStringLiteral("Φεύγετε;"), MessageAnswer::Cancel)
        .ExpectSaveFile(QStringLiteral("Αποθήκευση"), QStringLiteral("/tmp/x.agd"))
        .ExpectMessage(MessageIcon::Information, QStringLiteral("Έγινε"));
    EXPECT_EQ(ui.ShowMessage(MessageIcon::Warning, QStringLiteral("Φεύγετε;"), MessageButtons::OkCancel),
              MessageAnswer::Cancel);
    FileDialogRequest request;
    request.title = QStringLiteral("Αποθήκευση");
    EXPECT_EQ(ui.GetSaveFileName(request), QStringLiteral("/tmp/x.agd"));
    EXPECT_EQ(ui.Information(QStringLiteral("Έγινε")), MessageAnswer::Ok);
    ASSERT_EQ(ui.Messages().size(), 2u);
    EXPECT_EQ(ui.Messages()[1].text, QStringLiteral("Έγινε"));
}

TEST(ScriptedUiServices, UnexpectedPromptFailsTheTestAndGetsTheSafeAnswer) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedUiServices ui;
            EXPECT_EQ(
                ui.ShowMessage(MessageIcon::Question, QStringLiteral("Διαγραφή;"), MessageButtons::YesNo),
                MessageAnswer::No);
        },
        "unexpected message box");
}

TEST(ScriptedUiServices, WrongTextOrIconFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedUiServices ui;
            ui.ExpectMessage(MessageIcon::Error, QStringLiteral("α"));
            ui.ShowMessage(MessageIcon::Error, QStringLiteral("β"), MessageButtons::Ok);
        },
        "message text");
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedUiServices ui;
            ui.ExpectMessage(MessageIcon::Error, QStringLiteral("α"));
            ui.ShowMessage(MessageIcon::Warning, QStringLiteral("α"), MessageButtons::Ok);
        },
        "message icon");
}

TEST(ScriptedUiServices, AnswerLeftUnusedFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            ScriptedUiServices ui;
            ui.ExpectOpenFile(QStringLiteral("Λήψη"), std::nullopt);
        },
        "never came");
}

TEST(ScriptedUiServices, ClockIsFixedUnlessStepped) {
    ScriptedUiServices ui;
    const QDateTime start(QDate(2024, 9, 1), QTime(8, 0));
    ui.SetNow(start);
    EXPECT_EQ(ui.Now(), start);
    EXPECT_EQ(ui.Now(), start);
    ui.SetClockStep(250);
    EXPECT_EQ(ui.Now(), start);
    EXPECT_EQ(ui.Now(), start.addMSecs(250));
    EXPECT_EQ(ui.ClockReads(), 4);
}
