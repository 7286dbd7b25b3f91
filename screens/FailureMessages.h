#pragma once
// The message a box shows for a failure caught at the edge of a screen or command: in Portuguese
// alone, what failed and why.
//  - a system failure (EOsError): the file, the action and the cause (core/SystemErrors.h);
//  - an engine failure: the table, the action, the cause (the system's, when it gave one, else the
//    engine's code's) and the engine's code, whose English text is not shown:
//      "Erro na tabela TEMPORAR.DAT: permissão negada (código 8450)."
//  - a failure of the dataset layer below the table component, which speaks English: a misuse of
//    it, said as such;
//  - anything else: its text, which the tool's own failures already give in Portuguese.
// Where a permission is refused on another account's file, or its file is in use, a line of its own
// says whose file it is and what to do (OtherAccountAdvice, core/SystemErrors.h).

#include <exception>
#include <string>

std::string FailureMessage(const std::exception& error);
