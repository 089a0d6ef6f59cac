#!/bin/sh
# The module's dynamic symbol table: the plain functions under their undecorated
# names, and of the flash-access class exactly the members hosts may call.
# Usage: exports.sh NM LIBRARY
set -u
nm=$1
lib=$2
status=0
for name in gl_WriteFile gl_IsFileExistInFlash Init Term LoadModuleMenu CanClose SaveWorkspace \
    LoadWorkspace CloseWorkspace CommConnectionFunc QuorvexDbUpdateEvent; do
    if ! "$nm" -D --defined-only "$lib" | grep -q " T $name\$"; then
        echo "not exported under its plain name: $name"
        status=1
    fi
done
expected="~CFlashExplorerData ChangeMode ComparePcFileWithFlashFile DeleteAllObjects DeleteInstance
FormatFlash GetFileList GetFileStatus GetFlashFileNameList GetTargetType GetVolumeAndPath
GetVolumeList Instance MakeDir PathLevelDown PathLevelUp QueryCapacity ReadFile RemoveDir
RemoveFile RenameFile ResetBoard SelectDevice SetActiveDevice SetRTC SetTargetType
SetVolumeAndPath SignalReadyEvent UpdateFileInfoList WriteFile"
actual=$("$nm" -D --defined-only -C "$lib" |
    sed -n 's/.* CFlashExplorerData::\(~*[A-Za-z_]*\)(.*/\1/p' | sort -u | tr '\n' ' ')
expected=$(echo $expected | tr ' ' '\n' | sort -u | tr '\n' ' ')
if [ "$actual" != "$expected" ]; then
    echo "CFlashExplorerData exports: $actual"
    echo "expected exactly:           $expected"
    status=1
fi
exit $status
