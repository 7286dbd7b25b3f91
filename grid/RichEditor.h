// The grid's in-place editor of rich-text cells (editor kind edRichEdit): a rich edit over the
// cell that loads the cell's rich text (RichText.h) and gives it back as rich text when the
// editing ends. Leaving the editor ends the editing and writes the cell. With
// SizeWhileTyping.Height, text that grows taller than the row makes the row and the editor grow
// with it (OnEndRowSize reports the row). Up and Down move to the next row when the grid neither
// wraps words nor has multi-line cells. Enter starts a new paragraph; Tab ends the editing and
// walks on as in the other editors; Escape ends it keeping the cell as it was.
#pragma once

#include "platform/ui/ControlAdapters.h"

class TVevIvizudEvar;

class TDazOrarOvid : public TRichEditControl {
public:
    explicit TDazOrarOvid(TVevIvizudEvar& grid);

    TVevIvizudEvar& Grid() const { return grid_; }
    // Loads a cell's text: rich text as such, any other text as plain text; an empty text clears it.
    void LoadCellText(const QString& text);
    // The content as rich text; the text loaded when nothing was changed since.
    QString CellText() const;
    // The content asks for this height (pixels) to show all of it.
    void RequestResize(int height);

protected:
    bool WantsTab() const override { return true; }
    void KeyDown(int& key, TShiftState shift) override;
    void ControlKey(QKeyEvent* e) override;
    void DoExit() override;

private:
    friend class TVevIvizudEvar;
    TVevIvizudEvar& grid_;
    QString loaded_;
    // Set while the grid itself sizes or fills the editor: no resize request is answered.
    bool resizeLock_ = false;
};
