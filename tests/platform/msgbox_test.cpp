// Message boxes go to the installed presenter.
#include "platform/msgbox.h"

#include <gtest/gtest.h>

namespace {

using quorvex::platform::DefaultButton;

TEST(MessageBoxes, DefaultButtonFollowsTypeAndDefaultFlag) {
    EXPECT_EQ(DefaultButton(MB_OK | MB_ICONERROR), IDOK);
    EXPECT_EQ(DefaultButton(MB_OKCANCEL | MB_DEFBUTTON2), IDCANCEL);
    EXPECT_EQ(DefaultButton(MB_YESNO), IDYES);
    EXPECT_EQ(DefaultButton(MB_YESNO | MB_DEFBUTTON2), IDNO);
    EXPECT_EQ(DefaultButton(MB_YESNOCANCEL | MB_DEFBUTTON3), IDCANCEL);
    EXPECT_EQ(DefaultButton(0x0F), IDOK);
}

}  // namespace
