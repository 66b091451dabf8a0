// The dialog answerer the other tests rely on: it must answer what it is told to, and
// turn a dialog that never opens, or stays open, into a failure instead of a hang.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/dialogs.h"

namespace {

// Short, so that the failing cases end quickly; the boxes open at once.
constexpr unsigned kShortDeadlineMs = 1500;

int ShowBox(const char* text, const char* caption, UINT style = MB_OK) {
    return MessageBoxA(nullptr, text, caption, MB_TASKMODAL | style);
}

TEST(DialogAnswerer, AnswersTheStepsInOrderAndReadsEachBox) {
    MessageBoxSeen first, second;
    std::vector<DialogSeen> seen;
    {
        DialogAnswerer answerer({{"One", CloseMessageBox(nullptr, &first)},
                                 {"Two", CloseMessageBox(nullptr, &second)}});
        EXPECT_EQ(ShowBox("first text", "One"), IDOK);
        EXPECT_EQ(ShowBox("second text", "Two", MB_ICONSTOP), IDOK);
        seen = answerer.Stop();
    }
    EXPECT_EQ(first.caption, "One");
    EXPECT_EQ(first.text, "first text");
    EXPECT_FALSE(first.hasIcon);
    EXPECT_TRUE(second.hasIcon);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1].text, "second text");
}

TEST(DialogAnswerer, AnswersEveryQuestionAsToldAndReadsItsDefault) {
    for (const bool yes : {true, false}) {
        DialogAnswerer answerer(AnswerEveryBox{yes});
        EXPECT_EQ(ShowBox("Go on?", "Question", MB_YESNO | MB_DEFBUTTON2), yes ? IDYES : IDNO);
        EXPECT_EQ(ShowBox("Noted.", "Note"), IDOK);
        const std::vector<DialogSeen> seen = answerer.Stop();
        ASSERT_EQ(seen.size(), 2u);
        EXPECT_TRUE(seen[0].yesNo);
        EXPECT_TRUE(seen[0].noIsDefault);
        EXPECT_FALSE(seen[1].yesNo);
    }
}

TEST(DialogAnswerer, ADialogThatNeverOpensFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            DialogAnswerer answerer({{"Never", CancelDialog()}}, ThisThread(), kShortDeadlineMs);
            answerer.Stop();
        },
        "the dialog \"Never\" never opened");
}

TEST(DialogAnswerer, AnotherDialogIsClosedAfterTheDeadlineAndFailsTheTest) {
    EXPECT_NONFATAL_FAILURE(
        {
            DialogAnswerer answerer({{"Expected", CancelDialog()}}, ThisThread(), kShortDeadlineMs);
            ShowBox("surprise", "Unexpected");  // returns only if the answerer closes it
            answerer.Stop();
        },
        "the dialog \"Expected\" did not open within 1 s; open instead, and closed: \"Unexpected\" saying "
        "\"surprise\"");
}

TEST(DialogAnswerer, ADialogLeftOpenByItsAnswerIsClosedAndFailsTheTest) {
    const DialogAnswer doNothing = [](HWND) {};
    EXPECT_NONFATAL_FAILURE(
        {
            DialogAnswerer answerer({{"Stuck", doNothing}}, ThisThread(), kShortDeadlineMs);
            ShowBox("still here", "Stuck");
            answerer.Stop();
        },
        "the dialog \"Stuck\" was still open 1 s after it was answered");
}

}  // namespace
