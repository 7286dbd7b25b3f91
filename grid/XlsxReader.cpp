#include "grid/XlsxReader.h"

#include "grid/GridError.h"
#include "grid/RegularFile.h"

#include <QDir>
#include <QXmlStreamReader>
#include <map>
#include <zip.h>

namespace {

// A sheet's extent.
constexpr int kSheetRows = 1 << 20, kSheetCols = 1 << 14;

// "_x000D_" and the like stand for characters XML cannot carry; "_x005F_" is the underscore.
QString DecodeEscapes(QString text) {
    if (!text.contains(QStringLiteral("_x"))) return text;
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'_' && i + 6 < text.size() && text[i + 1] == u'x' && text[i + 6] == u'_') {
            bool ok = false;
            const ushort code = text.mid(i + 2, 4).toUShort(&ok, 16);
            if (ok) {
                out += QChar(code);
                i += 6;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

// The text of a string item (`si`) or an inline string (`is`): its `t` elements, those of its runs
// included, phonetic runs left out. The reader stands on the item's start and ends on its end.
QString ReadStringItem(QXmlStreamReader& xml) {
    QString text;
    while (xml.readNextStartElement()) {
        if (xml.name() == u"t") {
            text += xml.readElementText();
        } else if (xml.name() == u"r") {
            while (xml.readNextStartElement()) {
                if (xml.name() == u"t")
                    text += xml.readElementText();
                else
                    xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    return DecodeEscapes(text);
}

// The relationships of a part: id → target part name (resolved against the part's folder), and
// the target of the first relationship whose type ends with each asked suffix.
struct TRelationships {
    std::vector<std::pair<QString, QString>> Targets; // id, part
    QString TargetOfType(QStringView typeSuffix) const {
        for (const auto& [type, target] : ByType)
            if (type.endsWith(typeSuffix)) return target;
        return {};
    }
    QString Target(const QString& id) const {
        for (const auto& [key, target] : Targets)
            if (key == id) return target;
        return {};
    }
    std::vector<std::pair<QString, QString>> ByType; // type, part
};

QString ResolvePart(const QString& folder, const QString& target) {
    if (target.startsWith(u'/')) return QDir::cleanPath(target.mid(1));
    return QDir::cleanPath(folder.isEmpty() ? target : folder + u'/' + target);
}

QString FolderOf(const QString& part) {
    const qsizetype slash = part.lastIndexOf(u'/');
    return slash < 0 ? QString() : part.left(slash);
}

QString RelationshipsPartOf(const QString& part) {
    const QString folder = FolderOf(part);
    const QString name = part.mid(folder.isEmpty() ? 0 : folder.size() + 1);
    return (folder.isEmpty() ? QString() : folder + u'/') + QStringLiteral("_rels/") + name +
           QStringLiteral(".rels");
}

void ParseRelationships(QXmlStreamReader& xml, const QString& folder, TRelationships& rels) {
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Relationship") continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (a.value(QLatin1String("TargetMode")) == u"External") continue;
        const QString part = ResolvePart(folder, a.value(QLatin1String("Target")).toString());
        rels.Targets.emplace_back(a.value(QLatin1String("Id")).toString(), part);
        rels.ByType.emplace_back(a.value(QLatin1String("Type")).toString(), part);
    }
}

// The relationship id of a sheet entry: the attribute "id" of the relationships namespace.
QString RelationshipId(const QXmlStreamAttributes& attributes) {
    for (const QXmlStreamAttribute& a : attributes)
        if (a.name() == u"id" && !a.namespaceUri().isEmpty()) return a.value().toString();
    return {};
}

} // namespace

// A part of the archive as a stream its XML reader reads while libzip unpacks it, up to the
// part limit.
class TXlsxReader::TPart : public QIODevice {
public:
    TPart(TXlsxReader& reader, const QString& name) : reader_(reader) {
        const zip_int64_t index = zip_name_locate(reader.archive_, name.toUtf8().constData(), ZIP_FL_NOCASE);
        if (index < 0) return;
        file_ = zip_fopen_index(reader.archive_, zip_uint64_t(index), 0);
        if (!file_) reader.Damaged();
        open(QIODevice::ReadOnly);
        xml_.setDevice(this);
    }
    ~TPart() override {
        if (file_) zip_fclose(file_);
    }
    TPart(const TPart&) = delete;
    TPart& operator=(const TPart&) = delete;

    bool Exists() const { return file_ != nullptr; }
    QXmlStreamReader& Xml() { return xml_; }
    // After the reading: raises the reader's error when the part was larger than the limit, could
    // not be unpacked or is not well-formed (a part of no bytes counts as empty).
    void Check() {
        if (tooLarge_) reader_.TooLarge();
        if (failed_ || (xml_.hasError() &&
                        !(read_ == 0 && xml_.error() == QXmlStreamReader::PrematureEndOfDocumentError)))
            reader_.Damaged();
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        if (tooLarge_ || failed_) return -1;
        const qint64 room = inputlimits::kMaxWorkbookPartBytes + 1 - read_;
        const zip_int64_t got = zip_fread(file_, data, zip_uint64_t(std::min(maxSize, room)));
        if (got < 0) {
            failed_ = true;
            return -1;
        }
        read_ += got;
        if (read_ > inputlimits::kMaxWorkbookPartBytes) {
            tooLarge_ = true;
            return -1;
        }
        return got;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    TXlsxReader& reader_;
    zip_file_t* file_ = nullptr;
    qint64 read_ = 0;
    bool tooLarge_ = false, failed_ = false;
    QXmlStreamReader xml_;
};

TXlsxReader::~TXlsxReader() {
    if (archive_) zip_discard(archive_);
}

void TXlsxReader::OpenFile(const QString& fileName) {
    std::optional<QByteArray> bytes = ReadRegularFile(fileName, inputlimits::kMaxWorkbookBytes);
    if (!bytes) throw EVozAvozError(("Cannot open file " + fileName).toStdString());
    bytes_ = std::move(*bytes);
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source =
        zip_source_buffer_create(bytes_.constData(), zip_uint64_t(bytes_.size()), 0, &error);
    if (source) archive_ = zip_open_from_source(source, ZIP_RDONLY, &error);
    zip_error_fini(&error);
    if (!archive_) {
        if (source) zip_source_free(source);
        Damaged();
    }

    auto relationships = [&](const QString& partName, const QString& folder) {
        TRelationships rels;
        TPart part(*this, partName);
        if (part.Exists()) ParseRelationships(part.Xml(), folder, rels);
        part.Check();
        return rels;
    };
    QString workbookPart =
        relationships(QStringLiteral("_rels/.rels"), QString()).TargetOfType(u"/officeDocument");
    if (workbookPart.isEmpty()) workbookPart = QStringLiteral("xl/workbook.xml");
    const QString folder = FolderOf(workbookPart);
    const TRelationships rels = relationships(RelationshipsPartOf(workbookPart), folder);

    int activeTab = 0;
    {
        TPart part(*this, workbookPart);
        if (!part.Exists()) Damaged();
        QXmlStreamReader& xml = part.Xml();
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) continue;
            const QXmlStreamAttributes a = xml.attributes();
            if (xml.name() == u"workbookView" && a.hasAttribute(QLatin1String("activeTab"))) {
                activeTab = a.value(QLatin1String("activeTab")).toInt();
            } else if (xml.name() == u"workbookPr") {
                const QStringView system = a.value(QLatin1String("date1904"));
                if (system == u"1" || system == u"true") dayOffset_ = 1462;
            } else if (xml.name() == u"sheet") {
                TSheet entry;
                entry.Name = a.value(QLatin1String("name")).toString();
                entry.Part = rels.Target(RelationshipId(a));
                sheets_.push_back(std::move(entry));
            }
        }
        part.Check();
    }
    if (sheets_.empty()) Damaged(); // a workbook has a sheet at least
    activeSheet_ = activeTab >= 0 && activeTab < int(sheets_.size()) ? activeTab + 1 : 1;

    QString stringsPart = rels.TargetOfType(u"/sharedStrings");
    if (stringsPart.isEmpty()) stringsPart = folder + QStringLiteral("/sharedStrings.xml");
    TPart strings(*this, stringsPart);
    if (strings.Exists()) {
        QXmlStreamReader& xml = strings.Xml();
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"si") continue;
            QString text = ReadStringItem(xml);
            if (!budget_.TakeString(text)) TooLarge();
            sharedStrings_.push_back(std::move(text));
        }
    }
    strings.Check();
    ReadStyles(rels.TargetOfType(u"/styles"));
}

void TXlsxReader::ReadStyles(const QString& partName) {
    if (partName.isEmpty()) return;
    TPart part(*this, partName);
    if (!part.Exists()) return;
    QXmlStreamReader& xml = part.Xml();
    std::map<int, QString> formats; // the workbook's own by id (the last of an id holds)
    std::vector<int> cellFormats;   // per cell format: its number format's id
    bool inCellFormats = false;
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::EndElement && xml.name() == u"cellXfs") inCellFormats = false;
        if (token != QXmlStreamReader::StartElement) continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (xml.name() == u"numFmt")
            formats[a.value(QLatin1String("numFmtId")).toInt()] =
                a.value(QLatin1String("formatCode")).toString();
        else if (xml.name() == u"cellXfs")
            inCellFormats = true;
        else if (xml.name() == u"xf" && inCellFormats)
            cellFormats.push_back(a.value(QLatin1String("numFmtId")).toInt());
    }
    part.Check();
    formatKinds_.reserve(cellFormats.size());
    for (int id : cellFormats) {
        const auto code = formats.find(id);
        formatKinds_.push_back(NumberFormatKind(id, code == formats.end() ? QString() : code->second));
    }
}

