#pragma once
// Sizes a dialog to its texts: at least as wide as its title needs in the title bar (the title
// in bold, with room for the window's icon and its buttons), and no larger than its contents
// need, so that a dialog shown again with fewer rows gives their room back.

class QDialog;

// The width the title of the dialog needs in a title bar.
int TitleBarWidth(const QDialog& dialog);

// Applies the above: the minimum width (a larger one set before is kept), then the size the
// layout asks for.
void FitDialogToTexts(QDialog& dialog);
