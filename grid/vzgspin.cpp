#include "grid/vzgspin.h"

#include "grid/VisualStyles.h"
#include "platform/data/NumberText.h"
#include "platform/ui/Glyphs.h"
#include "platform/ui/Keys.h"
#include "platform/ui/UiServices.h"

#include <QMouseEvent>
#include <QStyle>
#include <cmath>
#include <limits>

namespace {

QChar Sep(char c) {
    return QChar::fromLatin1(c);
}

TDateTime NowValue() {
    const QDateTime now = ClockService().Now();
    return EncodeDate(now.date().year(), now.date().month(), now.date().day()) +
           now.time().msecsSinceStartOfDay() / 86400000.0;
}

QString TimeText(TDateTime value) {
    double fraction = value - std::floor(value);
    int ms = int(std::lround(fraction * 86400000.0)) % 86400000;
    TTimeParts parts{ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000};
    return QString::fromStdString(LongTimeText(parts));
}

// The part of a date or time text the caret is in: 0 before the first separator, 1 before the
// second, 2 after it.
int CaretPart(const QString& text, QChar separator, int caret) {
    const qsizetype first = text.indexOf(separator);
    if (first < 0 || caret <= first) return 0;
    const qsizetype second = text.indexOf(separator, first + 1);
    return second < 0 || caret <= second ? 1 : 2;
}

// The fields of the short date format in their order ('d', 'm', 'y').
QString DateFieldOrder() {
    QString order;
    for (const TPatternPiece& piece : SplitDateTimePattern(FormatSettings().ShortDateFormat))
        if ((piece.Field == 'd' || piece.Field == 'm' || piece.Field == 'y') &&
            !order.contains(QChar::fromLatin1(piece.Field)))
            order += QChar::fromLatin1(piece.Field);
    return order.size() == 3 ? order : QStringLiteral("dmy");
}

} // namespace

// ---- The auto-repeating button -------------------------------------------------------------------

void TZovAdedeZuvidOzovoz::Click() {
    if (OnClick) OnClick(this);
}

void TZovAdedeZuvidOzovoz::TimerExpired() {
    if (timer_) timer_->setInterval(100);
    if (Down()) GuardUi([this] { Click(); });
}

void TZovAdedeZuvidOzovoz::HoldStarted() {
    GuardUi([this] {
        if (OnMouseDown) OnMouseDown(this);
    });
    if (TimeBtnState.Contains(TTimeBtnState::tbAllowTimer)) {
        if (!timer_) {
            timer_ = new QTimer(this);
            QObject::connect(timer_, &QTimer::timeout, this, [this] { TimerExpired(); });
        }
        timer_->start(400);
    }
}

void TZovAdedeZuvidOzovoz::HoldEnded(QMouseEvent& e) {
    if (timer_) timer_->stop();
    if (rect().contains(e.position().toPoint())) GuardUi([this] { Click(); });
}

void TZovAdedeZuvidOzovoz::Paint(TCanvas& canvas) {
    const TRect r = Bounds(0, 0, width(), height());
    const bool pressed = Down();
    const bool horizontal = Kind == kSpinUpHorz || Kind == kSpinDownHorz;
    if (IsWinXP && VisualStyles::IsThemeActive()) {
        const int part = Kind == kSpinUp ? 1 : Kind == kSpinDown ? 2 : Kind == kSpinUpHorz ? 3 : 4;
        const int state = !isEnabled() ? 4 : pressed ? 3 : MouseOver() ? 2 : 1;
        DrawThemeBackground(canvas, TThemeClass::Spin, part, state, r);
    } else if (horizontal) {
        canvas.DrawFrameControl(r, DFC_SCROLL,
                                (Kind == kSpinUpHorz ? DFCS_SCROLLRIGHT : DFCS_SCROLLLEFT) |
                                    (pressed ? DFCS_PUSHED : 0u) | (Flat ? DFCS_FLAT : 0u) |
                                    (isEnabled() ? 0u : DFCS_INACTIVE));
    } else {
        DrawClassicFace(canvas, r, Flat, Transparent, pressed);
        const TBitmap& glyph = !Glyph.Empty() ? Glyph
                                              : GlyphBitmap(Kind == kSpinUp ? QStringLiteral("VzgSpinUp")
                                                                            : QStringLiteral("VzgSpinDown"));
        DrawGlyph(canvas, glyph, r, pressed ? 1 : 0);
    }
    const auto* pair = parentWidget();
    if (TimeBtnState.Contains(TTimeBtnState::tbFocusRect) && pair && pair->hasFocus())
        canvas.DrawFocusRect(r.Inflated(-3, -3));
}

