#include "platform/ui/DataTableModel.h"

#include "platform/data/DataLink.h"
#include "platform/data/DataSet.h"
#include "platform/os/Cp1252.h"
#include "platform/ui/DataFieldLink.h"

using namespace platform::data;

namespace {

// Records kept when the dataset cannot count them.
constexpr int kUncountedRecords = 256;

} // namespace

class TDataTableModel::TModelLink : public TDataLink {
public:
    explicit TModelLink(TDataTableModel& model) : model_(model) {}

protected:
    void ActiveChanged() override { model_.Rebuild(); }
    void DataSetChanged() override { model_.Rebuild(); }
    void LayoutChanged() override { model_.Rebuild(); }
    // With every record buffered the rows stay put; otherwise the buffered records moved.
    void DataSetScrolled(int distance) override {
        if (distance != 0) model_.Rebuild();
    }
    void RecordChanged(TField*) override { model_.RecordChanged(); }

private:
    TDataTableModel& model_;
};

TDataTableModel::TDataTableModel(QObject* parent)
    : QAbstractTableModel(parent), link_(std::make_unique<TModelLink>(*this)) {}

TDataTableModel::~TDataTableModel() = default;

TDataSource* TDataTableModel::DataSource() const {
    return link_->DataSource();
}

void TDataTableModel::SetDataSource(TDataSource* source) {
    link_->SetDataSource(source);
    Rebuild();
}

void TDataTableModel::SetFieldNames(std::string names) {
    fieldNames_ = std::move(names);
    Rebuild();
}

void TDataTableModel::Rebuild() {
    beginResetModel();
    fields_.clear();
    if (link_->Active()) {
        TDataSet& dataSet = *link_->DataSet();
        if (fieldNames_.empty())
            for (int i = 0; i < dataSet.FieldCount(); ++i) fields_.push_back(&dataSet.Fields()[i]);
        else
            fields_ = dataSet.GetFieldList(fieldNames_);
        const int count = dataSet.RecordCount();
        link_->SetBufferCount(count >= 0 ? count + 1 : kUncountedRecords);
    }
    endResetModel();
}

void TDataTableModel::RecordChanged() {
    const int row = CurrentRow();
    if (row >= 0 && !fields_.empty()) emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int TDataTableModel::CurrentRow() const {
    if (!link_->Active() || link_->DataSet()->IsEmpty()) return -1;
    return link_->ActiveRecord();
}

int TDataTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !link_->Active() ? 0 : link_->RecordCount();
}

int TDataTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(fields_.size());
}

QVariant TDataTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount() ||
        index.column() >= columnCount())
        return {};
    const int active = link_->ActiveRecord();
    link_->SetActiveRecord(index.row());
    QString text;
    try {
        text = FieldDisplayText(fields_[std::size_t(index.column())]);
    } catch (const std::exception&) {
        // A value that cannot be shown leaves its cell empty.
    }
    link_->SetActiveRecord(active);
    return text;
}

QVariant TDataTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromStdString(Cp1252ToUtf8(fields_[std::size_t(section)]->DisplayLabel()));
}

Qt::ItemFlags TDataTableModel::flags(const QModelIndex& index) const {
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
