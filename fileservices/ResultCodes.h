// The module's own UE_errCode_t values, named once for every flash operation.
// Codes of the command library (UE_LINK_*, 100 and up) pass through unchanged.
#pragma once

#include "quorvex/FlashExplorerData.h"

enum : UE_errCode_t {
    UE_SUCCESS = 0,
    // WriteFile: the PC file's size cannot be read, or the free-space figure
    // has all 32 bits set.
    UE_PC_FILE_SIZE_ERROR = 2,
    // The root path's FDI version is unknown, the volume list carried no data,
    // or an answer carried less than its layout needs.
    UE_TARGET_DATA_ERROR = 4,
    // A PC-side file cannot be opened or used.
    UE_PC_FILE_ERROR = 5,
    // Open refused by the target or answered for another name.
    UE_FOPEN_ERROR = 6,
    // Same value: a listing asked while the target side is neither CP nor AP.
    UE_UNKNOWN_TARGET_TYPE = 6,
    UE_FCLOSE_ERROR = 7,
    // The PC file and the flash file differ.
    UE_COMPARE_MISMATCH = 8,
    UE_FWRITE_ERROR = 9,
    // A read answered with anything but a read packet.
    UE_FREAD_ERROR = 10,
    UE_FSTATUS_ERROR = 11,
    UE_RENAME_ERROR = 12,
    UE_REMOVE_ERROR = 13,
    // The target failed the listing, or sent a malformed name list.
    UE_FILE_LIST_ERROR = 14,
    UE_FORMAT_ERROR = 15,
    UE_CHANGE_MODE_ERROR = 16,
    // The target refused to seek.
    UE_FSEEK_ERROR = 17,
    // WriteFile: the file does not fit into the volume's free space.
    UE_NOT_ENOUGH_SPACE = 18,
    // RenameFile: the new name is longer than the target accepts.
    UE_FILE_NAME_TOO_LONG = 19,
    // A flash path (or mode text) does not fit the command's 256-byte field;
    // refused before anything is sent.
    UE_FLASH_PATH_TOO_LONG = 20,
    // PathLevelUp from an empty current path.
    UE_PATH_LEVEL_UP_ERROR = 23,
    UE_MKDIR_ERROR = 26,
    UE_RMDIR_ERROR = 27,
    // ReadFile/WriteFile stopped through the stop flag.
    UE_TRANSFER_STOPPED = 28,
};
