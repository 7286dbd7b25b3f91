#include "grid/DateEditor.h"

#include "grid/AdvancedGrid.h"
#include "platform/os/FormatSettings.h"
#include "platform/ui/PainterDevice.h"
#include "platform/ui/UiServices.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionComboBox>

TGridDatePicker::TGridDatePicker(TVevIvizudEvar* grid) : TGridEditorControl(grid) {
    setFrame(false);
}

void TGridDatePicker::LoadFromCell(TEditorType type, const QString& text) {
    loadedText_ = text;
    SetKind(type == TEditorType::edTimeEdit ? TDateTimeKind::dtkTime : TDateTimeKind::dtkDate);
    SetDateMode(type == TEditorType::edDateEditUpDown ? TDTDateMode::dmUpDown : TDTDateMode::dmComboBox);
    const QDateTime now = ClockService().Now();
    if (Kind() == TDateTimeKind::dtkTime) {
        TTimeParts parts;
        SetTime(!text.trimmed().isEmpty() && ParseTime(text.trimmed().toStdString(), parts)
                    ? QTime(parts.Hour, parts.Minute, parts.Second)
                    : now.time());
    } else {
        TDateParts parts;
        SetDate(!text.trimmed().isEmpty() && ParseShortDate(text.trimmed().toStdString(), parts)
                    ? QDate(parts.Year, parts.Month, parts.Day)
                    : now.date());
    }
}

// The time is formatted with an explicit format: the picker's own, or the program's long time
// format. No program-wide setting is changed for it.
QString TGridDatePicker::CellText() const {
    if (Kind() == TDateTimeKind::dtkTime) {
        const QTime t = Time();
        if (!Format().isEmpty()) return t.toString(Format());
        return QString::fromStdString(LongTimeText({t.hour(), t.minute(), t.second(), t.msec()}));
    }
    if (ShowCheckbox() && !Checked()) return QString();
    const QDate d = Date();
    return QString::fromStdString(ShortDateText({d.year(), d.month(), d.day()}));
}

void TGridDatePicker::Restore() {
    LoadFromCell(Kind() == TDateTimeKind::dtkTime ? TEditorType::edTimeEdit : TEditorType::edDateEdit,
                 loadedText_);
}

void TGridDatePicker::KeyDown(int& key, TShiftState shift) {
    if (key == VK_F4 && !DroppedDown() && calendarPopup()) {
        key = 0;
        DropDown();
        return;
    }
    const bool wanted = key == VK_TAB || key == VK_RETURN || key == VK_ESCAPE || key == VK_PRIOR ||
                        key == VK_NEXT || key == VK_END;
    if (!wanted || DroppedDown()) {
        TDateTimePickerControl::KeyDown(key, shift);
        return;
    }
    const int handed = key;
    key = 0;
    if (handed == VK_ESCAPE) {
        Restore();
        grid_->DiscardEditorValue();
    }
    grid_->ControlKeyToGrid(handed, shift);
}

void TGridDatePicker::paintEvent(QPaintEvent* e) {
    TDateTimePickerControl::paintEvent(e);
    QPainter painter(this);
    TPainterDevice device(painter);
    TCanvas canvas(&device);
    PaintFrame(canvas);
}

void TGridDatePicker::PaintFrame(TCanvas& canvas) const {
    const TRect r = Bounds(0, 0, width(), height());
    canvas.Brush().SetColor(clWindow);
    canvas.FrameRect(r);
    canvas.FrameRect(r.Inflated(-1, -1));
}

void TGridDatePicker::DropDown() {
    QStyleOptionComboBox option;
    option.initFrom(this);
    option.editable = true;
    option.subControls = QStyle::SC_All;
    const QPoint arrow =
        style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxArrow, this).center();
    QMouseEvent press(QEvent::MouseButtonPress, arrow, mapToGlobal(arrow), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(this, &press);
}
