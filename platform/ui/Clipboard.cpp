#include "platform/ui/Clipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

QString TClipboard::RichTextFormat() {
    return QStringLiteral("text/rtf");
}

QString TClipboard::RegisterFormat(const QString& name) {
    return QStringLiteral("application/x-centrprg-") + name.toLower().simplified().replace(u' ', u'-');
}

void TClipboard::Open() {
    if (openCount_++ == 0) pending_ = std::make_unique<QMimeData>();
}

void TClipboard::Close() {
    if (openCount_ == 0 || --openCount_ > 0) return;
    if (pending_ && !pending_->formats().isEmpty())
        QApplication::clipboard()->setMimeData(pending_.release());
    pending_.reset();
}

void TClipboard::Clear() {
    if (pending_)
        pending_ = std::make_unique<QMimeData>();
    else
        QApplication::clipboard()->clear();
}

void TClipboard::Put(const std::function<void(QMimeData&)>& fill) {
    if (pending_) {
        fill(*pending_);
        return;
    }
    auto data = std::make_unique<QMimeData>();
    fill(*data);
    QApplication::clipboard()->setMimeData(data.release());
}

bool TClipboard::HasFormat(const QString& mime) const {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data && data->hasFormat(mime);
}

QString TClipboard::AsText() const {
    return QApplication::clipboard()->text();
}

void TClipboard::SetAsText(const QString& text) {
    Put([&](QMimeData& data) { data.setText(text); });
}

QByteArray TClipboard::Data(const QString& mime) const {
    const QMimeData* data = QApplication::clipboard()->mimeData();
    return data ? data->data(mime) : QByteArray();
}

void TClipboard::SetData(const QString& mime, const QByteArray& bytes) {
    Put([&](QMimeData& data) {
        data.setData(mime, bytes);
        if (mime == RichTextFormat()) data.setData(QStringLiteral("application/rtf"), bytes);
    });
}

TClipboard& Clipboard() {
    static TClipboard clipboard;
    return clipboard;
}