// ---- The button pair -------------------------------------------------------------------------------

TVzgSpinButton::TVzgSpinButton(QWidget* parent)
    : QWidget(parent), up_(new TZovAdedeZuvidOzovoz(this)), down_(new TZovAdedeZuvidOzovoz(this)),
      focused_(up_) {
    setFocusPolicy(Qt::StrongFocus);
    setCursor(Qt::ArrowCursor);
    for (TZovAdedeZuvidOzovoz* button : {up_, down_}) {
        button->TimeBtnState.Include(TTimeBtnState::tbAllowTimer);
        button->OnMouseDown = [this](QObject* sender) {
            ButtonPressed(static_cast<TZovAdedeZuvidOzovoz*>(sender));
        };
    }
    up_->OnClick = [this](QObject*) {
        if (OnUpClick) OnUpClick(this);
    };
    down_->OnClick = [this](QObject*) {
        if (OnDownClick) OnDownClick(this);
    };
    resize(15, 25);
    SetDirection(TSpinDirection::spVertical);
}

void TVzgSpinButton::SetDirection(TSpinDirection direction) {
    direction_ = direction;
    const bool vertical = direction == TSpinDirection::spVertical;
    up_->Kind = vertical ? kSpinUp : kSpinUpHorz;
    down_->Kind = vertical ? kSpinDown : kSpinDownHorz;
    setMinimumWidth(vertical ? 15 : 20);
    resize(vertical ? 15 : 20, height());
    Arrange();
}

void TVzgSpinButton::SetFlat(bool on) {
    up_->Flat = down_->Flat = on;
    up_->update();
    down_->update();
}

void TVzgSpinButton::SetTransparent(bool on) {
    up_->Transparent = down_->Transparent = on;
    up_->update();
    down_->update();
}

void TVzgSpinButton::SetThemed(bool on) {
    up_->IsWinXP = down_->IsWinXP = on;
    up_->update();
    down_->update();
}

void TVzgSpinButton::Arrange() {
    const int w = width(), h = height();
    if (direction_ == TSpinDirection::spVertical) {
        const int half = h / 2;
        up_->setGeometry(0, 0, w, half);
        down_->setGeometry(0, half - 1, w, h - half + 1);
    } else {
        const int half = w / 2;
        down_->setGeometry(0, 0, half, h);
        up_->setGeometry(half, 0, w - half, h);
    }
}

void TVzgSpinButton::resizeEvent(QResizeEvent*) {
    Arrange();
}

void TVzgSpinButton::ButtonPressed(TZovAdedeZuvidOzovoz* button) {
    SetFocusBtn(button);
    if (focusControl_ && focusControl_->isEnabled() && focusControl_->isVisible())
        focusControl_->setFocus(Qt::MouseFocusReason);
    else if (focusPolicy() != Qt::NoFocus)
        setFocus(Qt::MouseFocusReason);
}

void TVzgSpinButton::SetFocusBtn(TZovAdedeZuvidOzovoz* button) {
    if (button == focused_) return;
    focused_->TimeBtnState.Exclude(TTimeBtnState::tbFocusRect);
    focused_ = button;
    if (hasFocus()) focused_->TimeBtnState.Include(TTimeBtnState::tbFocusRect);
    up_->update();
    down_->update();
}

