#pragma once
// The program folder's use lock: which copies of the tool work on the folder, so that a copy sweeps
// what killed copies left (core/LeftoversNote.h) only while no other copy works there, whatever runtime
// folder each copy has. The lock is on byte ranges of the folder's note "CENTRPRG.SAV" (locks of an
// open file, which go with the copy however it ends):
//  - every copy that works on the folder holds byte 0 shared for as long as it runs;
//  - a copy that starts first tries byte 0 exclusively. When it gets it, no other copy works on the
//    folder: whatever the note names was left by copies that were killed, and this copy removes it
//    (the sweep), empties the note and keeps the byte shared. A copy that cannot get it sweeps
//    nothing; it waits for the byte shared (a sweep under way ends first), for SweepWait at most:
//    a process that keeps it exclusively longer (stuck, or another account's on a shared folder) leaves
//    the copy without the note, as a folder where it cannot be locked does;
//  - byte 1 is held exclusively while a copy changes the list (a copy that cannot get it within 2 s
//    leaves its file unnoted).
// Only a note this copy's account may trust (core/LeftoversNote.h, Trust) is locked, written or swept:
// a copy that finds another account's note, or one that others may write, leaves it alone and works
// without it, as a copy does that cannot open the note (another account's that it may not write, a
// read-only folder).

#include <chrono>
#include <mutex>
#include <string>

inline constexpr std::chrono::milliseconds SweepWait{10000};

class TProgramFolderUse {
public:
    // Makes the folder when missing, opens its note and takes the folder's use as above, sweeping
    // when no other copy uses the folder. Raises nothing: where the note cannot be opened, trusted or
    // locked (a read-only folder, another account's note, a file system without such locks) the copy
    // goes on without it: nothing it writes is noted and nothing is swept. The copy's safe writes are noted
    // from here on, until the use ends; at most one use exists at a time.
    explicit TProgramFolderUse(const std::string& folder, std::chrono::milliseconds sweepWait = SweepWait);
    ~TProgramFolderUse();
    TProgramFolderUse(const TProgramFolderUse&) = delete;
    TProgramFolderUse& operator=(const TProgramFolderUse&) = delete;

    bool Held() const { return fd_ >= 0; }
    // True when this copy was alone at its start and swept.
    bool Swept() const { return swept_; }
    // What could not be opened, trusted, locked or read, "" when nothing.
    const std::string& Problem() const { return problem_; }

    // Adds the file (as it is now) to the note, or takes it out; without effect while not held.
    void Note(const std::string& path);
    void Forget(const std::string& path);

private:
    bool Open();
    void Change(const std::string& path, bool add);

    std::string folder_;
    std::string note_;
    int fd_ = -1;
    bool swept_ = false;
    std::string problem_;
    std::mutex mutex_; // one change of the list at a time within the copy
};

// What the use of this process, if any, notes and forgets (core/TempTable.cpp).
void NoteLeftover(const std::string& path);
void ForgetLeftover(const std::string& path);
