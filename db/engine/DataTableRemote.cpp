// TDataTable of a database server: the header copies and field descriptors taken from a server's reply,
// with the files closed.
#include "db/engine/DataTable.h"

#include <cassert>

namespace vorsam {

void TDataFile::FillFromServer(const TDataFileHeader& header, std::vector<TFieldDescriptor> fields) {
    assert(fields.size() == header.FieldCount() && "a descriptor per field");
    header_ = header;
    header_.SetHeaderChanged(false);
    fileHeader_ = header_;
    fields_ = std::move(fields);
    descriptorsChanged_ = false;
}

void TIndexFile::FillFromServer(const TIndexFileHeader& header) {
    header_ = header;
    header_.Changed = false;
}

void TDataTable::FillFromServer(const TDataFileHeader& data, std::vector<TFieldDescriptor> fields,
                                const TIndexFileHeader& index, TTableOpenMode mode) {
    assert(IsRemote() && !IsOpen() && "a closed table of a remote session");
    dataFile_.FillFromServer(data, std::move(fields));
    indexFile_.FillFromServer(index);
    indexFile_.ValidateIndexHeader(dataFile_.FieldDescriptors());
    encrypted_ = data.Encrypted();
    mode_ = mode;
}

} // namespace vorsam
