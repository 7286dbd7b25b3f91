#include "desktop/qvxFileStorage.h"

#include "desktop/qvxFormUtils.h"
#include "desktop/qvxSysUtils.h"
#include "platform/os/FileIo.h"
#include "platform/os/OsError.h"

#include <QFile>
#include <QIODevice>
#include <QtEndian>

#include <limits>

namespace {

constexpr std::size_t MaxStoredBytes = std::numeric_limits<quint32>::max();

std::string Path(const QString& name) {
    return QFile::encodeName(name).toStdString();
}

std::string Quoted(const QString& name) {
    return '"' + name.toStdString() + '"';
}

// Raises OnLoad/OnSave with the outcome, then passes a failure on as EqvxFileStorage.
template <typename Step>
bool Report(QObject* sender, const TqvxFileStorageOnFileOperation& event, const std::string& message,
            Step step) {
    bool successful = false;
    try {
        successful = step();
    } catch (const std::exception&) {
        if (event) event(sender, false);
        throw EqvxFileStorage(message);
    }
    if (event) event(sender, successful);
    return successful;
}

} // namespace

TqvxCustomFileStorage::TqvxCustomFileStorage(QObject* owner) : TqvxComponent(owner) {}

bool TqvxCustomFileStorage::LoadFromFile(const QString& name) {
    Clear();
    return Report(this, OnLoad, "Can not load data from the " + Quoted(name) + " file", [&] {
        const std::optional<std::string> bytes = ReadWholeFile(Path(name), MaxStoredBytes);
        if (!bytes) return false;
        data_ = QByteArray::fromStdString(*bytes);
        return true;
    });
}

bool TqvxCustomFileStorage::SaveToFile(const QString& name) {
    return Report(this, OnSave, "Can not save data to the " + Quoted(name) + " file", [&] {
        bool overrideFile = true;
        if (OnConfirmOverride && FileExists(Path(name))) OnConfirmOverride(this, overrideFile);
        if (!overrideFile) return false;
        WriteFileAtomically(Path(name), std::string_view(data_.constData(), data_.size()));
        return true;
    });
}

bool TqvxCustomFileStorage::Load() {
    return LoadFromFile(fileName_);
}

bool TqvxCustomFileStorage::Save() {
    return SaveToFile(saveName_);
}

void TqvxCustomFileStorage::ReadData(QIODevice& stream) {
    Clear();
    quint32 count = 0;
    if (stream.read(reinterpret_cast<char*>(&count), sizeof count) != sizeof count)
        throw EqvxFileStorage("The stored file data has no byte count");
    count = qFromLittleEndian(count);
    if (!stream.isSequential() && count > stream.bytesAvailable())
        throw EqvxFileStorage("The stored file data is shorter than its count");
    QByteArray bytes = stream.read(count);
    if (bytes.size() != qsizetype(count))
        throw EqvxFileStorage("The stored file data is shorter than its count");
    data_ = std::move(bytes);
}

void TqvxCustomFileStorage::WriteData(QIODevice& stream) const {
    const quint32 count = qToLittleEndian(quint32(data_.size()));
    if (stream.write(reinterpret_cast<const char*>(&count), sizeof count) != sizeof count ||
        stream.write(data_) != data_.size())
        throw EqvxFileStorage("Can not write the stored file data: " + stream.errorString().toStdString());
}

void TqvxCustomFileStorage::SetAutoSave(bool value) {
    if (value && Designing() && !qvxIsUsableFileName(saveName_)) {
        qvxShowMessage("Warning",
                       "AutoSave can not be set because the SaveName property contains a wrong file name");
        value = false;
    }
    autoSave_ = value;
}

void TqvxCustomFileStorage::SetSaveName(const QString& value) {
    saveName_ = value;
    if (Designing() && !qvxIsUsableFileName(saveName_)) autoSave_ = false;
}

void TqvxCustomFileStorage::SetFileName(const QString& value) {
    StoreFileName(value);
    if (Designing()) LoadFromFile(fileName_);
}

void TqvxCustomFileStorage::StoreFileName(const QString& value) {
    fileName_ = value;
}

quint32 TqvxCustomFileStorage::GetDataSize() const {
    return quint32(data_.size());
}

void TqvxCustomFileStorage::SetDataSize(quint32) {}

void TqvxCustomFileStorage::Clear() {
    data_.clear();
}

void TqvxCustomFileStorage::Loaded() {
    if (autoSave_ && !Designing()) Save();
}
