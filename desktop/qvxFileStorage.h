#pragma once
// TqvxCustomFileStorage and TqvxFileStorage: a whole file's bytes kept inside the component (and
// so inside the window that holds it), written back out on request or when the program starts.
//
// Stored form of the bytes (the "FileData" property, ReadData/WriteData):
//   u32 little-endian  count of bytes
//   count bytes        the file's contents (none when the count is 0)
// A form whose count runs past its end is refused (EqvxFileStorage), never read short.
// Files are written safely (temporary file, flush, rename).

#include "desktop/qvxComponents.h"

#include <QByteArray>

#include <functional>
#include <stdexcept>

class QIODevice;

class EqvxFileStorage : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

using TqvxFileStorageOnFileOperation = std::function<void(QObject* sender, bool successful)>;
using TqvxFileStorageOnConfirmOverride = std::function<void(QObject* sender, bool& overrideFile)>;

class TqvxCustomFileStorage : public TqvxComponent {
    Q_OBJECT
public:
    explicit TqvxCustomFileStorage(QObject* owner = nullptr);

    const QByteArray& Data() const { return data_; }
    quint32 DataSize() const { return GetDataSize(); }
    bool AutoSave() const { return autoSave_; }
    QString FileName() const { return fileName_; }
    QString SaveName() const { return saveName_; }
    void SetSaveName(const QString& value); // an unusable name in the design state ends AutoSave

    TqvxFileStorageOnFileOperation OnLoad;
    TqvxFileStorageOnFileOperation OnSave;
    TqvxFileStorageOnConfirmOverride OnConfirmOverride;

    // Replaces the data by the file's bytes; false when the file does not exist. OnLoad is raised
    // in every case; a failed read raises EqvxFileStorage "Can not load data from the "<name>" file".
    virtual bool LoadFromFile(const QString& name);
    // Writes the data, after OnConfirmOverride allows replacing an existing file; false when not
    // allowed. OnSave is raised in every case; a failed write raises EqvxFileStorage
    // "Can not save data to the "<name>" file".
    virtual bool SaveToFile(const QString& name);
    virtual bool Load(); // from FileName
    virtual bool Save(); // to SaveName
    virtual void ReadData(QIODevice& stream);
    virtual void WriteData(QIODevice& stream) const;
    // In the design state, refused with a warning when SaveName is not a usable file name.
    virtual void SetAutoSave(bool value);
    // Stores the name; in the design state the file is loaded at once.
    virtual void SetFileName(const QString& value);
    virtual quint32 GetDataSize() const;
    virtual void SetDataSize(quint32 value); // does nothing: the size follows the data
    virtual void Clear();

    // What the owner calls when it has been built: with AutoSave outside the design state, Save.
    void Loaded();

protected:
    void StoreFileName(const QString& value); // without loading

    QByteArray data_;

private:
    bool autoSave_ = false;
    QString fileName_;
    QString saveName_;
};

class TqvxFileStorage : public TqvxCustomFileStorage {
    Q_OBJECT
public:
    using TqvxCustomFileStorage::TqvxCustomFileStorage;
};