void TVzgSpinButton::keyPressEvent(QKeyEvent* e) {
    GuardUi([&] {
        switch (VirtualKey(*e)) {
        case VK_UP:
            SetFocusBtn(up_);
            up_->Click();
            break;
        case VK_DOWN:
            SetFocusBtn(down_);
            down_->Click();
            break;
        case VK_SPACE:
            focused_->Click();
            break;
        default:
            e->ignore();
            return;
        }
        e->accept();
    });
}

void TVzgSpinButton::focusInEvent(QFocusEvent* e) {
    QWidget::focusInEvent(e);
    focused_->TimeBtnState.Include(TTimeBtnState::tbFocusRect);
    focused_->update();
}

void TVzgSpinButton::focusOutEvent(QFocusEvent* e) {
    QWidget::focusOutEvent(e);
    focused_->TimeBtnState.Exclude(TTimeBtnState::tbFocusRect);
    focused_->update();
}

// ---- The spin edit ------------------------------------------------------------------------------

TVzgSpinEdit::TVzgSpinEdit(QWidget* parent) : TButtonedEdit(parent), button_(new TVzgSpinButton(this)) {
    button_->setFocusPolicy(Qt::NoFocus);
    button_->SetFocusControl(this);
    button_->resize(15, 17);
    button_->OnUpClick = [this](QObject*) { StepUp(); };
    button_->OnDownClick = [this](QObject*) { StepDown(); };
    themed_ = VisualStyles::IsThemeActive();
    button_->SetThemed(themed_);
    QLineEdit::setText(QStringLiteral("0"));
    PlaceButtons();
}

void TVzgSpinEdit::SetSpinType(TVzgSpinType type) {
    if (type == spinType_) return;
    spinType_ = type;
    switch (type) {
    case TVzgSpinType::sptNormal:
        SetValue(Value());
        break;
    case TVzgSpinType::sptFloat:
        SetFloatValue(FloatValue());
        break;
    case TVzgSpinType::sptDate:
        ShowText(DateText(dateValue_), false);
        break;
    case TVzgSpinType::sptTime:
        ShowText(TimeText(timeValue_), false);
        break;
    }
}

void TVzgSpinEdit::ShowText(const QString& text, bool keepCaret) {
    const int caret = SelStart();
    SetText(text);
    if (keepCaret) SetSel(std::min(caret, int(text.size())), 0);
}

int TVzgSpinEdit::Value() const {
    const auto value = platform::data::TryStrToInt64(Text().toStdString());
    if (!value || *value < std::numeric_limits<int>::min() || *value > std::numeric_limits<int>::max())
        return MinValue;
    return int(*value);
}

void TVzgSpinEdit::SetValue(int value) {
    if (MinValue != MaxValue)
        value = std::clamp(value, std::min(MinValue, MaxValue), std::max(MinValue, MaxValue));
    ShowText(QString::number(value), false);
}

double TVzgSpinEdit::FloatValue() const {
    double value = 0;
    if (!ParseNumber(Text().trimmed().toStdString(), value)) return MinValue;
    return value;
}

void TVzgSpinEdit::SetFloatValue(double value) {
    if (MinFloatValue != MaxFloatValue)
        value =
            std::clamp(value, std::min(MinFloatValue, MaxFloatValue), std::max(MinFloatValue, MaxFloatValue));
    const std::string text =
        precision_ != 0 ? FormatFixed(value, precision_, false) : platform::data::FloatToStr(value);
    ShowText(QString::fromStdString(text), false);
}

TDateTime TVzgSpinEdit::DateValue() const {
    const QString text = Text().trimmed();
    if (text.isEmpty() || text == u"0") return NowValue();
    TDateParts parts;
    if (!ParseShortDate(text.toStdString(), parts)) return MinDateValue;
    return EncodeDate(parts.Year, parts.Month, parts.Day);
}

