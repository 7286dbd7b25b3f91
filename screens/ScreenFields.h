#pragma once
// The controls the screens are made of, and the conversions of their texts into values.
//
// Masked fields use Qt input masks: a digit that may be left blank is "0", the blank shown is
// "_" ("00:00;_" for a time, "00/00;_" for a day and month). Their text() drops the blanks and
// keeps the literals, so an empty time field reads ":" and an empty date field "/".
// Conversions that can fail throw EScreenCheck naming the control, so that the screen shows the
// message and returns the focus there (ScreenConventions.h).

#include "core/ImageLayout.h"

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <utility>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QWidget;

// A telephone number of up to 20 digits.
inline constexpr char PhoneNumberMask[] = "00000000000000000000;_";

// An edit with an input mask, as wide as the mask. A click after the first position still free
// puts the caret on that position, so that what is typed next is taken (the mask would drop it
// past its end); a click on a typed character puts the caret there.
QLineEdit* NewMaskEdit(QWidget* parent, const char* name, const char* inputMask);
// A drop-down list; an editable one takes at most maxLength characters (0: no limit), only
// digits when digitsOnly, and keeps its current item on the value shown (FollowShownText).
QComboBox* NewList(QWidget* parent, const char* name, bool editable, int maxLength = 0,
                   bool digitsOnly = false);
// The items first, first + step, ... last.
void AddNumberItems(QComboBox* list, int first, int last, int step = 1);
// A label whose accelerator moves the focus to buddy.
QLabel* NewLabel(QWidget* parent, const char* name, QWidget* buddy);

// A group box of label and field rows; each label's accelerator moves the focus to its field.
QGroupBox* NewFieldGroup(QWidget* parent, const char* name,
                         std::initializer_list<std::pair<QLabel*, QWidget*>> rows);

std::string Text(const QLineEdit* field); // UTF-8
std::string Text(const QComboBox* list);  // the shown text
void SetText(QLineEdit* field, const std::string& text);

// The packed number of a telephone-number field: its first 20 characters without blanks.
PackedNumber PhoneNumberOf(const QLineEdit* field);

// Shows text in a list: selects the item equal to it (blanks at the ends of either ignored);
// without such an item an editable list shows the text as it is and a fixed list shows nothing.
void SelectText(QComboBox* list, const std::string& text);

// The editable lists offer the valid values as their items; what is typed into one must be among
// them. A disabled list cannot be changed: it shows what is stored, and OK writes that back.

// The number an editable list of numbers shows: digits only, else EScreenCheck "O valor deve ser
// um número."; then the number of one of its items or one of alsoValid while the list is enabled,
// and at most largest while it is disabled, else "O valor está fora da faixa permitida.".
std::uint8_t ListValue(QComboBox* list, int largest, std::initializer_list<int> alsoValid = {});

// The position code of the extension number a list shows (ExtensionCodeFromText: empty gives
// NoExtension, "6x" the access codes); a number no position has: EScreenCheck "Ramal não existe.".
PositionCode ExtensionCodeOf(QComboBox* list);
// The same for an editable list of extension numbers, whose text must also be empty (no
// extension) or one of its items while the list is enabled, else "O valor está fora da faixa
// permitida." (a "6x" code it does not offer, for instance).
PositionCode OfferedExtensionCodeOf(QComboBox* list);
// The same, except that a list left showing nothing for a stored code the screen has no text for
// (one of unnamed, codes of a meaning the tool does not know) keeps that code: an Ok does not erase
// what the screen could not show.
PositionCode OfferedOrUnnamedCode(QComboBox* list, std::uint8_t stored,
                                  std::span<const std::uint8_t> unnamed);

// Fills a list from the program-wide extension list (BuildExtensionList, built by the caller):
// the marker entry becomes an empty item when withEmptyItem and is skipped otherwise.
void FillExtensionList(QComboBox* list, bool withEmptyItem);

// Checks the button of an exclusive group that has the id; -1 (or an id no button has) leaves
// every button unchecked.
void SetCheckedButton(QButtonGroup& group, int id);
