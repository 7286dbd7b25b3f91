#include "core/ui/CoreUiHooks.h"

#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "platform/ui/UiServices.h"

void InstallCoreUiHooks() {
    SetUiHooks({.TranslateText = TranslateText, .LookupLabel = LookupLabel, .HelpFolder = [] {
                    return ProgramFilePath(HelpFolderName);
                }});
}