int TXlsxReader::ActiveSheet() {
    Sheet(activeSheet_);
    return activeSheet_;
}

int TXlsxReader::SheetCount() {
    RequireOpen();
    return int(sheets_.size());
}

QString TXlsxReader::SheetName(int sheet) {
    return Sheet(sheet).Name;
}

TXlsxReader::TSheet& TXlsxReader::Sheet(int sheet) {
    RequireOpen();
    if (sheet < 1 || sheet > int(sheets_.size())) throw EVozAvozError("Worksheet index out of range");
    return sheets_[size_t(sheet - 1)];
}

TWorkbookValue TXlsxReader::CellValue(const QString& type, const QString& v, const QString& style) const {
    using TKind = TWorkbookValue::TKind;
    if (type == u"inlineStr" || type == u"str") return TWorkbookValue::FromText(DecodeEscapes(v));
    if (type == u"s") {
        bool ok = false;
        const int index = v.trimmed().toInt(&ok);
        return ok && index >= 0 && index < sharedStrings_.size()
                   ? TWorkbookValue::FromText(sharedStrings_[index])
                   : TWorkbookValue::ErrorValue();
    }
    if (type == u"b") return TWorkbookValue::FromBoolean(v.trimmed() != u"0");
    if (type == u"e") return TWorkbookValue::ErrorValue();
    if (type == u"d") return DateFromText(v);
    bool ok = false;
    const double number = v.trimmed().toDouble(&ok);
    if (!ok) return TWorkbookValue::ErrorValue();
    const int format = style.toInt(&ok);
    const TKind kind = ok && format >= 0 && size_t(format) < formatKinds_.size()
                           ? formatKinds_[size_t(format)]
                           : TKind::Number;
    return FormattedNumber(number, kind, dayOffset_);
}

