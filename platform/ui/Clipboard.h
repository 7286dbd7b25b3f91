// The system clipboard in the class library's manner: plain text, rich text and formats of the
// program's own, each a MIME type. Between Open and Close several formats are gathered and put on
// the clipboard together (as one offer); outside them each set replaces the clipboard.
//
// Formats: plain text is "text/plain"; rich text is "text/rtf" (also offered as
// "application/rtf"); a format the program registers by name becomes
// "application/x-centrprg-" followed by the name in lower case with blanks as '-'.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <memory>

class QMimeData;

class TClipboard {
public:
    static QString RichTextFormat();
    // The MIME type of a format the program names itself (e.g. a grid's cell stream).
    static QString RegisterFormat(const QString& name);

    void Open();
    void Close();
    void Clear();

    bool HasFormat(const QString& mime) const;
    QString AsText() const;
    void SetAsText(const QString& text);
    QByteArray Data(const QString& mime) const;
    void SetData(const QString& mime, const QByteArray& data);

private:
    void Put(const std::function<void(QMimeData&)>& fill);
    int openCount_ = 0;
    std::unique_ptr<QMimeData> pending_;
};

// The application's clipboard object.
TClipboard& Clipboard();
