// Drag and drop between a window and other windows or programs, on Qt's drag and drop: the data a
// drag offers (TSourceDataObject), the reader of dropped data (TEnumFormats), the receiving side
// with its hooks (TVzgDropTarget), the sending side's feedback (TVzgDropSource) and the two drag
// starters. The grid binds them to itself (GridDragDrop.h).
//
// Formats (MIME types):
//   text/plain        the text: cells joined by TAB, rows by CR LF
//   text/rtf          rich text, its characters as Latin-1 bytes (a drop also takes
//                     "application/rtf")
//   GridColumnFormat  a dragged grid column: its index as a 32-bit little-endian integer
//   text/uri-list     files; a drop takes the local ones (file: URLs), other URLs are no files
// A drop notes the formats it holds in one byte of dfText, dfFiles, dfGridColumn, dfRichText.
//
// Effects: a drop that is allowed copies when Ctrl is held and moves otherwise. A drop that brings
// files always copies: the receiver only reads them, and a move would let the sender remove them.
// When the sender does not offer the effect the rule gives, the other one is taken if offered. A
// move is answered only where the drop takes the data whole: where it would take part of it (a
// move would let the sender remove the rest), it copies if the sender offers that, else it is
// refused.
#pragma once

#include "grid/DragRunner.h"
#include "platform/ui/Geometry.h"

#include <QMimeData>
#include <QStringList>

class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;

enum : int { dfText = 1, dfFiles = 2, dfGridColumn = 4, dfRichText = 8 };

// The program's own MIME type of a dragged grid column.
QString GridColumnFormat();

// What a drag out of the grid offers: text (text/plain) when there is any; rich text when the
// rich-text flag is set, there is text, and the rich text is RTF (starts with "{\"); a column
// (GridColumnFormat) when its index is not -1. The formats come in that order.
class TSourceDataObject : public QMimeData {
public:
    TSourceDataObject(const QString& text, const QString& richText, int column, bool richTextFlag);
    const QString& Text() const { return text_; }
    const QString& RichText() const { return richText_; }
    int Column() const { return column_; }

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    QString text_, richText_;
    int column_;
    bool richTextFlag_;
};

// A dropped object read: which formats it holds and what they hold. Data that cannot be read (a
// column block that is not 4 bytes, a URL list without local files) counts as absent.
class TEnumFormats {
public:
    // fromAnotherProgram: each read of the data asks the program the drag comes from for it
    // (FromAnotherProgram).
    explicit TEnumFormats(const QMimeData* data, bool fromAnotherProgram = false);
    bool FromAnotherProgram() const { return fromAnotherProgram_; }
    // dfText, dfFiles, dfGridColumn, dfRichText of the formats held.
    int Formats() const { return formats_; }
    QString Text() const;
    QString RichText() const;
    // The dropped column (-1 when none).
    int Column() const { return column_; }
    const QStringList& Files() const { return files_; }

private:
    const QMimeData* data_;
    bool fromAnotherProgram_;
    int formats_ = 0, column_ = -1;
    QStringList files_;
};

// Whether the data a drag event carries comes from another program, which the platform asks for it
// at every read (rather than data this program holds: its own drags, or data made here).
bool FromAnotherProgram(const QDropEvent& e);

// The receiving side of drag and drop. The window it serves hands Qt's drag events on to it
// (DragEnter, DragOver, DragLeave, Drop); it decides on entry whether the drop is allowed, keeps
// the effect rule and calls its hooks with the pointer as a screen point:
// - entering: the drop is allowed when text is held and text accepted; else files and files
//   accepted; else rich text, the rich-text flag and text accepted; else a column and columns
//   accepted. DragMouseEnter, given what the object holds (to weigh it once), may refuse a drop
//   that no point would take. Text from another program is not read while the drag runs: each
//   read would keep both programs waiting while the sender gives all of it (a large text for many
//   seconds, and some senders never recover), so what depends on it waits for the drop.
// - each move: DragMouseMove decides with Allow starting as whether the drop is allowed and the
//   formats held; a refusal refuses the drop there, and InPart marks a drop there that would take
//   only part of the data.
// - leaving: DragMouseLeave.
// - dropping, when allowed: unless a column is held, the rich text (held, with the rich-text flag)
//   goes to DropRTF, else the text to DropText; a column goes to DropCol; then files to DropFiles.
//   Each is read once. The drop takes the effect rule's action when a hook took what it got
//   (Taken), not moving when a hook took only part of it, nor text from another program, which the
//   drag could not weigh (the drag showed it as a copy); when no hook took anything, the drop is
//   refused, so that the sender keeps its data.
class TVzgDropTarget {
public:
    virtual ~TVzgDropTarget() = default;

    bool AcceptText = true, AcceptFiles = true, AcceptColumns = false;
    // Rich text is preferred over plain text when both are held.
    bool RichTextFlag = false;

    void DragEnter(QDragEnterEvent& e, TPoint screen);
    void DragOver(QDragMoveEvent& e, TPoint screen);
    void DragLeave();
    void Drop(QDropEvent& e, TPoint screen);

    bool DropAllowed() const { return allowed_; }
    // The formats the object being dragged over holds (dfText...).
    int FormatsPresent() const { return formats_; }
    // The effect rule: the action the drop takes with the keys held and the actions the sender
    // offers; Qt::IgnoreAction when not allowed.
    static Qt::DropAction Effect(bool allowed, int formats, Qt::KeyboardModifiers keys,
                                 Qt::DropActions offered);
    // The action of a drop that takes only part of the data: no move.
    static Qt::DropAction InPartEffect(Qt::DropAction action, Qt::DropActions offered);

protected:
    virtual void DropText(TPoint screen, const QString& text) = 0;
    virtual void DropCol(TPoint screen, int column) = 0;
    virtual void DropRTF(TPoint screen, const QString& richText) = 0;
    virtual void DropFiles(TPoint screen, const QStringList& files) = 0;
    virtual void DragMouseMove(TPoint screen, bool& allow, int formats) = 0;
    virtual void DragMouseEnter(const TEnumFormats& found, bool& allow);
    virtual void DragMouseLeave() = 0;
    // A drop hook took the data it got, whole or in part.
    void Taken(bool whole = true) {
        taken_ = true;
        inPart_ = inPart_ || !whole;
    }
    // DragMouseMove: the drop at the point would take only part of the data.
    void InPart() { inPart_ = true; }

private:
    bool allowed_ = false, taken_ = false, inPart_ = false;
    int formats_ = 0;
};

// The sending side's feedback while a drag runs. GiveFeedback is told every change of the effect
// the pointer would get: deNone marks the drag cancelled (until another effect comes), and
// CurrentEffect hears it. QueryDrag is asked again and again while the drag runs.
class TVzgDropSource {
public:
    virtual ~TVzgDropSource() = default;
    bool Cancelled() const { return cancelled_; }
    void GiveFeedback(TDragEffect effect);
    virtual void CurrentEffect(TDragEffect effect) = 0;
    virtual void QueryDrag() = 0;

private:
    bool cancelled_ = false;
};

// The drag starters: each builds the data object, runs the drag and answers its effect, deNone
// when the source was cancelled.
TDragEffect StartTextDrag(TDragRunner& runner, QWidget* source, const QString& text, const QString& richText,
                          bool richTextFlag, Qt::DropActions allowed, TVzgDropSource& dropSource);
TDragEffect StartColumnDrag(TDragRunner& runner, QWidget* source, int column, Qt::DropActions allowed,
                            TVzgDropSource& dropSource);
