#include "screens/DataFields.h"

#include "core/ExtensionCodes.h"
#include "core/Language.h"
#include "platform/data/DataSet.h"
#include "platform/ui/DataChoiceControls.h"
#include "platform/ui/DataNavigator.h"
#include "platform/ui/MaskEdit.h"
#include "platform/ui/UiBoundary.h"
#include "platform/ui/UiServices.h"
#include "screens/ScratchTables.h"
#include "screens/TableRows.h"

#include "db/components/VORSAMTable.h"
#include "platform/data/DataSource.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

namespace {

class TUnbindOnHide : public QObject {
public:
    TUnbindOnHide(QWidget* screen, platform::data::TDataSource& source) : QObject(screen), source_(source) {
        screen->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Hide) return false;
        GuardUi([this] {
            DetachTable(source_); // also after Escape
        });
        return false;
    }

private:
    platform::data::TDataSource& source_;
};

} // namespace

platform::data::TDataSet& ScratchTable(platform::data::TDataSource& source) {
    if (source.DataSet() == nullptr) source.SetDataSet(&TabTemp());
    return *source.DataSet();
}

void KeepScratchTableWhileShown(QWidget* screen, platform::data::TDataSource& source) {
    new TUnbindOnHide(screen, source);
}

void BindDataList(TDBComboBox* list, const char* name, platform::data::TDataSource& source,
                  std::string_view column) {
    list->setObjectName(name);
    list->SetStyle(TComboBoxStyle::csDropDownList);
    list->setMinimumContentsLength(5); // an extension number
    list->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    list->SetDataSource(&source);
    list->SetDataField(QString::fromUtf8(column.data(), static_cast<qsizetype>(column.size())));
}

void BindDataCheckBox(TDBCheckBox* box, const char* name, platform::data::TDataSource& source,
                      std::string_view column) {
    box->setObjectName(name);
    box->SetValueChecked("1");
    box->SetValueUnchecked("0");
    box->SetDataSource(&source);
    box->SetDataField(QString::fromUtf8(column.data(), static_cast<qsizetype>(column.size())));
}

TDBNavigator* NewRowNavigator(QWidget* parent, platform::data::TDataSource& source,
                              std::function<void()> onClick) {
    auto* navigator = new TDBNavigator(parent);
    navigator->setObjectName("DBNavigator1");
    navigator->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    navigator->SetDataSource(&source);
    navigator->SetVisibleButtons(
        {TNavigateBtn::nbFirst, TNavigateBtn::nbPrior, TNavigateBtn::nbNext, TNavigateBtn::nbLast});
    navigator->OnClick = [onClick = std::move(onClick)](QObject*, TNavigateBtn) { onClick(); };
    return navigator;
}

TCustomMaskEdit* NewKeyEdit(QWidget* parent, const char* name, int maxLength) {
    auto* edit = new TCustomMaskEdit(parent);
    edit->setObjectName(name);
    edit->SetMaxLength(maxLength);
    edit->setFixedWidth(edit->fontMetrics().horizontalAdvance(QString(maxLength + 1, '0')) + 16);
    return edit;
}

void ShowCurrentGroup(TCustomMaskEdit& edit, platform::data::TDataSet& table) {
    edit.SetText(QString::fromStdString(ColumnText(table, "GRUPO")));
}

TGroupKey GoToTypedGroup(int& key, TShiftState shift, TCustomMaskEdit& edit, platform::data::TDataSet& table,
                         const char* missingMessage) {
    // The digits of the main rows and of the keypad (which come with their own key codes).
    const int typed = key >= VK_NUMPAD0 && key <= VK_NUMPAD0 + 9 ? '0' + (key - VK_NUMPAD0) : key;
    if (typed < '0' || typed > '9' || IsChord(shift)) return TGroupKey::Other;
    const char digit[] = {static_cast<char>(typed), '\0'};
    key = 0;
    edit.SetText(digit);
    if (FindRow(table, "GRUPO", digit)) return TGroupKey::Found;
    ShowMessage(&edit, TMsgKind::Information, missingMessage);
    ShowCurrentGroup(edit, table);
    edit.setFocus();
    return TGroupKey::Missing;
}

std::vector<QStringList> MemberItems(std::size_t slotCount, const char* emptyText,
                                     const std::function<int(PositionCode)>& slotOf) {
    std::vector<QStringList> items(slotCount);
    const auto offer = [&](int slot, const QString& text) {
        if (slot == NoSlot) return;
        for (std::size_t s = 0; s < slotCount; ++s)
            if (slot == AllSlots || static_cast<std::size_t>(slot) == s) items[s] << text;
    };
    for (std::size_t i = 0; i < ExtensionListCount; ++i) {
        if (ExtensionList[i] == ExtensionListMarker) {
            offer(AllSlots, emptyText);
            continue;
        }
        const std::string text = std::to_string(ExtensionList[i]);
        bool ok = false;
        const PositionCode code = ExtensionCodeFromText(text, ok);
        if (ok) offer(slotOf(code), QString::fromStdString(text));
    }
    return items;
}

QHBoxLayout* NewKeyRow(QLabel* label, TCustomMaskEdit* edit, TDBNavigator* navigator) {
    label->setBuddy(edit);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(edit);
    row->addStretch();
    row->addWidget(navigator);
    return row;
}
