// TDBNavigator: a row of buttons that move through and edit the dataset of a data source: first,
// prior, next, last, insert, delete, edit, post, cancel and refresh. The buttons take no focus, so
// that the control being edited keeps it. Each button is enabled when its action makes sense:
// - first and prior unless the dataset is at its start (Bof), next and last unless at its end (Eof);
// - delete when the dataset can be modified and is not empty;
// - insert and refresh when the dataset can be modified; edit besides when the record is not
//   being edited, post and cancel only while it is;
// - none while the dataset is closed (or there is no data source).
// VisibleButtons chooses the buttons shown; they share the width evenly. Prior and next repeat
// while held. Delete asks first when ConfirmDelete is on (the default).
#pragma once

#include "platform/ui/EnumSet.h"

#include <QToolButton>
#include <QWidget>

#include <array>
#include <functional>
#include <memory>

namespace platform::data {
class TDataSource;
}

enum class TNavigateBtn {
    nbFirst,
    nbPrior,
    nbNext,
    nbLast,
    nbInsert,
    nbDelete,
    nbEdit,
    nbPost,
    nbCancel,
    nbRefresh
};
using TNavButtonSet = TSet<TNavigateBtn>;
constexpr TNavButtonSet AllNavigateButtons = {
    TNavigateBtn::nbFirst,  TNavigateBtn::nbPrior,  TNavigateBtn::nbNext, TNavigateBtn::nbLast,
    TNavigateBtn::nbInsert, TNavigateBtn::nbDelete, TNavigateBtn::nbEdit, TNavigateBtn::nbPost,
    TNavigateBtn::nbCancel, TNavigateBtn::nbRefresh};

// The question delete asks (translated when it is shown).
inline constexpr const char* SDeleteRecordQuestion = "Delete record?";

class TDBNavigator : public QWidget {
public:
    using TNavClickEvent = std::function<void(QObject* Sender, TNavigateBtn Button)>;

    explicit TDBNavigator(QWidget* parent = nullptr);
    ~TDBNavigator() override;

    platform::data::TDataSource* DataSource() const;
    void SetDataSource(platform::data::TDataSource* source);
    TNavButtonSet VisibleButtons() const { return visible_; }
    void SetVisibleButtons(TNavButtonSet buttons);
    bool ConfirmDelete() const { return confirmDelete_; }
    void SetConfirmDelete(bool on) { confirmDelete_ = on; }
    QToolButton* Button(TNavigateBtn button) const { return buttons_[static_cast<std::size_t>(button)]; }

    // Does what a click on the button does: BeforeAction, the dataset's action, then OnClick.
    void BtnClick(TNavigateBtn button);
    TNavClickEvent BeforeAction, OnClick;

    QSize sizeHint() const override;

private:
    class TNavDataLink;
    friend class TNavDataLink;

    void ActiveChanged();
    void DataChanged();
    void EditingChanged();
    void Enable(TNavigateBtn button, bool on) { Button(button)->setEnabled(on); }

    std::unique_ptr<TNavDataLink> link_;
    std::array<QToolButton*, 10> buttons_{};
    TNavButtonSet visible_ = AllNavigateButtons;
    bool confirmDelete_ = true;
};
