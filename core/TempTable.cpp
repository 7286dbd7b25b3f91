#include "core/TempTable.h"

#include "core/ProgramFolder.h"
#include "core/ProgramFolderUse.h"
#include "platform/os/FileIo.h"

void NoteTempTable() {
    for (const char* name : TempTableFiles)
        if (FileExists(ProgramFilePath(name))) NoteLeftover(ProgramFilePath(name));
}
