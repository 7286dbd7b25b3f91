#include "grid/XlsxReader.h"

#include "grid/GridError.h"

#include <QDir>
#include <QFile>
#include <QXmlStreamReader>
#include <zip.h>

namespace {

// No part of a workbook is read beyond this size (a damaged or hostile archive can claim anything).
constexpr qint64 kMaxPartSize = qint64(1) << 30;

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

TRelationships ParseRelationships(const QByteArray& data, const QString& folder) {
    TRelationships rels;
    QXmlStreamReader xml(data);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != u"Relationship") continue;
        const QXmlStreamAttributes a = xml.attributes();
        if (a.value(QLatin1String("TargetMode")) == u"External") continue;
        const QString part = ResolvePart(folder, a.value(QLatin1String("Target")).toString());
        rels.Targets.emplace_back(a.value(QLatin1String("Id")).toString(), part);
        rels.ByType.emplace_back(a.value(QLatin1String("Type")).toString(), part);
    }
    return rels;
}

// The relationship id of a sheet entry: the attribute "id" of the relationships namespace.
QString RelationshipId(const QXmlStreamAttributes& attributes) {
    for (const QXmlStreamAttribute& a : attributes)
        if (a.name() == u"id" && !a.namespaceUri().isEmpty()) return a.value().toString();
    return {};
}

} // namespace

TXlsxReader::~TXlsxReader() {
    if (archive_) zip_discard(archive_);
}

QByteArray TXlsxReader::ReadPart(const QString& name, bool required) {
    const zip_int64_t index = zip_name_locate(archive_, name.toUtf8().constData(), ZIP_FL_NOCASE);
    if (index < 0) {
        if (required) Damaged(name + " is missing");
        return {};
    }
    zip_file_t* file = zip_fopen_index(archive_, zip_uint64_t(index), 0);
    if (!file) Damaged(name + " cannot be read");
    QByteArray data;
    char buffer[65536];
    zip_int64_t got = 0;
    while ((got = zip_fread(file, buffer, sizeof buffer)) > 0) {
        if (data.size() + got > kMaxPartSize) {
            zip_fclose(file);
            Damaged(name + " is too large");
        }
        data.append(buffer, qsizetype(got));
    }
    zip_fclose(file);
    if (got < 0) Damaged(name + " cannot be read");
    return data;
}

void TXlsxReader::OpenFile(const QString& fileName) {
    int error = 0;
    archive_ = zip_open(QFile::encodeName(fileName).constData(), ZIP_RDONLY, &error);
    if (!archive_) throw EVozAvozError(("Cannot open file " + fileName).toStdString());

    QString workbookPart = ParseRelationships(ReadPart(QStringLiteral("_rels/.rels"), false), QString())
                               .TargetOfType(u"/officeDocument");
    if (workbookPart.isEmpty()) workbookPart = QStringLiteral("xl/workbook.xml");
    const QString folder = FolderOf(workbookPart);
    const TRelationships rels =
        ParseRelationships(ReadPart(RelationshipsPartOf(workbookPart), false), folder);

    QXmlStreamReader xml(ReadPart(workbookPart, true));
    int activeTab = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == u"workbookView" && xml.attributes().hasAttribute(QLatin1String("activeTab"))) {
            activeTab = xml.attributes().value(QLatin1String("activeTab")).toInt();
        } else if (xml.name() == u"sheet") {
            const QString id = RelationshipId(xml.attributes());
            TSheet entry;
            entry.Name = xml.attributes().value(QLatin1String("name")).toString();
            entry.Part = rels.Target(id);
            sheets_.push_back(std::move(entry));
        }
    }
    if (xml.hasError()) Damaged(xml.errorString());
    activeSheet_ = activeTab >= 0 && activeTab < int(sheets_.size()) ? activeTab + 1 : 1;

    QString stringsPart = rels.TargetOfType(u"/sharedStrings");
    if (stringsPart.isEmpty()) stringsPart = folder + QStringLiteral("/sharedStrings.xml");
    xml.clear();
    xml.addData(ReadPart(stringsPart, false));
    while (!xml.atEnd()) {
        if (xml.readNext() == QXmlStreamReader::StartElement && xml.name() == u"si")
            sharedStrings_.push_back(ReadStringItem(xml));
    }
    if (xml.hasError() && xml.error() != QXmlStreamReader::PrematureEndOfDocumentError)
        Damaged(xml.errorString());
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

