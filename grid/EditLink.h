// The link through which an application edits edCustom cells with a control of its own.
//
// The grid (TVevIvizudEvar::EditLink) gives the link the cell, has it make its control over the
// cell (esInplace) or inside a pop-up window at the cell's top-left corner (esPopup; with
// AutoPopupWidth as wide as the cell), gives the control the cell's colour and font, lets the link
// set its control up (SetProperties, then the grid's OnGetEditorProp), hands it the cell's text
// (SetEditorValue), focuses it and types the key that opened the editor into it.
//
// The edit ends as every editor control's does: when the focus leaves the control (or the pop-up
// closes), the grid writes GetEditorValue into the cell and the link hides its control unless
// KeepShown; Enter and Tab end it the same way and go on to the grid; Escape ends it leaving the
// cell as it was.
#pragma once

#include "platform/ui/Geometry.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class QWidget;
class TVevIvizudEvar;

enum class TEditStyle { esInplace, esPopup };

class TEditLink : public QObject {
public:
    explicit TEditLink(QObject* owner = nullptr);
    ~TEditLink() override;

    TEditStyle EditStyle = TEditStyle::esInplace;
    bool AutoPopupWidth = false;
    int PopupWidth = 100, PopupHeight = 100;
    // The control stays shown after the edit (the grid then does not hide it).
    bool KeepShown = false;

    TVevIvizudEvar* Grid() const { return grid_; }
    int EditCol() const { return col_; }
    int EditRow() const { return row_; }
    void SetCell(TVevIvizudEvar* grid, int col, int row);

    // Makes the editor control (once) with the given parent: the grid's cells or the pop-up.
    virtual void CreateEditor(QWidget* parent) = 0;
    // The editor control (nullptr before CreateEditor).
    virtual QWidget* GetEditControl() const = 0;
    // Sets the control up for the cell (after it got the cell's colour and font).
    virtual void SetProperties() = 0;
    virtual void SetEditorValue(const QString& value) = 0;
    virtual QString GetEditorValue() const = 0;
    // Places the control: the cell's rectangle, or the pop-up's client area.
    virtual void SetRect(const TRect& rect);
    virtual void SetFocus();
    // Hides the control and the pop-up.
    virtual void HideEditor();

    // The pop-up window of the esPopup style (made on first use; owned by the link).
    QWidget* Popup();
    bool HasPopup() const { return popup_ != nullptr; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class TVevIvizudEvar;
    // The grid watches the control's keys and focus from now on.
    void Watch();
    void PopupClosed();

    QPointer<TVevIvizudEvar> grid_;
    int col_ = -1, row_ = -1;
    std::unique_ptr<QWidget> popup_;
    QPointer<QWidget> watched_;
};