void TVzgSpinEdit::SetDateValue(TDateTime value) {
    if (MinDateValue != MaxDateValue)
        value = std::clamp(value, std::min(MinDateValue, MaxDateValue), std::max(MinDateValue, MaxDateValue));
    dateValue_ = value;
    // The caret stays in the part it was in, so that the next step changes the same part.
    ShowText(DateText(value), true);
}

TDateTime TVzgSpinEdit::TimeValue() const {
    TTimeParts parts;
    if (!ParseTime(Text().trimmed().toStdString(), parts)) return 0;
    return ((parts.Hour * 60 + parts.Minute) * 60 + parts.Second + parts.Millisecond / 1000.0) / 86400.0;
}

void TVzgSpinEdit::SetTimeValue(TDateTime value) {
    timeValue_ = value;
    ShowText(TimeText(value), true);
}

void TVzgSpinEdit::SetPrecision(int precision) {
    precision_ = std::max(precision, 0);
    if (spinType_ == TVzgSpinType::sptFloat) SetFloatValue(FloatValue());
}

void TVzgSpinEdit::SetDirection(TSpinDirection direction) {
    button_->SetDirection(direction);
    PlaceButtons();
}

void TVzgSpinEdit::SetEditAlign(TEditAlign align) {
    editAlign_ = align;
    setAlignment(align == TEditAlign::eaRight    ? Qt::AlignRight | Qt::AlignVCenter
                 : align == TEditAlign::eaCenter ? Qt::AlignHCenter | Qt::AlignVCenter
                                                 : Qt::AlignLeft | Qt::AlignVCenter);
}

void TVzgSpinEdit::SetSpinFlat(bool on) {
    spinFlat_ = on;
    button_->SetFlat(on);
}

void TVzgSpinEdit::SetSpinTransparent(bool on) {
    spinTransparent_ = on;
    button_->SetTransparent(on);
}

void TVzgSpinEdit::SetIsWinXP(bool on) {
    themed_ = on;
    button_->SetThemed(on);
}

int TVzgSpinEdit::MinHeight() const {
    return TextLineHeight() + 2 + (hasFrame() ? 4 : 0);
}

void TVzgSpinEdit::PlaceButtons() {
    const int border = hasFrame() ? style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this) : 0;
    const int w = button_->width();
    button_->setGeometry(width() - border - w, border, w, std::max(height() - 2 * border, 1));
    setTextMargins(0, 0, w, 0);
}

void TVzgSpinEdit::Step(int sign) {
    if (isReadOnly()) return;
    switch (spinType_) {
    case TVzgSpinType::sptNormal:
        SetValue(Value() + sign * Increment);
        break;
    case TVzgSpinType::sptFloat:
        SetFloatValue(FloatValue() + sign * IncrementFloat);
        break;
    case TVzgSpinType::sptDate: {
        const QChar field =
            DateFieldOrder().at(CaretPart(Text(), Sep(FormatSettings().DateSeparator), SelStart()));
        const TDateTime date = DateValue();
        SetDateValue(field == u'd'   ? date + sign
                     : field == u'm' ? IncDateParts(0, sign, 0, 0, date)
                                     : IncDateParts(sign, 0, 0, 0, date));
        break;
    }
    case TVzgSpinType::sptTime: {
        static const double steps[] = {1.0 / 24, 1.0 / 1440, 1.0 / 86400};
        const int part = CaretPart(Text(), Sep(FormatSettings().TimeSeparator), SelStart());
        double time = TimeValue() + sign * steps[part];
        time -= std::floor(time); // the clock turns over at midnight
        SetTimeValue(time);
        break;
    }
    }
}

void TVzgSpinEdit::StepUp() {
    Step(1);
}

void TVzgSpinEdit::StepDown() {
    Step(-1);
}

