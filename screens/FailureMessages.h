#pragma once
// The message a box shows for a failure caught at the edge of a screen or command: in Portuguese,
// what failed and why.
//  - a system failure (EOsError): the file, the action and the cause (core/SystemErrors.h);
//  - an engine failure: the table, the action and, when the system gave one, the cause; then, on
//    a line of its own, the engine's own text, which is English;
//  - anything else: its text, which the tool's own failures already give in Portuguese.

#include <exception>
#include <string>

std::string FailureMessage(const std::exception& error);
