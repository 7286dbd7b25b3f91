#include "platform/ui/DataChoiceControls.h"

#include "platform/data/Field.h"

#include <QAbstractItemModel>
#include <QGridLayout>
#include <QKeyEvent>
#include <QStyleOptionComboBox>
#include <QStylePainter>

using namespace platform::data;

namespace {

QStringList ValueList(const QString& values) {
    QStringList list = values.split(QLatin1Char(';'));
    for (QString& value : list) value = value.trimmed();
    return list;
}

bool ValueMatch(const QString& values, const QString& text) {
    for (const QString& value : ValueList(values))
        if (value.compare(text, Qt::CaseInsensitive) == 0) return true;
    return false;
}

} // namespace

// ---- TDBCheckBox ----

TDBCheckBox::TDBCheckBox(QWidget* parent) : TDataControl(parent) {}

void TDBCheckBox::SetValueChecked(const QString& value) {
    valueChecked_ = value;
    DataChange();
}

void TDBCheckBox::SetValueUnchecked(const QString& value) {
    valueUnchecked_ = value;
    DataChange();
}

TCheckBoxState TDBCheckBox::FieldState() const {
    const TField* field = Field();
    if (field == nullptr) return TCheckBoxState::cbUnchecked;
    if (field->IsNull()) return TCheckBoxState::cbGrayed;
    if (field->DataType() == ftBoolean)
        return field->AsBoolean() ? TCheckBoxState::cbChecked : TCheckBoxState::cbUnchecked;
    const QString text = FieldText(field);
    if (ValueMatch(valueChecked_, text)) return TCheckBoxState::cbChecked;
    if (ValueMatch(valueUnchecked_, text)) return TCheckBoxState::cbUnchecked;
    return TCheckBoxState::cbGrayed;
}

void TDBCheckBox::DataChange() {
    SetState(FieldState());
}

void TDBCheckBox::UpdateData() {
    TField& field = *Field();
    if (State() == TCheckBoxState::cbGrayed)
        field.Clear();
    else if (field.DataType() == ftBoolean)
        field.SetAsBoolean(Checked());
    else
        SetFieldText(field, ValueList(Checked() ? valueChecked_ : valueUnchecked_).front());
}

void TDBCheckBox::nextCheckState() {
    GuardUi([this] {
        if (!BeginChange()) return;
        switch (State()) {
        case TCheckBoxState::cbUnchecked:
            SetState(allowGrayed_ ? TCheckBoxState::cbGrayed : TCheckBoxState::cbChecked);
            break;
        case TCheckBoxState::cbChecked:
            SetState(TCheckBoxState::cbUnchecked);
            break;
        case TCheckBoxState::cbGrayed:
            SetState(TCheckBoxState::cbChecked);
            break;
        }
        WriteNow();
    });
}

void TDBCheckBox::KeyPress(QChar& key) {
    TCheckBoxControl::KeyPress(key);
    if (key == QChar(8) || key == QChar(' '))
        Link().Edit();
    else if (key == QChar(27))
        Link().Reset();
}

void TDBCheckBox::ControlChar(QChar ch) {
    if (ch == QChar(' '))
        click();
    else
        TCheckBoxControl::ControlChar(ch);
}

// ---- TDBComboBox ----

TDBComboBox::TDBComboBox(QWidget* parent) : TDataControl(parent) {
    QObject::connect(this, qOverload<int>(&QComboBox::activated), this,
                     [this](int index) { GuardUi([&] { Choose(index); }); });
    // Qt selects the first item put into an empty list; the field's text is shown again instead.
    const auto itemsChanged = [this] {
        if (!Link().IsModified()) DataChange();
    };
    QObject::connect(model(), &QAbstractItemModel::rowsInserted, this, itemsChanged);
    QObject::connect(model(), &QAbstractItemModel::rowsRemoved, this, itemsChanged);
    QObject::connect(model(), &QAbstractItemModel::modelReset, this, itemsChanged);
    ConnectEditField();
}

void TDBComboBox::SetStyle(TComboBoxStyle style) {
    TComboBoxControl::SetStyle(style);
    ConnectEditField();
    EditingChange();
    if (!Link().IsModified()) DataChange();
}

void TDBComboBox::ConnectEditField() {
    if (lineEdit() == nullptr || lineEdit() == editField_) return;
    editField_ = lineEdit();
    QObject::connect(editField_, &QLineEdit::textEdited, this, [this] { Link().Modified(); });
}

QString TDBComboBox::ComboText() const {
    if (isEditable()) return currentText();
    return currentIndex() < 0 ? QString() : itemText(currentIndex());
}

void TDBComboBox::ShowText(const QString& text) {
    if (text == ShownText()) return; // the edit field keeps its selection
    const int index = text.isEmpty() ? -1 : findText(text, Qt::MatchFixedString);
    shown_ = index < 0 ? text : QString();
    setCurrentIndex(index);
    if (isEditable()) setEditText(text);
    update();
}

void TDBComboBox::Choose(int index) {
    const QString chosen = itemText(index);
    if (!BeginChange()) return;
    ShowText(chosen);
    WriteNow();
}

