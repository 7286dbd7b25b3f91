#pragma once
// Application-window helpers of the desktop library: the names under which a running copy of an
// application can be found, finding it, bringing it to the front, and the message box of the
// library's components.
//
// A running copy is found through its single-instance guard (qvxComponents.h), one per user and
// application title:
//   <folder>/<id>.OneInstance.Default.lock   the lock held by the running copy (QLockFile: it
//                                            names the holder's process, so a lock left by a
//                                            killed process is recognised and taken over)
//   qvx-<hash>.OneInstance                   the running copy's local socket, in the abstract
//                                            namespace (no file, gone with its process); a later
//                                            copy connects and sends the line "activate"
// <folder> is the user's runtime folder ($XDG_RUNTIME_DIR), else the temporary folder. <id> is
// the title with every character but letters, digits, '.', '-' and '_' replaced by '_', then '-'
// and 8 hex digits of the title's SHA-1 (titles that differ only in replaced characters stay
// apart), and in the temporary folder also "-u" and the user id. <hash> is 32 hex digits of the
// SHA-256 of "<folder>/<id>.OneInstance": the socket's name is as short whatever the folder's
// length (a socket's path has room for 107 bytes only). Both ends check that the other runs as
// the same user: an abstract socket has no file whose permissions would keep other users out.

#include <QString>

#include <functional>

class QObject;

struct TqvxInstanceNames {
    QString stem;       // "<folder>/<id>.OneInstance": files kept beside the lock begin with it
    QString lockFile;   // stem + ".Default.lock"
    QString serverName; // the local socket's name (QLocalServer::AbstractNamespaceOption)
};

// folder: empty for the user's runtime folder.
TqvxInstanceNames qvxInstanceNames(const QString& title, const QString& folder = {});

// The application title of an owner: the window title of the top-level widget that owns the
// object (or is the object), else the application's display name.
QString qvxApplicationTitle(const QObject* owner);

// The name of the local socket of another running copy with this title that accepts a connection;
// empty when there is none. A copy that holds the lock but does not listen yet is waited for (about 2 s).
QString qvxFindPrevInstanceWindow(const QString& title, const QString& folder = {});

// Asks the running copy to come to the front ("activate"); true when the request was delivered.
bool qvxActivatePrevInstance(const QString& title, const QString& folder = {});

// True when the process at the other end of a connected local socket runs as this user.
bool qvxPeerIsThisUser(qintptr socketDescriptor);

// The library's message boxes (caption, text); a warning box unless replaced (tests record).
using TqvxMessageSink = std::function<void(const QString& caption, const QString& text)>;
void qvxShowMessage(const QString& caption, const QString& text);
TqvxMessageSink qvxSetMessageSink(TqvxMessageSink sink); // empty restores the box; returns the previous
