// Files the grid opens because a text from outside named them (a picture in a cell or a mini-HTML
// text, a workbook, a delimited file): only regular files are opened. A FIFO, a device or a folder
// is refused without being opened for reading, as it could block the program or never end. The
// program's own resources (":/...") count as regular files.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

class QFile;

// Whether the path leads (through its links) to a regular file; nothing is opened.
bool IsRegularFile(const QString& path);

// Opens the file for reading when the path leads to a regular file; false otherwise (also when it
// cannot be opened).
bool OpenRegularFile(QFile& file, const QString& path);

// The whole file when it is a regular file of at most maxBytes; nothing otherwise (also when it
// cannot be read).
std::optional<QByteArray> ReadRegularFile(const QString& path, qint64 maxBytes);
