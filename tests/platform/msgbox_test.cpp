// Message boxes go to the installed presenter.
#include "platform/msgbox.h"

#include <gtest/gtest.h>

namespace {

using quorvex::platform::DefaultButton;
using quorvex::platform::RecordingMessageBoxPresenter;
using quorvex::platform::SetMessageBoxPresenter;
using quorvex::platform::StderrMessageBoxPresenter;

TEST(MessageBoxes, PresenterRecordsBoxesAndAnswers) {
    RecordingMessageBoxPresenter recorder(IDCANCEL);
    auto* previous = SetMessageBoxPresenter(&recorder);
    EXPECT_EQ(MessageBoxA(nullptr, "Failed to change resource handle",
                          "Error in - Use Custom Resource", MB_OK | MB_ICONERROR),
              IDCANCEL);
    recorder.SetAnswer(IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, nullptr, nullptr, MB_YESNO), IDYES);

    auto boxes = recorder.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, "Failed to change resource handle");
    EXPECT_EQ(boxes[0].caption, "Error in - Use Custom Resource");
    EXPECT_EQ(boxes[0].type, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(boxes[1].text, "");
    EXPECT_EQ(boxes[1].caption, "Error");

    EXPECT_EQ(SetMessageBoxPresenter(previous), &recorder);
    // nullptr brings back the stderr presenter.
    SetMessageBoxPresenter(nullptr);
    EXPECT_NE(dynamic_cast<StderrMessageBoxPresenter*>(quorvex::platform::GetMessageBoxPresenter()),
              nullptr);
}

TEST(MessageBoxes, DefaultButtonFollowsTypeAndDefaultFlag) {
    EXPECT_EQ(DefaultButton(MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(DefaultButton(MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(DefaultButton(MB_YESNO), IDYES);
    EXPECT_EQ(DefaultButton(MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(DefaultButton(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    EXPECT_EQ(DefaultButton(0x0F), IDOK);
}

}  // namespace
