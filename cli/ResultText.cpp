// Meanings of the module's and the command library's result codes.
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
            return "the target refused to open the file (or the side is unknown)";
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

}  // namespace quorvex::cli
