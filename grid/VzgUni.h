// Wide (Unicode) text controls and the wide string list.
//
// Every text of this program is a QString, so the wide edit and combo are the normal edit and the
// flat combo; what stays of their own is the wide string list with its locale-aware index-of and
// its 8-bit view. The window-class trap that kept a control's window Unicode on older systems, and
// the holder of wide captions, have nothing to do here and do not exist.
//
// TWideStrings: a list of strings with an object per entry, kept by a descendant. Index-of ignores
// case and compares under the list's locale (the user's when the list is made); Text joins the
// entries with CR LF. AnsiStrings is an 8-bit view of the same list: its entries are Windows-1252
// bytes, characters the code page lacks becoming "?".
//
// TComboBoxStrings: the items of a combo box, kept in the combo itself. An insertion outside the
// list raises EOutOfResources "Unable to insert a line"; reaching an entry outside the list raises
// EStringListError.
#pragma once

#include "grid/vzgcombo.h"
#include "platform/ui/MaskEdit.h"

#include <QByteArray>
#include <QLocale>
#include <memory>
#include <stdexcept>

class EOutOfResources : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class EStringListError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TWideStrings;

// The 8-bit view of a wide string list (Windows-1252).
class TAnsiStringsForWideStrings {
public:
    explicit TAnsiStringsForWideStrings(TWideStrings& owner) : owner_(owner) {}

    static QByteArray ToAnsi(const QString& text);
    static QString FromAnsi(const QByteArray& bytes);

    int Count() const;
    QByteArray Get(int index) const;
    void Put(int index, const QByteArray& s);
    int Add(const QByteArray& s);
    void Insert(int index, const QByteArray& s);
    void Delete(int index);
    void Clear();
    int IndexOf(const QByteArray& s) const;
    QByteArray Text() const;

private:
    TWideStrings& owner_;
};

class TWideStrings {
public:
    TWideStrings();
    virtual ~TWideStrings();
    TWideStrings(const TWideStrings&) = delete;
    TWideStrings& operator=(const TWideStrings&) = delete;

    virtual int Count() const = 0;
    virtual QString Get(int index) const = 0;
    virtual void Put(int index, const QString& s) = 0;
    virtual QObject* GetObject(int index) const = 0;
    virtual void PutObject(int index, QObject* object) = 0;
    virtual void Insert(int index, const QString& s) = 0;
    virtual void Delete(int index) = 0;
    virtual void Clear() = 0;
    // The entry equal to s, case ignored under the list's locale; -1 when none.
    virtual int IndexOf(const QString& s) const;

    QString operator[](int index) const { return Get(index); }
    int Add(const QString& s);
    int AddObject(const QString& s, QObject* object);
    void InsertObject(int index, const QString& s, QObject* object);
    void Exchange(int index1, int index2);
    void AddStrings(const TWideStrings& other);
    void AddStrings(const QStringList& strings);
    // Replaces the entries (and their objects) by the other list's.
    void Assign(const TWideStrings& other);
    QStringList ToStringList() const;
    // The entries joined by CR LF (one after the last); setting splits at CR LF, CR or LF.
    QString Text() const;
    void SetText(const QString& text);

    // Changes between the outermost BeginUpdate and EndUpdate are shown at the end.
    void BeginUpdate();
    void EndUpdate();
    int UpdateCount() const { return updateCount_; }

    const QLocale& Locale() const { return locale_; }
    void SetLocale(const QLocale& locale) { locale_ = locale; }
    TAnsiStringsForWideStrings& AnsiStrings() { return ansi_; }

protected:
    // Called when the update state switches on (the first BeginUpdate) and off (the last EndUpdate).
    virtual void SetUpdateState(bool updating) = 0;
    // Raises EStringListError for an index outside the list.
    void CheckIndex(int index) const;

private:
    int updateCount_ = 0;
    QLocale locale_;
    TAnsiStringsForWideStrings ansi_;
};

class TComboBoxStrings : public TWideStrings {
public:
    explicit TComboBoxStrings(QComboBox& combo) : combo_(combo) {}

    int Count() const override;
    QString Get(int index) const override;
    void Put(int index, const QString& s) override;
    QObject* GetObject(int index) const override;
    void PutObject(int index, QObject* object) override;
    void Insert(int index, const QString& s) override;
    void Delete(int index) override;
    void Clear() override;

protected:
    void SetUpdateState(bool updating) override;

private:
    QComboBox& combo_;
};

// The wide edit.
class TVzgUniEdit : public TCustomMaskEdit {
public:
    explicit TVzgUniEdit(QWidget* parent = nullptr) : TCustomMaskEdit(parent) {}
};
using TCustomUNIEdit = TVzgUniEdit;

// The wide combo: the flat combo whose Items are a wide string list kept in the combo.
class TVzgUniComboBox : public TVzgComboBox {
public:
    explicit TVzgUniComboBox(QWidget* parent = nullptr);
    TComboBoxStrings& Items() { return *items_; }
    const TComboBoxStrings& Items() const { return *items_; }

private:
    std::unique_ptr<TComboBoxStrings> items_;
};
using TCustomUNIComboBox = TVzgUniComboBox;
