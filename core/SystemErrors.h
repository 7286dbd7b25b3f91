#pragma once
// Failures of the system in the user's language. Every message the tool shows says in Portuguese
// what failed and why; the system's own (English) text is never shown.
//
//   SystemErrorText(ENOSPC)  "não há espaço livre no disco"
//   OsErrorMessage(error)    "Não foi possível gravar o arquivo /x/campo.npx: não há espaço livre
//                             no disco."
// Both go through the language file.

#include "platform/os/OsError.h"

#include <string>

// The cause a system error number stands for: the common ones by name, any other as "erro do
// sistema" and its number.
std::string SystemErrorText(int errorNumber);

// What failed (reading or writing a file, making a folder, deleting a file), on which file, and
// why. A failure that is not the system's gives its own text.
std::string OsErrorMessage(const EOsError& error);
// Only the file and why: "/x/CENTRPRG.DAD: permissão negada".
std::string OsErrorDetail(const EOsError& error);
