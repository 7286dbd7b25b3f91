#pragma once
// Failures of the system in the user's language. Every message the tool shows says in Portuguese
// what failed and why; the system's own (English) text is never shown.
//
//   SystemErrorText(ENOSPC)  "não há espaço livre no disco"
//   OsErrorMessage(error)    "Não foi possível gravar o arquivo /x/campo.npx: não há espaço livre
//                             no disco."
// Where a permission is refused on a file or folder of another account, the message says whose it is
// and what to do (OtherAccountAdvice). All go through the language file.

#include "platform/os/OsError.h"

#include <string>

// The cause a system error number stands for: the common ones by name, any other as "erro do
// sistema" and its number.
std::string SystemErrorText(int errorNumber);

// What failed (reading or writing a file, making a folder, deleting a file), on which file, and
// why, with the advice below on a line of its own. A failure that is not the system's gives its own
// text.
std::string OsErrorMessage(const EOsError& error);
// Only the file and why: "/x/CENTRPRG.DAD: permissão negada".
std::string OsErrorDetail(const EOsError& error);
// The advice below on a line of its own ("\n" first), "" when there is none.
std::string OsErrorAdviceLine(const EOsError& error);

// For a refused permission (EACCES, EPERM) on the path: when the file, or else its folder, belongs to
// another account, whose it is and what to do ("O arquivo /x/TEMPORAR.DAT é do usuário ana. Peça a
// esse usuário que feche o programa e apague o arquivo; depois tente de novo."; in a folder with the
// sticky bit, where only the owner removes or replaces a file, "... que apague o arquivo ..."). For a
// file in use (EAGAIN, EBUSY, ETXTBSY) of another account: whose it is, and to ask that account to
// close the program. "" for any other error, for a file and folder of this account, and when the
// owner cannot be told.
std::string OtherAccountAdvice(const std::string& path, int errorNumber);
