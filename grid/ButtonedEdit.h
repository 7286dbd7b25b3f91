// The base of the edits that carry their own buttons at their right edge (VZGEdit.h, vzgspin.h).
//
// The edit keeps at least MinHeight: a resize below it becomes one to it, and every other resize
// places the buttons again. With EditorEnabled off the keyboard may not change the text, so cut
// and paste do nothing; neither do they on a read-only edit.
#pragma once

#include "platform/ui/MaskEdit.h"

class TButtonedEdit : public TCustomMaskEdit {
public:
    explicit TButtonedEdit(QWidget* parent = nullptr) : TCustomMaskEdit(parent) {}

    bool EditorEnabled = true, AutoSelect = true;
    // The height the edit keeps at least.
    virtual int MinHeight() const = 0;

    void DoCut() override;
    void DoPaste() override;

protected:
    // The font's height and a quarter of the smaller of it and the system font's: the least height
    // of a line of text with room around it.
    int TextLineHeight() const;
    // Places the buttons, and the text beside them, for the edit's size.
    virtual void PlaceButtons() = 0;
    void resizeEvent(QResizeEvent* e) override;
};
