#include "platform/ui/ControlAdapters.h"

#include "platform/os/FormatSettings.h"

#include <QAbstractItemView>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QStyle>
#include <algorithm>

namespace {

QToolButton* MakeButton(QWidget* parent, Qt::ArrowType arrow) {
    auto* button = new QToolButton(parent);
    button->setFocusPolicy(Qt::NoFocus);
    button->setCursor(Qt::ArrowCursor);
    if (arrow != Qt::NoArrow) {
        button->setArrowType(arrow);
        button->setAutoRepeat(true);
        button->setAutoRepeatDelay(400);
        button->setAutoRepeatInterval(100);
    }
    return button;
}

TPopupMenuControl::TRunner& Runner() {
    static TPopupMenuControl::TRunner runner = [](QMenu& menu, QPoint pos) { return menu.exec(pos); };
    return runner;
}

// The Qt display format of a pattern of the program's own date and time language.
QString QtDisplayFormat(std::string_view pattern) {
    QString format;
    for (const TPatternPiece& piece : SplitDateTimePattern(pattern)) {
        if (!piece.Field) {
            format += u'\'' + QString::fromStdString(piece.Text).replace(u'\'', QStringLiteral("''")) + u'\'';
            continue;
        }
        const qsizetype count = piece.Field == 'y'   ? (piece.Count > 2 ? 4 : 2)
                                : piece.Field == 'z' ? (piece.Count >= 3 ? 3 : 1)
                                                     : std::min(piece.Count, 2);
        const char qt = piece.Field == 'm'   ? 'M'
                        : piece.Field == 'h' ? 'H'
                        : piece.Field == 'n' ? 'm'
                                             : piece.Field;
        format += QString(count, QChar::fromLatin1(qt));
    }
    return format;
}

} // namespace

TSpinEditBase::TSpinEditBase(QWidget* parent)
    : TCustomMaskEdit(parent), up_(MakeButton(this, Qt::UpArrow)), down_(MakeButton(this, Qt::DownArrow)) {
    QObject::connect(up_, &QToolButton::clicked, this, [this] { GuardUi([this] { UpClick(); }); });
    QObject::connect(down_, &QToolButton::clicked, this, [this] { GuardUi([this] { DownClick(); }); });
    PlaceButtons();
}

void TSpinEditBase::UpClick() {
    if (OnUpClick) OnUpClick(this);
}

void TSpinEditBase::DownClick() {
    if (OnDownClick) OnDownClick(this);
}

void TSpinEditBase::SetButtonWidth(int width) {
    buttonWidth_ = std::max(width, 8);
    PlaceButtons();
}

void TSpinEditBase::resizeEvent(QResizeEvent* e) {
    TCustomMaskEdit::resizeEvent(e);
    PlaceButtons();
}

void TSpinEditBase::PlaceButtons() {
    const int half = height() / 2;
    up_->setGeometry(width() - buttonWidth_, 0, buttonWidth_, half);
    down_->setGeometry(width() - buttonWidth_, half, buttonWidth_, height() - half);
    setTextMargins(0, 0, buttonWidth_, 0);
}

void FollowShownText(QComboBox& list) {
    QObject::connect(&list, &QComboBox::editTextChanged, &list, [&list](const QString& text) {
        const int index = list.findText(text, Qt::MatchExactly);
        if (index == list.currentIndex()) return;
        const QSignalBlocker quiet(list);
        if (index >= 0) {
            list.setCurrentIndex(index); // the field already shows the item's text
            return;
        }
        QLineEdit* field = list.lineEdit();
        const int cursor = field->cursorPosition();
        list.setCurrentIndex(-1); // which empties the field
        field->setText(text);
        field->setCursorPosition(cursor);
    });
}

TComboBoxControl::TComboBoxControl(QWidget* parent) : TControlAdapter<QComboBox>(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setMaxVisibleItems(8);
    QObject::connect(this, qOverload<int>(&QComboBox::activated), this, [this](int index) {
        GuardUi([&] {
            if (OnChange) OnChange(this, index, itemText(index));
        });
    });
    QObject::connect(this, &QComboBox::editTextChanged, this, [this](const QString& text) {
        GuardUi([&] {
            if (OnChange && style_ == TComboBoxStyle::csDropDown && text != itemText(currentIndex()))
                OnChange(this, -1, text);
        });
    });
    FollowShownText(*this);
}

void TComboBoxControl::SetStyle(TComboBoxStyle style) {
    if (style == style_) return;
    const QStringList items = Items();
    const int index = currentIndex();
    style_ = style;
    setEditable(style == TComboBoxStyle::csDropDown);
    if (Items() != items) SetItems(items);
    setCurrentIndex(index);
}

QStringList TComboBoxControl::Items() const {
    QStringList items;
    for (int i = 0; i < count(); ++i) items << itemText(i);
    return items;
}

void TComboBoxControl::SetItems(const QStringList& items) {
    clear();
    addItems(items);
}

int TComboBoxControl::AddItem(const QString& item) {
    addItem(item);
    return count() - 1;
}

void TComboBoxControl::SetText(const QString& text) {
    const int index = findText(text, Qt::MatchExactly);
    if (style_ == TComboBoxStyle::csDropDownList) {
        setCurrentIndex(index);
        return;
    }
    if (index >= 0) setCurrentIndex(index);
    setEditText(text);
}

void TComboBoxControl::SetDroppedDown(bool on) {
    if (on)
        showPopup();
    else
        hidePopup();
}

void TComboBoxControl::SetDroppedWidth(int width) {
    view()->setMinimumWidth(width);
}

void TComboBoxControl::showPopup() {
    dropped_ = true;
    QComboBox::showPopup();
}