void TDBComboBox::DataChange() {
    if (DroppedDown()) return;
    ShowText(FieldText(Field()));
}

void TDBComboBox::UpdateData() {
    SetFieldText(*Field(), ComboText());
}

void TDBComboBox::EditingChange() {
    if (lineEdit() != nullptr) lineEdit()->setReadOnly(!Link().Editing());
}

void TDBComboBox::showPopup() {
    GuardUi([this] { Link().Edit(); });
    TComboBoxControl::showPopup();
}

void TDBComboBox::KeyDown(int& key, TShiftState shift) {
    TComboBoxControl::KeyDown(key, shift);
    if (key == VK_BACK || key == VK_DELETE || key == VK_UP || key == VK_DOWN) {
        if (!Link().Edit() && (key == VK_UP || key == VK_DOWN)) key = 0;
    }
}

void TDBComboBox::KeyPress(QChar& key) {
    TComboBoxControl::KeyPress(key);
    const ushort code = key.unicode();
    if (code == 8 || code == 22 || code == 24 || code >= 32) {
        Link().Edit();
    } else if (code == 27) {
        Link().Reset();
        if (lineEdit() != nullptr) lineEdit()->selectAll();
    }
}

void TDBComboBox::DoExit() {
    WriteOnExit([this] {
        if (lineEdit() != nullptr) lineEdit()->selectAll();
    });
    TComboBoxControl::DoExit();
}

void TDBComboBox::paintEvent(QPaintEvent* e) {
    if (isEditable() || currentIndex() >= 0 || shown_.isEmpty()) {
        TComboBoxControl::paintEvent(e);
        return;
    }
    QStylePainter painter(this);
    painter.setPen(palette().color(QPalette::Text));
    QStyleOptionComboBox option;
    initStyleOption(&option);
    option.currentText = shown_;
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

// ---- TDBRadioGroup ----

TDBRadioGroup::TDBRadioGroup(QWidget* parent) : TDataControl(parent) {
    group_.setExclusive(true);
    QObject::connect(&group_, &QButtonGroup::idClicked, this,
                     [this](int id) { GuardUi([&] { Choose(id); }); });
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 2, 4, 2);
    grid->setSpacing(0);
}

void TDBRadioGroup::SetItems(const QStringList& items) {
    items_ = items;
    BuildButtons();
    DataChange();
}

void TDBRadioGroup::SetValues(const QStringList& values) {
    values_ = values;
    DataChange();
}

void TDBRadioGroup::SetColumns(int columns) {
    columns_ = std::max(columns, 1);
    BuildButtons();
    SetValue(value_);
}

QRadioButton* TDBRadioGroup::Button(int index) const {
    return static_cast<QRadioButton*>(group_.button(index));
}

QString TDBRadioGroup::ButtonValue(int index) const {
    if (index < values_.size() && !values_[index].isEmpty()) return values_[index];
    return index < items_.size() ? items_[index] : QString();
}

void TDBRadioGroup::SetValue(const QString& value) {
    value_ = value;
    int index = -1;
    for (int i = 0; i < items_.size() && index < 0; ++i)
        if (ButtonValue(i) == value) index = i;
    CheckButton(index);
}

void TDBRadioGroup::CheckButton(int index) {
    if (index >= 0) {
        group_.button(index)->setChecked(true);
        return;
    }
    QAbstractButton* checked = group_.checkedButton();
    if (checked == nullptr) return;
    group_.setExclusive(false);
    checked->setChecked(false);
    group_.setExclusive(true);
}

void TDBRadioGroup::Choose(int index) {
    if (!BeginChange()) return;
    SetValue(ButtonValue(index));
    WriteNow();
    if (OnClick) OnClick(this);
}

void TDBRadioGroup::DataChange() {
    SetValue(FieldText(Field()));
}

void TDBRadioGroup::UpdateData() {
    SetFieldText(*Field(), value_);
}

bool TDBRadioGroup::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && IsCancelKey(*static_cast<QKeyEvent*>(event)) &&
        Link().IsModified()) {
        GuardUi([this] { Link().Reset(); });
        return true;
    }
    return TDataControl::eventFilter(watched, event);
}

void TDBRadioGroup::BuildButtons() {
    for (QAbstractButton* button : group_.buttons()) {
        group_.removeButton(button);
        delete button;
    }
    auto* grid = static_cast<QGridLayout*>(layout());
    const int count = int(items_.size());
    const int perColumn = std::max((count + columns_ - 1) / columns_, 1);
    for (int i = 0; i < count; ++i) {
        auto* button = new QRadioButton(items_[i], this);
        button->installEventFilter(this);
        group_.addButton(button, i);
        grid->addWidget(button, i % perColumn, i / perColumn);
    }
    // The buttons share the height and width evenly, whatever the rows and columns were before.
    for (int row = 0; row < grid->rowCount(); ++row) grid->setRowStretch(row, row < perColumn ? 1 : 0);
    for (int column = 0; column < grid->columnCount(); ++column)
        grid->setColumnStretch(column, column < columns_ ? 1 : 0);
}
