#include "app/AppHooks.h"

#include "core/Language.h"
#include "core/ProgramFolder.h"
#include "platform/ui/UiServices.h"

void InstallAppHooks() {
    SetUiHooks({.TranslateText = TranslateText, .LookupLabel = LookupLabel, .HelpFolder = [] {
                    return ProgramFilePath(HelpFolderName);
                }});
}