void TComboBoxControl::hidePopup() {
    const bool was = dropped_;
    dropped_ = false;
    QComboBox::hidePopup();
    if (was && OnCloseUp) GuardUi([this] { OnCloseUp(this); });
}

TDateTimePickerControl::TDateTimePickerControl(QWidget* parent)
    : TControlAdapter<QDateTimeEdit>(parent), checkBox_(new QCheckBox(this)) {
    checkBox_->setFocusPolicy(Qt::NoFocus);
    checkBox_->hide();
    checkBox_->setChecked(true);
    setCalendarPopup(true);
    ApplyFormat();
}

void TDateTimePickerControl::SetKind(TDateTimeKind kind) {
    kind_ = kind;
    ApplyFormat();
}

void TDateTimePickerControl::SetDateMode(TDTDateMode mode) {
    mode_ = mode;
    setCalendarPopup(mode == TDTDateMode::dmComboBox && kind_ == TDateTimeKind::dtkDate);
}

void TDateTimePickerControl::SetFormat(const QString& format) {
    format_ = format;
    ApplyFormat();
}

void TDateTimePickerControl::ApplyFormat() {
    const TFormatSettings& settings = FormatSettings();
    const std::string& own =
        kind_ == TDateTimeKind::dtkDate ? settings.ShortDateFormat : settings.LongTimeFormat;
    setDisplayFormat(format_.isEmpty() ? QtDisplayFormat(own) : format_);
    setCalendarPopup(mode_ == TDTDateMode::dmComboBox && kind_ == TDateTimeKind::dtkDate);
}

void TDateTimePickerControl::SetShowCheckbox(bool on) {
    checkBox_->setVisible(on);
    resizeEvent(nullptr);
}

bool TDateTimePickerControl::DroppedDown() const {
    return calendarPopup() && calendarWidget() && calendarWidget()->isVisible();
}

void TDateTimePickerControl::resizeEvent(QResizeEvent* e) {
    if (e) QDateTimeEdit::resizeEvent(e);
    const int box = checkBox_->isVisible() ? height() : 0;
    checkBox_->setGeometry(2, 0, box, height());
    if (QLineEdit* edit = lineEdit()) edit->setTextMargins(box, 0, 0, 0);
}

TCheckBoxControl::TCheckBoxControl(QWidget* parent) : TControlAdapter<QCheckBox>(parent) {
    QObject::connect(this, &QCheckBox::clicked, this, [this] {
        GuardUi([this] {
            if (OnClick) OnClick(this);
        });
    });
}

TCheckBoxState TCheckBoxControl::State() const {
    switch (checkState()) {
    case Qt::Checked:
        return TCheckBoxState::cbChecked;
    case Qt::PartiallyChecked:
        return TCheckBoxState::cbGrayed;
    default:
        return TCheckBoxState::cbUnchecked;
    }
}

void TCheckBoxControl::SetState(TCheckBoxState state) {
    if (state == TCheckBoxState::cbGrayed) setTristate(true);
    setCheckState(state == TCheckBoxState::cbChecked  ? Qt::Checked
                  : state == TCheckBoxState::cbGrayed ? Qt::PartiallyChecked
                                                      : Qt::Unchecked);
}

TButtonControl::TButtonControl(QWidget* parent) : TControlAdapter<QPushButton>(parent) {
    QObject::connect(this, &QPushButton::clicked, this, [this] {
        GuardUi([this] {
            if (OnClick) OnClick(this);
        });
    });
}

TEditWithButton::TEditWithButton(QWidget* parent)
    : TCustomMaskEdit(parent), button_(MakeButton(this, Qt::NoArrow)) {
    button_->setText(QStringLiteral("..."));
    QObject::connect(button_, &QToolButton::clicked, this, [this] { GuardUi([this] { DoButtonClick(); }); });
    PlaceButton();
}

void TEditWithButton::SetButtonWidth(int width) {
    buttonWidth_ = std::max(width, 8);
    PlaceButton();
}

void TEditWithButton::SetGlyph(const TBitmap& glyph) {
    button_->setIcon(glyph.Empty() ? QIcon() : QIcon(QPixmap::fromImage(glyph.Image())));
}

void TEditWithButton::SetReservedSpace(int pixels) {
    reserved_ = std::max(pixels, 0);
    PlaceButton();
}

void TEditWithButton::DoButtonClick() {
    if (OnClickBtn) OnClickBtn(this);
}

void TEditWithButton::KeyDown(int& key, TShiftState shift) {
    TCustomMaskEdit::KeyDown(key, shift);
    if (key == VK_F4) DoButtonClick();
}

void TEditWithButton::resizeEvent(QResizeEvent* e) {
    TCustomMaskEdit::resizeEvent(e);
    PlaceButton();
}

void TEditWithButton::PlaceButton() {
    button_->setGeometry(width() - buttonWidth_, 0, buttonWidth_, height());
    setTextMargins(0, 0, buttonWidth_ + reserved_, 0);
}

TRichEditControl::TRichEditControl(QWidget* parent) : TControlAdapter<QTextEdit>(parent) {
    setAcceptRichText(false);
}

TPopupMenuControl::TPopupMenuControl(QWidget* parent) : menu_(parent) {}

void TPopupMenuControl::AddItem(const QString& caption, int id) {
    menu_.addAction(caption)->setData(id);
}

void TPopupMenuControl::Clear() {
    menu_.clear();
}

int TPopupMenuControl::Popup(QPoint screenPos) {
    QAction* chosen = Runner() ? Runner()(menu_, screenPos) : nullptr;
    return chosen ? chosen->data().toInt() : 0;
}

TPopupMenuControl::TRunner TPopupMenuControl::SetRunner(TRunner runner) {
    return std::exchange(Runner(), std::move(runner));
}