void TXlsxReader::LoadSheet(TSheet& sheet) {
    if (sheet.Loaded) return;
    // A sheet without a part of its own (a chart sheet, say) has no cells.
    if (!sheet.Part.isEmpty()) {
        TPart part(*this, sheet.Part);
        if (!part.Exists()) Damaged();
        QXmlStreamReader& xml = part.Xml();
        int row = 0, col = 0;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement) continue;
            if (xml.name() == u"row") {
                const QStringView r = xml.attributes().value(QLatin1String("r"));
                bool ok = true;
                row = r.isEmpty() ? row + 1 : r.toInt(&ok);
                if (!ok || row < 1 || row > kSheetRows) Damaged();
                col = 0;
                continue;
            }
            if (xml.name() != u"c") continue;
            const QXmlStreamAttributes a = xml.attributes();
            const QStringView ref = a.value(QLatin1String("r"));
            if (ref.isEmpty()) {
                ++col;
                if (row == 0) row = 1;
            } else if (!ParseCellReference(ref, col, row)) {
                Damaged();
            }
            if (col < 1 || col > kSheetCols || row < 1 || row > kSheetRows) Damaged();
            const QString type = a.value(QLatin1String("t")).toString();
            const QString style = a.value(QLatin1String("s")).toString();
            QString v;
            bool hasValue = false;
            std::optional<TWorkbookValue> inlineText;
            while (xml.readNextStartElement()) {
                if (xml.name() == u"v") {
                    v = xml.readElementText();
                    hasValue = true;
                } else if (xml.name() == u"is") {
                    inlineText = TWorkbookValue::FromText(ReadStringItem(xml));
                    hasValue = true;
                } else {
                    xml.skipCurrentElement();
                }
            }
            if (!hasValue) continue;
            TWorkbookValue value =
                inlineText && type == u"inlineStr" ? *inlineText : CellValue(type, v, style);
            // A shared string's text is counted once, with the strings.
            if (!budget_.TakeCell() || (type != u"s" && !budget_.TakeText(value.Text))) TooLarge();
            sheet.Add(col, row, std::move(value));
        }
        part.Check();
    }
    sheet.Loaded = true;
}

QString TXlsxReader::UsedRangeAddress(int sheet) {
    TSheet& s = Sheet(sheet);
    LoadSheet(s);
    return s.UsedAddress();
}

TWorkbookValues TXlsxReader::RangeValue(int sheet, const QString& address) {
    TSheet& s = Sheet(sheet);
    const TWorkbookRange range = RangeOfAddress(address);
    if (range.CellCount() > inputlimits::kMaxCells) TooLarge();
    LoadSheet(s);
    return s.Values(range);
}

void TXlsxReader::CloseFile() {
    zip_discard(archive_);
    archive_ = nullptr;
    bytes_.clear();
}

void TXlsxReader::Forget() {
    sheets_.clear();
    sharedStrings_.clear();
    formatKinds_.clear();
}
