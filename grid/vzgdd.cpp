#include "grid/vzgdd.h"

#include "grid/TextUtils.h"
#include "platform/ui/Clipboard.h"

#include <QDropEvent>
#include <QUrl>
#include <QtEndian>

namespace {

const QString kPlainText = QStringLiteral("text/plain");

QStringList RichTextFormats() {
    return {TClipboard::RichTextFormat(), QStringLiteral("application/rtf")};
}

void Answer(QDropEvent& e, Qt::DropAction action) {
    if (action == Qt::IgnoreAction) {
        e.ignore();
        return;
    }
    e.setDropAction(action);
    e.accept();
}

} // namespace

QString GridColumnFormat() {
    return TClipboard::RegisterFormat(QStringLiteral("Grid Column"));
}

// ---- The data a drag offers -------------------------------------------------------------------------

TSourceDataObject::TSourceDataObject(const QString& text, const QString& richText, int column,
                                     bool richTextFlag)
    : text_(text), richText_(richText), column_(column), richTextFlag_(richTextFlag) {}

QStringList TSourceDataObject::formats() const {
    QStringList list;
    if (!text_.isEmpty()) list << kPlainText;
    if (!text_.isEmpty() && richTextFlag_ && richText_.startsWith(QStringLiteral("{\\")))
        list << TClipboard::RichTextFormat();
    if (column_ != -1) list << GridColumnFormat();
    return list;
}

bool TSourceDataObject::hasFormat(const QString& mimeType) const {
    return formats().contains(mimeType);
}

QVariant TSourceDataObject::retrieveData(const QString& mimeType, QMetaType type) const {
    Q_UNUSED(type);
    if (!hasFormat(mimeType)) return {};
    if (mimeType == kPlainText) return text_;
    if (mimeType == TClipboard::RichTextFormat()) return richText_.toLatin1();
    QByteArray block(4, '\0');
    qToLittleEndian<qint32>(column_, block.data());
    return block;
}

// ---- Reading a dropped object ---------------------------------------------------------------------

bool FromAnotherProgram(const QDropEvent& e) {
    // Qt's platform drop data, which fetches each format from the sender when read, derives from
    // QInternalMimeData; a drag of this program carries its own QMimeData.
    return e.source() == nullptr && e.mimeData() && e.mimeData()->inherits("QInternalMimeData");
}

TEnumFormats::TEnumFormats(const QMimeData* data, bool fromAnotherProgram)
    : data_(data), fromAnotherProgram_(fromAnotherProgram) {
    if (!data) return;
    // (QMimeData::hasText also answers true for a list of URLs.)
    if (data->hasFormat(kPlainText)) formats_ |= dfText;
    for (const QString& format : RichTextFormats())
        if (data->hasFormat(format)) formats_ |= dfRichText;
    if (data->hasFormat(GridColumnFormat())) {
        const QByteArray block = data->data(GridColumnFormat());
        if (block.size() == 4) {
            column_ = qFromLittleEndian<qint32>(block.constData());
            formats_ |= dfGridColumn;
        }
    }
    if (data->hasUrls())
        for (const QUrl& url : data->urls())
            if (url.isLocalFile()) files_ << url.toLocalFile();
    if (!files_.isEmpty()) formats_ |= dfFiles;
}

QString TEnumFormats::Text() const {
    return (formats_ & dfText) ? UpToZero(data_->text()) : QString();
}

QString TEnumFormats::RichText() const {
    if (!(formats_ & dfRichText)) return {};
    for (const QString& format : RichTextFormats())
        if (data_->hasFormat(format)) return UpToZero(QString::fromLatin1(data_->data(format)));
    return {};
}

// ---- The receiving side -----------------------------------------------------------------------------

