// TDataTableModel: a read-only table model over the dataset of a data source, so that a list or a
// table view can show its records: one row per record in the dataset's order, one column per field
// (all fields, or those FieldNames lists), the fields' DisplayText as the cells' text and their
// DisplayLabel as the column headings. A closed dataset has no rows.
//
// The model reads the records as a grid of the class library does: its data link asks the dataset
// to keep every record in its buffers (the record count plus one, for a record being inserted), and
// a cell is read by making its buffer the active one for a moment, so reading never moves the
// dataset nor posts a record being edited. That suits the small tables the screens show. A
// dataset that cannot count its records keeps the first 256 around the current one.
//
// The rows follow the dataset: a change of its records or layout resets the model, a change of the
// current record updates that row, and CurrentRow tells which row is the current record.
#pragma once

#include <QAbstractTableModel>

#include <memory>
#include <string>
#include <vector>

namespace platform::data {
class TDataSource;
class TField;
} // namespace platform::data

class TDataTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit TDataTableModel(QObject* parent = nullptr);
    ~TDataTableModel() override;

    platform::data::TDataSource* DataSource() const;
    void SetDataSource(platform::data::TDataSource* source);
    // The fields shown, separated by ';'; empty for every field of the dataset.
    const std::string& FieldNames() const { return fieldNames_; }
    void SetFieldNames(std::string names);
    // The row of the current record; -1 while the dataset is closed or empty.
    int CurrentRow() const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    class TModelLink;
    friend class TModelLink;

    void Rebuild();
    void RecordChanged();

    std::unique_ptr<TModelLink> link_;
    std::string fieldNames_;
    std::vector<platform::data::TField*> fields_;
};
