// System texts of error codes.
#include "platform/errors.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/files.h"

namespace {

std::string SystemText(DWORD code, DWORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT)) {
    LPSTR buffer = nullptr;
    DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, language, reinterpret_cast<LPSTR>(&buffer), 0, nullptr);
    if (length == 0) return "<none>";
    std::string text(buffer);
    EXPECT_EQ(text.size(), length);
    EXPECT_EQ(LocalFree(buffer), nullptr);
    return text;
}

TEST(SystemTexts, TextsEndWithCrLfAndFailForUnknownCodesLanguagesOrShortBuffers) {
    EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND), "The system cannot find the file specified.\r\n");
    EXPECT_EQ(SystemText(ERROR_MOD_NOT_FOUND), "The specified module could not be found.\r\n");
    EXPECT_EQ(SystemText(ERROR_ALREADY_EXISTS),
              "Cannot create a file when that file already exists.\r\n");
    EXPECT_EQ(SystemText(ERROR_ACCESS_DENIED, 0), "Access is denied.\r\n");

    EXPECT_EQ(SystemText(0xDEAD), "<none>");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MR_MID_NOT_FOUND));
    EXPECT_EQ(SystemText(ERROR_FILE_NOT_FOUND, MAKELANGID(0x0c, SUBLANG_DEFAULT)), "<none>");
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND));

    // A caller's buffer must hold the text and its zero.
    const std::string expected = "Access is denied.\r\n";
    char buffer[64];
    DWORD exact = static_cast<DWORD>(expected.size() + 1);
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, buffer,
                             exact, nullptr),
              expected.size());
    EXPECT_EQ(std::string(buffer), expected);
    EXPECT_EQ(FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, buffer,
                             exact - 1, nullptr),
              0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

}  // namespace