bool TVzgSpinEdit::AcceptsChar(QChar ch) {
    const TFormatSettings& fs = FormatSettings();
    const QChar decimal = Sep(fs.DecimalSeparator), thousand = Sep(fs.ThousandSeparator),
                dateSep = Sep(fs.DateSeparator), timeSep = Sep(fs.TimeSeparator);
    const ushort code = ch.unicode();
    const bool control = code < 32;
    const bool number = spinType_ == TVzgSpinType::sptNormal || spinType_ == TVzgSpinType::sptFloat;
    if (!(ch == u'+' || ch == u'-' || (code >= '0' && code <= '9') || ch == decimal || ch == thousand ||
          ch == dateSep || ch == timeSep || (control && code != 13)))
        return false;
    const auto numberSign = [&](QChar sep) {
        return number && (sep == u'+' || sep == u'-' || sep == decimal || sep == thousand);
    };
    if (ch == timeSep && spinType_ != TVzgSpinType::sptTime && !numberSign(timeSep)) return false;
    if (ch == dateSep && spinType_ != TVzgSpinType::sptDate && !numberSign(dateSep)) return false;
    const QString text = Text();
    const QString selected = selectedText();
    if (ch == u'-' && ((text.contains(u'-') && !selected.contains(u'-')) || SelStart() != 0)) return false;
    if (spinType_ == TVzgSpinType::sptFloat && code != 8 && code != 13 && code != 27) {
        if (ch == thousand) return false;
        const qsizetype sep = text.indexOf(decimal);
        if (ch == decimal && sep >= 0 && !selected.contains(decimal)) return false;
        if (precision_ > 0 && sep >= 0 && SelStart() > sep && SelLength() == 0 &&
            text.size() >= sep + 1 + precision_)
            return false;
    }
    if (spinType_ == TVzgSpinType::sptTime && ch == timeSep && text.count(timeSep) >= 2) return false;
    if (!EditorEnabled && (code >= 32 || code == 8)) return false;
    return true;
}

void TVzgSpinEdit::KeyDown(int& key, TShiftState shift) {
    TCustomMaskEdit::KeyDown(key, shift);
    switch (key) {
    case VK_UP:
        StepUp();
        key = 0;
        break;
    case VK_DOWN:
        StepDown();
        key = 0;
        break;
    case VK_RETURN:
        if (ReturnIsTab) {
            key = 0;
            QApplication::postEvent(this, new QKeyEvent(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier));
        }
        break;
    case VK_DELETE:
        if (!EditorEnabled) key = 0;
        break;
    default:
        break;
    }
}

void TVzgSpinEdit::KeyPress(QChar& key) {
    TCustomMaskEdit::KeyPress(key);
    if (key.isNull()) return;
    if (key.unicode() == 13 && ReturnIsTab) {
        key = QChar(); // it became a Tab
        return;
    }
    if (ExcelStyleDecimalSeparator && key == u'.' && LastKeyFromKeypad())
        key = Sep(FormatSettings().DecimalSeparator);
    if (!AcceptsChar(key)) {
        key = QChar();
        MessageBeep();
    }
}

void TVzgSpinEdit::DoEnter() {
    TCustomMaskEdit::DoEnter();
    if (AutoSelect && !((QApplication::mouseButtons() & Qt::LeftButton) && EditorEnabled)) SelectAll();
}

void TVzgSpinEdit::DoExit() {
    // A value outside its range is written again, which brings it into the range.
    switch (spinType_) {
    case TVzgSpinType::sptNormal:
        if (MinValue != MaxValue && (Value() < MinValue || Value() > MaxValue)) SetValue(Value());
        break;
    case TVzgSpinType::sptFloat:
        if (MinFloatValue != MaxFloatValue && (FloatValue() < MinFloatValue || FloatValue() > MaxFloatValue))
            SetFloatValue(FloatValue());
        break;
    case TVzgSpinType::sptDate:
        if (MinDateValue != MaxDateValue && (DateValue() < MinDateValue || DateValue() > MaxDateValue))
            SetDateValue(DateValue());
        break;
    case TVzgSpinType::sptTime:
        break;
    }
    TCustomMaskEdit::DoExit();
}