Qt::DropAction TVzgDropTarget::Effect(bool allowed, int formats, Qt::KeyboardModifiers keys,
                                      Qt::DropActions offered) {
    if (!allowed) return Qt::IgnoreAction;
    const bool files = (formats & dfFiles) != 0;
    const Qt::DropAction wanted =
        files || keys.testFlag(Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction;
    if (offered.testFlag(wanted)) return wanted;
    if (!files && offered.testFlag(Qt::CopyAction)) return Qt::CopyAction;
    return Qt::IgnoreAction;
}

Qt::DropAction TVzgDropTarget::InPartEffect(Qt::DropAction action, Qt::DropActions offered) {
    if (action != Qt::MoveAction) return action;
    return offered.testFlag(Qt::CopyAction) ? Qt::CopyAction : Qt::IgnoreAction;
}

void TVzgDropTarget::DragEnter(QDragEnterEvent& e, TPoint screen) {
    Q_UNUSED(screen);
    const TEnumFormats found(e.mimeData(), FromAnotherProgram(e));
    formats_ = found.Formats();
    allowed_ = ((formats_ & dfText) && AcceptText) || ((formats_ & dfFiles) && AcceptFiles) ||
               ((formats_ & dfRichText) && RichTextFlag && AcceptText) ||
               ((formats_ & dfGridColumn) && AcceptColumns);
    DragMouseEnter(found, allowed_);
    Answer(e, Effect(allowed_, formats_, e.modifiers(), e.possibleActions()));
}

void TVzgDropTarget::DragOver(QDragMoveEvent& e, TPoint screen) {
    Qt::DropAction action = Effect(allowed_, formats_, e.modifiers(), e.possibleActions());
    bool allow = action != Qt::IgnoreAction;
    inPart_ = false;
    DragMouseMove(screen, allow, formats_);
    if (!allow) action = Qt::IgnoreAction;
    if (inPart_) action = InPartEffect(action, e.possibleActions());
    Answer(e, action);
}

void TVzgDropTarget::DragLeave() {
    DragMouseLeave();
}

// The drop is refused until every hook has run: a hook that fails or refuses leaves the sender's
// data alone.
void TVzgDropTarget::Drop(QDropEvent& e, TPoint screen) {
    e.ignore();
    if (!allowed_) return;
    taken_ = inPart_ = false;
    const TEnumFormats found(e.mimeData(), FromAnotherProgram(e));
    const int formats = found.Formats();
    if (!(formats & dfGridColumn) && AcceptText) {
        if ((formats & dfRichText) && RichTextFlag) {
            DropRTF(screen, found.RichText());
        } else if (formats & dfText) {
            DropText(screen, found.Text());
            if (found.FromAnotherProgram()) inPart_ = true; // as the drag showed it: no move
        }
    }
    if ((formats & dfGridColumn) && AcceptColumns) DropCol(screen, found.Column());
    if ((formats & dfFiles) && AcceptFiles) DropFiles(screen, found.Files());
    if (!taken_) return;
    const Qt::DropAction action = Effect(true, formats, e.modifiers(), e.possibleActions());
    Answer(e, inPart_ ? InPartEffect(action, e.possibleActions()) : action);
}

// Entering asks nothing of the window: the move that follows at once places its marks.
void TVzgDropTarget::DragMouseEnter(const TEnumFormats&, bool&) {}

// ---- The sending side ------------------------------------------------------------------------------

void TVzgDropSource::GiveFeedback(TDragEffect effect) {
    cancelled_ = effect == TDragEffect::deNone;
    CurrentEffect(effect);
}

TDragEffect StartTextDrag(TDragRunner& runner, QWidget* source, const QString& text, const QString& richText,
                          bool richTextFlag, Qt::DropActions allowed, TVzgDropSource& dropSource) {
    auto data = std::make_unique<TSourceDataObject>(text, richText, -1, richTextFlag);
    const TDragEffect effect = runner.Run(source, std::move(data), allowed, dropSource);
    return dropSource.Cancelled() ? TDragEffect::deNone : effect;
}

TDragEffect StartColumnDrag(TDragRunner& runner, QWidget* source, int column, Qt::DropActions allowed,
                            TVzgDropSource& dropSource) {
    auto data = std::make_unique<TSourceDataObject>(QString(), QString(), column, false);
    const TDragEffect effect = runner.Run(source, std::move(data), allowed, dropSource);
    return dropSource.Cancelled() ? TDragEffect::deNone : effect;
}
