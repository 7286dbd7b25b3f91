// The panel of a grid's floating footer: a strip along the bottom edge of the grid's cell area,
// FloatingFooter.Height - 1 pixels high while the footer is visible, that paints itself on its own
// canvas through the grid (TVevIvizudEvar::PaintFooter, in FloatingFooter.cpp).
#pragma once

#include "platform/ui/CanvasDevice.h"

#include <QWidget>

class TVevIvizudEvar;

class TFooterPanel : public QWidget {
public:
    explicit TFooterPanel(TVevIvizudEvar& grid);

    TVevIvizudEvar& Grid() const { return grid_; }
    // While the panel is designed, a custom preview shows its template as it stands.
    bool Designing = false;
    // Sets the height and keeps the panel along the bottom of the grid's cell area.
    void SetPanelHeight(int height);
    // Paints the footer onto a device (a recording one in tests) as the panel paints itself.
    void RenderTo(TCanvasDevice& device);

protected:
    void paintEvent(QPaintEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Align();

    TVevIvizudEvar& grid_;
    // The grid's viewport, kept so that events it gets while the grid is being destroyed are told
    // apart without asking the grid.
    QWidget* viewport_ = nullptr;
    int height_ = 0;
};
