#include "grid/VzgUni.h"

#include "platform/os/Cp1252.h"

#include <QCollator>
#include <QRegularExpression>

// ---- The 8-bit view -------------------------------------------------------------------------------

QByteArray TAnsiStringsForWideStrings::ToAnsi(const QString& text) {
    const std::string bytes = Utf8ToCp1252(text.toStdString(), '?');
    return QByteArray(bytes.data(), qsizetype(bytes.size()));
}

QString TAnsiStringsForWideStrings::FromAnsi(const QByteArray& bytes) {
    return QString::fromStdString(Cp1252ToUtf8(std::string_view(bytes.constData(), size_t(bytes.size()))));
}

int TAnsiStringsForWideStrings::Count() const {
    return owner_.Count();
}

QByteArray TAnsiStringsForWideStrings::Get(int index) const {
    return ToAnsi(owner_.Get(index));
}

void TAnsiStringsForWideStrings::Put(int index, const QByteArray& s) {
    owner_.Put(index, FromAnsi(s));
}

int TAnsiStringsForWideStrings::Add(const QByteArray& s) {
    return owner_.Add(FromAnsi(s));
}

void TAnsiStringsForWideStrings::Insert(int index, const QByteArray& s) {
    owner_.Insert(index, FromAnsi(s));
}

void TAnsiStringsForWideStrings::Delete(int index) {
    owner_.Delete(index);
}

void TAnsiStringsForWideStrings::Clear() {
    owner_.Clear();
}

int TAnsiStringsForWideStrings::IndexOf(const QByteArray& s) const {
    return owner_.IndexOf(FromAnsi(s));
}

QByteArray TAnsiStringsForWideStrings::Text() const {
    return ToAnsi(owner_.Text());
}

// ---- The wide list -----------------------------------------------------------------------------------

TWideStrings::TWideStrings() : locale_(QLocale::system()), ansi_(*this) {}

TWideStrings::~TWideStrings() = default;

int TWideStrings::IndexOf(const QString& s) const {
    QCollator collator(locale_);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    for (int i = 0; i < Count(); ++i)
        if (collator.compare(Get(i), s) == 0) return i;
    return -1;
}

int TWideStrings::Add(const QString& s) {
    const int index = Count();
    Insert(index, s);
    return index;
}

int TWideStrings::AddObject(const QString& s, QObject* object) {
    const int index = Add(s);
    PutObject(index, object);
    return index;
}

void TWideStrings::InsertObject(int index, const QString& s, QObject* object) {
    Insert(index, s);
    PutObject(index, object);
}

void TWideStrings::Exchange(int index1, int index2) {
    CheckIndex(index1);
    CheckIndex(index2);
    if (index1 == index2) return;
    BeginUpdate();
    const QString s1 = Get(index1);
    QObject* o1 = GetObject(index1);
    Put(index1, Get(index2));
    PutObject(index1, GetObject(index2));
    Put(index2, s1);
    PutObject(index2, o1);
    EndUpdate();
}

void TWideStrings::AddStrings(const TWideStrings& other) {
    BeginUpdate();
    for (int i = 0; i < other.Count(); ++i) AddObject(other.Get(i), other.GetObject(i));
    EndUpdate();
}

void TWideStrings::AddStrings(const QStringList& strings) {
    BeginUpdate();
    for (const QString& s : strings) Add(s);
    EndUpdate();
}

void TWideStrings::Assign(const TWideStrings& other) {
    if (&other == this) return;
    BeginUpdate();
    Clear();
    AddStrings(other);
    EndUpdate();
}

QStringList TWideStrings::ToStringList() const {
    QStringList list;
    for (int i = 0; i < Count(); ++i) list << Get(i);
    return list;
}

QString TWideStrings::Text() const {
    QString text;
    for (int i = 0; i < Count(); ++i) text += Get(i) + QStringLiteral("\r\n");
    return text;
}

void TWideStrings::SetText(const QString& text) {
    BeginUpdate();
    Clear();
    QStringList lines = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    for (const QString& line : lines) Add(line);
    EndUpdate();
}

void TWideStrings::BeginUpdate() {
    if (updateCount_++ == 0) SetUpdateState(true);
}

void TWideStrings::EndUpdate() {
    if (updateCount_ == 0) return;
    if (--updateCount_ == 0) SetUpdateState(false);
}

void TWideStrings::CheckIndex(int index) const {
    if (index < 0 || index >= Count())
        throw EStringListError("List index out of bounds (" + std::to_string(index) + ")");
}

// ---- The items of a combo ---------------------------------------------------------------------------

int TComboBoxStrings::Count() const {
    return combo_.count();
}

QString TComboBoxStrings::Get(int index) const {
    CheckIndex(index);
    return combo_.itemText(index);
}

void TComboBoxStrings::Put(int index, const QString& s) {
    CheckIndex(index);
    combo_.setItemText(index, s);
}

QObject* TComboBoxStrings::GetObject(int index) const {
    CheckIndex(index);
    return combo_.itemData(index).value<QObject*>();
}

void TComboBoxStrings::PutObject(int index, QObject* object) {
    CheckIndex(index);
    combo_.setItemData(index, QVariant::fromValue(object));
}

void TComboBoxStrings::Insert(int index, const QString& s) {
    if (index < 0 || index > Count()) throw EOutOfResources("Unable to insert a line");
    combo_.insertItem(index, s);
}

void TComboBoxStrings::Delete(int index) {
    CheckIndex(index);
    combo_.removeItem(index);
}

void TComboBoxStrings::Clear() {
    combo_.clear();
}

void TComboBoxStrings::SetUpdateState(bool updating) {
    combo_.setUpdatesEnabled(!updating);
}

// ---- The wide combo ---------------------------------------------------------------------------------

TVzgUniComboBox::TVzgUniComboBox(QWidget* parent)
    : TVzgComboBox(parent), items_(std::make_unique<TComboBoxStrings>(*this)) {}
