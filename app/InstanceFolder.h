#pragma once
// The program folder of the running copy, published beside its single-instance lock (in the
// user's runtime folder, as "<the guard's stem>.folder", desktop/qvxFormUtils.h), so that a second
// start can tell whether it was asked for the folder the running copy works on.

#include <optional>
#include <string>

class TqvxOneInstance;

// Written by the copy that holds the lock once it has taken the folder's use, before it listens
// (TqvxOneInstance::InstanceTaken); a failure to write is ignored.
void PublishProgramFolder(const TqvxOneInstance& guard, const std::string& folder);
void WithdrawProgramFolder(const TqvxOneInstance& guard);
// What the running copy published; nothing when it published nothing.
std::optional<std::string> PublishedProgramFolder(const TqvxOneInstance& guard);
// For a later start given a folder: waits until the running copy can be reached (its folder is
// published by then) and, when it works on another folder, says in a box that the tool is open.
void SayWhenRunningOnAnotherFolder(const TqvxOneInstance& guard, const std::string& folder);
// For a start whose guard could make no lock (TqvxOneInstance::Unguarded): says in a box that
// nothing keeps a second copy from running on the folder, naming the lock that failed.
void SayWhenUnguarded(const TqvxOneInstance& guard);
