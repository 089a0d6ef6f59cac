#!/bin/sh
# The module's dynamic symbol table: gl_WriteFile and gl_IsFileExistInFlash under
# their plain names, and of the flash-access class exactly the members hosts call.
# Usage: exports.sh NM LIBRARY
export LC_ALL=C
plain=$("$1" -D --defined-only "$2" | grep -c ' T gl_\(WriteFile\|IsFileExistInFlash\)$')
[ "$plain" = 2 ] || { echo "gl_WriteFile, gl_IsFileExistInFlash: not under their plain names"; exit 1; }
members=$("$1" -D --defined-only -C "$2" |
    sed -n 's/.* CFlashExplorerData::\(~*[A-Za-z_]*\)(.*/\1/p' | sort -u | tr '\n' ' ')
expected=$(printf '%s\n' '~CFlashExplorerData' Instance DeleteInstance DeleteAllObjects SetTargetType \
    GetTargetType SetActiveDevice GetVolumeList SetVolumeAndPath GetVolumeAndPath PathLevelDown \
    PathLevelUp GetFileList GetFlashFileNameList UpdateFileInfoList ReadFile WriteFile \
    ComparePcFileWithFlashFile RemoveFile RenameFile MakeDir RemoveDir ChangeMode GetFileStatus \
    FormatFlash QueryCapacity SetRTC ResetBoard SignalReadyEvent SelectDevice | sort | tr '\n' ' ')
[ "$members" = "$expected" ] || { printf 'exported: %s\nexpected: %s\n' "$members" "$expected"; exit 1; }
