#pragma once
// The platform layer's hooks (platform/ui/UiServices.h) as the tool installs them at start-up:
// texts through the language file (core/Language.h), help pages from the program folder's
// help/ (core/ProgramFolder.h).

void InstallAppHooks();
