#pragma once
// Application-window helpers of the desktop library: the names under which a running copy of an
// application can be found, finding it, bringing it to the front, and the message box of the
// library's components.
//
// A running copy is found through the files of its single-instance guard (qvxComponents.h), one
// pair per user and application title:
//   <folder>/<id>.OneInstance.Default.lock   the lock held by the running copy (QLockFile: it
//                                            names the holder's process, so a lock left by a
//                                            killed process is recognised and taken over)
//   <folder>/<id>.OneInstance                the running copy's local socket; a later copy
//                                            connects and sends the line "activate"
// <folder> is the user's runtime folder ($XDG_RUNTIME_DIR), else the temporary folder. <id> is
// the title with every character but letters, digits, '.', '-' and '_' replaced by '_', then '-'
// and 8 hex digits of the title's SHA-1 (titles that differ only in replaced characters stay
// apart), and in the temporary folder also "-u" and the user id.

#include <QString>

#include <functional>

class QObject;

struct TqvxInstanceNames {
    QString lockFile;
    QString serverName; // the local socket's path
};

// folder: empty for the user's runtime folder.
TqvxInstanceNames qvxInstanceNames(const QString& title, const QString& folder = {});

// The application title of an owner: the window title of the top-level widget that owns the
// object (or is the object), else the application's display name.
QString qvxApplicationTitle(const QObject* owner);

// The local socket of another running copy with this title that accepts a connection; empty when
// there is none. A copy that holds the lock but does not listen yet is waited for (about 2 s).
QString qvxFindPrevInstanceWindow(const QString& title, const QString& folder = {});

// Asks the running copy to come to the front ("activate"); true when the request was delivered.
bool qvxActivatePrevInstance(const QString& title, const QString& folder = {});

// The library's message boxes (caption, text); a warning box unless replaced (tests record).
using TqvxMessageSink = std::function<void(const QString& caption, const QString& text)>;
void qvxShowMessage(const QString& caption, const QString& text);
TqvxMessageSink qvxSetMessageSink(TqvxMessageSink sink); // empty restores the box; returns the previous
