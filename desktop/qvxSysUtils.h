#pragma once
// System routines of the desktop library: string and file-name routines, the keyboard's shift
// state, the system version, the program folder and log-file name, the registry of component
// classes, and the closing of handles.
//
// File names: only "/" separates folders ("\" and ":" are ordinary name characters). The
// routines named after backslashes (qvxIncludeBackslash, qvxSingleBackslashes) work on "/".
// The extension of a name is its part from the last "." on, the dot included.

#include "platform/ui/Keys.h"

#include <QString>
#include <QStringList>

#include <functional>

class QObject;

// The shift state of the keyboard now: Shift, Ctrl and Alt.
TShiftState qvxGetShiftState();

// 1-based position of sub in s from position from (below 1 counts as 1); 0 when absent or empty.
int qvxPosFrom(const QString& sub, const QString& s, int from);
// Replaces every occurrence of oldText; the scan goes on after the inserted text, so a
// replacement that holds oldText is not replaced again. An empty oldText changes nothing.
void qvxReplaceAll(QString& s, const QString& oldText, const QString& newText);
void qvxReplaceChar(QString& s, QChar oldChar, QChar newChar);
// Fills list with the parts of s between separators ("a,,b" -> "a", "", "b"; "" -> no part).
void qvxSplitToStrings(const QString& s, const QString& separator, QStringList& list);

// True when the file exists (a folder is no file), or when it can be created (it is created and
// removed again).
bool qvxIsUsableFileName(const QString& name);
QString qvxIncludeBackslash(const QString& folder); // adds a trailing "/" when missing
QString qvxSingleBackslashes(const QString& path);  // "//" -> "/"
QString qvxExtractName(const QString& path);        // after the last "/"
QString qvxExtractPath(const QString& path);        // up to and including the last "/"
QString qvxNameWithoutExt(const QString& path);     // the name without its extension
QString qvxExtractExt(const QString& path);         // ".txt"; empty when the name has no "."
// The name a source gets under a mask: the mask's folder (else the source's), the mask's name
// and extension unless empty or holding "*" or "?" (else the source's); an empty mask gives the
// source. "/a/x.txt" under "/b/*.bak" gives "/b/x.bak".
QString qvxTargetFileName(const QString& source, const QString& mask);
// A name without a folder part put into folder; a name with one stays as it is.
QString qvxMakeFullName(const QString& folder, const QString& name);

// The system version. The codes name releases of another system; here the code is always 0
// (unrecognised) and every flag false. qvxOSDescription names the running system for logs
// ("Debian GNU/Linux 12 (bookworm); Linux 6.1.0 x86_64").
struct TqvxOSVersion {
    int code = 0;
    bool newer9x = false; // a code other than 1 and 2 of the 9x family
    bool newerNT = false; // a code other than 5 and 6 of the NT family
    bool isNT = false;
};
const TqvxOSVersion& qvxOSVersion();
QString qvxOSDescription();

// The executable's folder with a trailing "/", its full name, and that name with the extension
// ".log" (the log file's name; nothing writes it).
QString qvxProgramFolder();
QString qvxExecutableName();
QString qvxLogFileName();

// Registry of component classes by name: a class registers once; a second class of a name
// already registered is ignored. The library's own classes are registered from the start
// (qvxLibraryClasses.h).
using TqvxComponentFactory = std::function<QObject*(QObject* owner)>;
struct TqvxComponentClass {
    QString name;
    TqvxComponentFactory create;
};
void qvxRegisterClasses(const QList<TqvxComponentClass>& classes);
// The factory of a registered class; empty when none.
TqvxComponentFactory qvxFindClass(const QString& name);

// Closes a file descriptor unless it is -1 (the invalid handle); true when closed.
bool qvxCloseHandle(int handle);
