#pragma once
// What a killed tool can leave behind, how each copy keeps account of it, and the sweep that removes
// it at a later start.
//
// A kill can leave:
//  - "<name>.tmp-XXXXXX" (six letters or digits): the temporary file of a safe write
//    (platform/os/FileIo.h) cut short, of the program folder's own files (the users, the settings,
//    the seeded defaults and help pages) or of a programming file saved, wherever it goes;
//  - "TEMPORAR.DAT", "TEMPORAR.IDX" and "TEMPORAR.BLB" in the program folder: the scratch table of
//    a data-aware screen (core/TempTable.h).
//
// The note "CENTRPRG.SAV" in the program folder names each of those files while a copy has it. It is
// also the folder's use lock, so that no copy removes what another copy is writing, whatever runtime
// folder or user each copy has (locks on byte ranges of an open file, which go with the copy however
// it ends):
//  - every copy that works on the folder holds byte 0 shared for as long as it runs;
//  - a copy that starts first tries byte 0 exclusively. When it gets it, no other copy works on the
//    folder: whatever the note names was left by copies that were killed, and this copy removes it
//    (the sweep), empties the note and keeps the byte shared. A copy that cannot get it sweeps
//    nothing; it waits for the byte shared (a sweep under way ends first), for SweepWait at most:
//    a process that keeps it exclusively longer (stuck, or another user's on a shared folder) leaves
//    the copy without the note, as a folder where it cannot be locked does;
//  - byte 1 is held exclusively while a copy changes the list (a copy that cannot get it within 2 s
//    leaves its file unnoted).
// The note's format: lines of "<device> <inode> <absolute path>\n", the device and inode (decimal)
// those of the file when it was noted (a path with a line break is not noted). A change empties the note and
// writes the whole list again, so that a kill leaves at most its last line without its "\n": such a line is
// ignored. Writers keep the lines of others as they stand. The sweep removes only what the note names and
// only while it is still that file: a regular file (no link) with the noted device and inode, whose name is
// of the kinds above (the scratch table's only in the program folder); never a file by its name alone. A note
// that is larger than 1 MiB, that cannot be read, or one of whose lines is not of that form is acted on not
// at all and emptied (only killed copies wrote it); Problem() says what could not be read.

#include <chrono>
#include <mutex>
#include <string>

inline constexpr char LeftoversNoteName[] = "CENTRPRG.SAV";
inline constexpr std::chrono::milliseconds SweepWait{10000};

class TProgramFolderUse {
public:
    // Makes the folder when missing, opens its note and takes the folder's use as above, sweeping
    // when no other copy uses the folder. Raises nothing: where the note cannot be opened or locked
    // (a read-only folder, a file system without such locks) the copy goes on without it: nothing
    // it writes is noted and nothing is swept. The copy's safe writes are noted from here on, until
    // the use ends; at most one use exists at a time.
    explicit TProgramFolderUse(const std::string& folder, std::chrono::milliseconds sweepWait = SweepWait);
    ~TProgramFolderUse();
    TProgramFolderUse(const TProgramFolderUse&) = delete;
    TProgramFolderUse& operator=(const TProgramFolderUse&) = delete;

    bool Held() const { return fd_ >= 0; }
    // True when this copy was alone at its start and swept.
    bool Swept() const { return swept_; }
    // What could not be opened, locked or read, "" when nothing.
    const std::string& Problem() const { return problem_; }

    // Adds the file (as it is now) to the note, or takes it out; without effect while not held.
    void Note(const std::string& path);
    void Forget(const std::string& path);

private:
    bool Open();
    void Sweep();
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
