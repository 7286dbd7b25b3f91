#include "screens/ScreenFields.h"

#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "core/ValueConversions.h"
#include "platform/ui/ControlAdapters.h"
#include "screens/ScreenConventions.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>
#include <cassert>
#include <charconv>

namespace {

class TMaskEdit : public QLineEdit {
public:
    using QLineEdit::QLineEdit;

protected:
    void mouseReleaseEvent(QMouseEvent* event) override {
        QLineEdit::mouseReleaseEvent(event);
        if (hasSelectedText()) return; // a drag selected text
        const int free = FirstFreePosition();
        if (free >= 0 && cursorPosition() > free) setCursorPosition(free);
    }

private:
    // The first position of the mask that takes a character and has none; -1 when all are filled.
    int FirstFreePosition() const {
        const QString mask = inputMask().section(';', 0, 0);
        const QString blank = inputMask().section(';', 1);
        const QChar blankChar = blank.isEmpty() ? QChar(' ') : blank.front();
        const QString shown = displayText();
        static const QString takes = QStringLiteral("AaNnXx90Dd#HhBb");
        int position = 0;
        for (qsizetype i = 0; i < mask.size() && position < shown.size(); ++i) {
            const QChar c = mask[i];
            if (c == '<' || c == '>' || c == '!') continue; // case switches take no position
            if (c == '\\') {
                ++i; // the next character is a literal
            } else if (takes.contains(c) && shown[position] == blankChar) {
                return position;
            }
            ++position;
        }
        return -1;
    }
};

constexpr const char* OutOfRange = LngText("O valor está fora da faixa permitida.");

// The first item whose text equals text, blanks at the ends of either ignored; -1 when none does.
int FindItem(const QComboBox* list, const QString& text) {
    const QString wanted = text.trimmed();
    for (int i = 0; i < list->count(); ++i)
        if (list->itemText(i).trimmed() == wanted) return i;
    return -1;
}

bool IsNumber(const std::string& text) {
    return !text.empty() && std::ranges::all_of(text, [](char c) { return c >= '0' && c <= '9'; });
}

// The number of a text of digits; -1 when it exceeds every byte value.
int NumberOf(const std::string& text) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && value <= 255 ? value : -1;
}

bool OffersNumber(const QComboBox* list, int value, std::initializer_list<int> alsoValid) {
    if (std::ranges::find(alsoValid, value) != alsoValid.end()) return true;
    for (int i = 0; i < list->count(); ++i) {
        const std::string item = list->itemText(i).trimmed().toStdString();
        if (IsNumber(item) && NumberOf(item) == value) return true;
    }
    return false;
}

} // namespace

QLineEdit* NewMaskEdit(QWidget* parent, const char* name, const char* inputMask) {
    auto* field = new TMaskEdit(parent);
    field->setObjectName(name);
    field->setInputMask(inputMask);
    // As wide as every position of the mask (the text before ";").
    const QString positions = QString(inputMask).section(';', 0, 0);
    field->setFixedWidth(field->fontMetrics().horizontalAdvance(QString(positions.size(), '0')) + 16);
    return field;
}

QComboBox* NewList(QWidget* parent, const char* name, bool editable, int maxLength, bool digitsOnly) {
    auto* list = new QComboBox(parent);
    list->setObjectName(name);
    list->setEditable(editable);
    if (editable) {
        list->setInsertPolicy(QComboBox::NoInsert);
        if (maxLength > 0) list->lineEdit()->setMaxLength(maxLength);
        if (digitsOnly)
            list->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), list));
        FollowShownText(*list);
    }
    return list;
}

void AddNumberItems(QComboBox* list, int first, int last, int step) {
    for (int value = first; value <= last; value += step) list->addItem(QString::number(value));
}

QLabel* NewLabel(QWidget* parent, const char* name, QWidget* buddy) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setBuddy(buddy);
    return label;
}

QGroupBox* NewFieldGroup(QWidget* parent, const char* name,
                         std::initializer_list<std::pair<QLabel*, QWidget*>> rows) {
    auto* group = new QGroupBox(parent);
    group->setObjectName(name);
    auto* layout = new QFormLayout(group);
    layout->setFieldGrowthPolicy(QFormLayout::FieldsStayAtSizeHint);
    for (const auto& [label, field] : rows) {
        label->setBuddy(field);
        layout->addRow(label, field);
    }
    return group;
}

std::string Text(const QLineEdit* field) {
    return field->text().toStdString();
}

std::string Text(const QComboBox* list) {
    return list->currentText().toStdString();
}

void SetText(QLineEdit* field, const std::string& text) {
    field->setText(QString::fromStdString(text));
}

PackedNumber PhoneNumberOf(const QLineEdit* field) {
    return PackPhoneNumber(RemoveSpaces(Text(field).substr(0, MaxPackedDigits)));
}

void SelectText(QComboBox* list, const std::string& text) {
    const QString wanted = QString::fromStdString(text).trimmed();
    list->setCurrentIndex(FindItem(list, wanted));
    if (list->currentIndex() < 0 && list->isEditable()) list->setEditText(wanted);
}

std::uint8_t ListValue(QComboBox* list, int largest, std::initializer_list<int> alsoValid) {
    assert(largest >= 0 && largest <= 255);
    const std::string text = list->currentText().trimmed().toStdString();
    if (!IsNumber(text)) FailCheck(list, LngText("O valor deve ser um número."));
    const int value = NumberOf(text);
    const bool valid = list->isEnabled() ? value >= 0 && OffersNumber(list, value, alsoValid)
                                         : value >= 0 && value <= largest;
    if (!valid) FailCheck(list, OutOfRange);
    return static_cast<std::uint8_t>(value);
}

PositionCode ExtensionCodeOf(QComboBox* list) {
    bool ok = false;
    const PositionCode code = ExtensionCodeFromText(Text(list), ok);
    if (!ok) FailCheck(list, LngText("Ramal não existe."));
    return code;
}

PositionCode OfferedExtensionCodeOf(QComboBox* list) {
    const PositionCode code = ExtensionCodeOf(list);
    const QString text = list->currentText().trimmed();
    if (list->isEnabled() && !text.isEmpty() && FindItem(list, text) < 0) FailCheck(list, OutOfRange);
    return code;
}

PositionCode OfferedOrUnnamedCode(QComboBox* list, std::uint8_t stored,
                                  std::span<const std::uint8_t> unnamed) {
    const PositionCode code = OfferedExtensionCodeOf(list);
    const bool showsNothing = code == NoExtension && list->currentText().trimmed().isEmpty();
    return showsNothing && std::ranges::find(unnamed, stored) != unnamed.end() ? stored : code;
}

void FillExtensionList(QComboBox* list, bool withEmptyItem) {
    list->clear();
    for (std::size_t i = 0; i < ExtensionListCount; ++i) {
        if (ExtensionList[i] == ExtensionListMarker) {
            if (withEmptyItem) list->addItem(QString());
        } else {
            list->addItem(QString::number(ExtensionList[i]));
        }
    }
}

void SetCheckedButton(QButtonGroup& group, int id) {
    group.setExclusive(false);
    for (QAbstractButton* button : group.buttons()) button->setChecked(group.id(button) == id);
    group.setExclusive(true);
}
