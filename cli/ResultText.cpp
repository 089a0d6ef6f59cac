// Meanings of the module's and the command library's result codes, and
// the host's one-line description of a failure.
#include "ResultText.h"

namespace quorvex::cli {

std::string ResultMeaning(int code) {
    switch (code) {
        case 0:
            return "success";
        case 1:
            return "the target offers no reset command";
        case 2:
            return "the PC file cannot be read, or the free-space figure is unknown";
        case 4:
            return "the target's answer carried no usable data";
        case 5:
            return "a PC file cannot be opened or used";
        case 6:
            return "the target refused to open the file";
        case 7:
            return "the target failed to close the file";
        case 8:
            return "the files differ";
        case 9:
            return "the target failed to write";
        case 10:
            return "the target failed to read";
        case 11:
            return "the target could not give the file status";
        case 12:
            return "the target refused the rename";
        case 13:
            return "the target refused to remove the file";
        case 14:
            return "the directory listing failed";
        case 15:
            return "the format failed";
        case 16:
            return "the target refused the mode change";
        case 17:
            return "the target refused to seek";
        case 18:
            return "the file does not fit into the free space";
        case 19:
            return "the new name is longer than the target accepts";
        case 20:
            return "the flash path does not fit the command's 256-byte field";
        case 23:
            return "already at the top folder";
        case 26:
            return "the target refused to create the directory";
        case 27:
            return "the target refused to remove the directory";
        case 28:
            return "stopped on request";
        case 64:
            return "usage error";
        case 70:
            return "internal failure of the host";
        case 100:
            return "the target did not answer in time";
        case 101:
            return "no connection to the target, or it was lost";
        case 102:
            return "the target sent a malformed frame";
        default:
            return "unknown result";
    }
}

std::string DescribeResult(int code, const std::string& flash_path, const std::string& pc_path) {
    std::string text = ResultMeaning(code);
    std::string files;
    if (!flash_path.empty()) files = "flash " + flash_path;
    if (!pc_path.empty()) files += (files.empty() ? "PC " : ", PC ") + pc_path;
    if (!files.empty()) text += " (" + files + ")";
    // The target answers these codes alike for several reasons; say which.
    if (code == 6) {
        text +=
            "; likely: no such file, a name longer than the target's longest name, a "
            "read-only file, or a missing folder";
    } else if (code == 13) {
        text += "; likely: no such file, or a read-only file";
    }
    return text;
}

}  // namespace quorvex::cli
