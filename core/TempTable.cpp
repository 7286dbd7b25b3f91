#include "core/TempTable.h"

#include "core/ProgramFolder.h"
#include "platform/os/FileIo.h"

void DeleteTempTable() {
    for (const char* name : TempTableFiles) DeleteFileIfPresent(ProgramFilePath(name));
}