void TXlsxReader::LoadSheet(TSheet& sheet) {
    if (sheet.Loaded) return;
    // A sheet without a part of its own (a chart sheet, say) has no cells.
    const QByteArray data = sheet.Part.isEmpty() ? QByteArray() : ReadPart(sheet.Part, true);
    QXmlStreamReader xml(data);
    int row = 0, col = 0;
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement) continue;
        if (xml.name() == u"row") {
            const QStringView r = xml.attributes().value(QLatin1String("r"));
            row = r.isEmpty() ? row + 1 : r.toInt();
            col = 0;
            if (row < 1) Damaged(QStringLiteral("row number ") + r.toString());
            continue;
        }
        if (xml.name() != u"c") continue;
        const QXmlStreamAttributes a = xml.attributes();
        const QStringView ref = a.value(QLatin1String("r"));
        if (ref.isEmpty()) {
            ++col;
            if (row == 0) row = 1;
        } else if (!ParseCellReference(ref, col, row)) {
            Damaged(QStringLiteral("cell reference ") + ref.toString());
        }
        const QString type = a.value(QLatin1String("t")).toString();
        QString v;
        bool hasValue = false;
        TWorkbookValue value;
        while (xml.readNextStartElement()) {
            if (xml.name() == u"v") {
                v = xml.readElementText();
                hasValue = true;
            } else if (xml.name() == u"is") {
                value = TWorkbookValue::FromText(ReadStringItem(xml));
                hasValue = true;
            } else {
                xml.skipCurrentElement();
            }
        }
        if (!hasValue) continue;
        if (type == u"inlineStr") {
            if (value.Kind != TWorkbookValue::TKind::Text) value = TWorkbookValue::FromText(DecodeEscapes(v));
        } else if (type == u"s") {
            bool ok = false;
            const int index = v.trimmed().toInt(&ok);
            value = ok && index >= 0 && index < sharedStrings_.size()
                        ? TWorkbookValue::FromText(sharedStrings_[index])
                        : TWorkbookValue::ErrorValue();
        } else if (type == u"str") {
            value = TWorkbookValue::FromText(DecodeEscapes(v));
        } else if (type == u"b") {
            value = TWorkbookValue::FromBoolean(v.trimmed() != u"0");
        } else if (type == u"e") {
            value = TWorkbookValue::ErrorValue();
        } else if (type == u"d") {
            double serial = 0;
            value = DateSerialFromText(v, serial) ? TWorkbookValue::FromNumber(serial)
                                                  : TWorkbookValue::FromText(v);
        } else {
            bool ok = false;
            const double number = v.trimmed().toDouble(&ok);
            value = ok ? TWorkbookValue::FromNumber(number) : TWorkbookValue::ErrorValue();
        }
        sheet.Cells.push_back({col, row, std::move(value)});
        IncludeCell(sheet.Used, col, row);
    }
    if (xml.hasError() && !(data.isEmpty() && xml.error() == QXmlStreamReader::PrematureEndOfDocumentError))
        Damaged(sheet.Part + u' ' + xml.errorString());
    sheet.Loaded = true;
}

QString TXlsxReader::UsedRangeAddress(int sheet) {
    TSheet& s = Sheet(sheet);
    LoadSheet(s);
    return RangeAddress(s.Used.value_or(TWorkbookRange{}), true);
}

TWorkbookValues TXlsxReader::RangeValue(int sheet, const QString& address) {
    TSheet& s = Sheet(sheet);
    const TWorkbookRange range = RangeOfAddress(address);
    LoadSheet(s);
    TWorkbookValues values(range.RowCount(), range.ColCount());
    for (const TCell& cell : s.Cells)
        if (cell.Col >= range.FirstCol && cell.Col <= range.LastCol && cell.Row >= range.FirstRow &&
            cell.Row <= range.LastRow)
            values.At(cell.Row - range.FirstRow + 1, cell.Col - range.FirstCol + 1) = cell.Value;
    return values;
}

void TXlsxReader::CloseFile() {
    zip_discard(archive_);
    archive_ = nullptr;
}

void TXlsxReader::Forget() {
    sheets_.clear();
    sharedStrings_.clear();
}
