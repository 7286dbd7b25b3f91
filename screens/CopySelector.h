#pragma once
// What the copy selectors share: their tiles and the dialog around them.
//
// A tile is a panel with a centred caption that the user selects by pressing it. Its look is a
// bevel (raised or lowered) and a fill colour; the dialog that owns the tile decides both. A
// disabled tile ignores the mouse.
//
// A selector is a dialog with its tiles (Panel2, Panel3, ...) in the group GroupBox1 and a row of
// buttons below: "O&k" (OkButton, the result 1) and "&Cancela" (CancButton, the result 2).
// FormShow runs on every showing; a press on the panel numbered n runs PanelMouseDown(n). The
// panels are numbered from 2 unless the selector numbers them from another first number.

#include "platform/ui/Color.h"

#include <QDialog>
#include <QFrame>

#include <span>

class QGroupBox;
class QPushButton;

// The modal results of the copy selectors: "O&k" and "&Cancela".
inline constexpr int SelectorResultOk = 1;
inline constexpr int SelectorResultCancel = 2;

class TSelectionTile : public QFrame {
    Q_OBJECT
public:
    explicit TSelectionTile(QWidget* parent);

    void SetCaption(const QString& caption);
    QString Caption() const { return caption_; }

    void SetLook(bool lowered, TColor colour);
    bool Lowered() const { return frameShadow() == QFrame::Sunken; }
    TColor Colour() const { return colour_; }

    // The looks of the selectors: unselected (raised, button face) and selected (lowered, teal).
    void ShowSelected(bool selected) { SetLook(selected, selected ? clTeal : clBtnFace); }

    QSize sizeHint() const override { return {48, 30}; }

signals:
    void MouseDown();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QString caption_;
    TColor colour_ = clBtnFace;
};

class TCopySelector : public QDialog {
    Q_OBJECT
public:
    virtual void FormShow() = 0;
    // PanelnMouseDown: the press on the panel numbered panel (2 onwards, or the first number
    // given to LayOut).
    virtual void PanelMouseDown(int panel) = 0;
    virtual void OkButtonClick() = 0;
    void CancButtonClick() { done(SelectorResultCancel); }

    QGroupBox* const GroupBox1;
    QPushButton* const OkButton;
    QPushButton* const CancButton;

protected:
    explicit TCopySelector(QWidget* parent);

    // Makes the tiles Panel<first>, Panel<first + 1>, ... into panels, perRow to a row, and lays
    // out the dialog; leftButton, when given, stands at the left of the button row.
    void LayOut(std::span<TSelectionTile*> panels, int perRow, QPushButton* leftButton = nullptr,
                int first = 2);
    // Translates the captions of GroupBox1, OkButton and CancButton and the window title.
    void CaptionFrame(const char* title, const char* group);

    void showEvent(QShowEvent* event) override;
};
