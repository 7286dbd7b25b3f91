// Rich text of cells: a reader and a writer of the small part of RTF that grid cells, their
// editor and the clipboard meet, to and from a QTextDocument, and the drawing and measuring of
// such a document through a canvas.
//
// What the reader takes (everything else is ignored):
//   {\colortbl ;\red255\green0\blue0;...}   the colour table; the empty first entry is "automatic"
//   \b \b0   \i \i0   \ul \ul0 \ulnone        bold, italic, underline on and off
//   \fsN                                      font size in half points
//   \cfN                                      text colour: entry N of the colour table (0 automatic)
//   \plain                                    bold, italic, underline, size and colour back to none
//   \par  \line  \tab                         paragraph break, line break, tab
//   \'hh                                      a byte of the code page \ansicpgN (1252 without one)
//   \uN                                       the UTF-16 code unit N (a negative N counts from 65536);
//                                             the \ucN (1 by default) characters after it are the
//                                             fallback of older readers and are skipped
//   \\ \{ \}  \~  \_                          the character; a non-breaking space; a hyphen
// A group that starts with "\*", and the groups of the destinations that hold no text of the
// document (fonttbl, stylesheet, info, pict, object, headers, footers, footnotes, list tables,
// revision and file tables, list-number texts), are skipped with all they hold. Line ends in the
// RTF text mean nothing. A final paragraph break adds no empty paragraph. Text without \fsN takes
// the document's default size and text without a colour the colour it is drawn with.
//
// What the writer makes:
//   {\rtf1\ansi\ansicpg1252\deff0{\fonttbl{\f0\fnil <family>;}}{\colortbl ;<colours>}\uc1\pard\plain
//   <runs, paragraphs separated by \par>}
// Each run writes only what differs from the run before it (\b \b0 \i \i0 \ul \ulnone \fsN \cfN);
// characters beyond ASCII are written as \'hh when Windows-1252 has them, else as \uN followed by
// "?". The text has no line ends, so it can stand in a cell.
#pragma once

#include "platform/ui/Canvas.h"

#include <QSize>
#include <QString>

class QTextDocument;

// Replaces the document's content by the RTF text, read as above.
void RTFToDocument(const QString& rtf, QTextDocument& document);
// The document as RTF, written as above.
QString DocumentToRTF(const QTextDocument& document);
// The text of an RTF text without its formatting: paragraphs and line breaks become CR LF.
QString RTFToPlainText(const QString& rtf);
// The document's text: paragraphs and line breaks become CR LF.
QString RichPlainText(const QTextDocument& document);

// The document, its default font taken from the canvas font, ready to be drawn or measured.
void PrepareRichText(QTextDocument& document, const QString& rtf, const TFont& font);
// The size the document takes laid out in the width (unlimited when width < 0), in pixels.
QSize RichTextSize(QTextDocument& document, int width);
// Draws the document laid out in the rectangle's width from its top-left corner, clipped to the
// rectangle: each piece of a line with one look is one text output with its font, so the
// recording canvas sees the runs. A run without a colour of its own takes the canvas font's
// colour; textColor, when set, replaces every run's colour. The canvas font and clip are kept.
void DrawRichText(TCanvas& canvas, QTextDocument& document, const TRect& rect, TColor textColor = clNone);
