#pragma once
// The user's trash (the freedesktop.org trash rules), where deletions that may be undone go.
//
// Folder: $XDG_DATA_HOME/Trash (~/.local/share/Trash when unset), made with mode 0700:
//   files/<name>              the trashed file or folder
//   info/<name>.trashinfo     [Trash Info]
//                             Path=<the original absolute path, percent-encoded>
//                             DeletionDate=<local time, yyyy-MM-ddThh:mm:ss>
// <name> is the original name, or "<base>.<n>.<ext>" (n = 2, 3, ...) when it is taken; the info
// file is made first (exclusively), so two deletions never take one name. A file on another
// device is copied into the trash and then removed.

#include <QString>

#include <system_error>

QString qvxTrashFolder();
// Moves path into the trash; the error of the first failing step, or none.
std::error_code qvxMoveToTrash(const QString& path);
