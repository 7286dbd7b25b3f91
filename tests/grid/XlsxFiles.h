// Small ".xlsx" workbooks written for the import tests and benchmarks: the parts a workbook needs
// (content types, relationships, workbook, shared strings, one part per sheet), zipped with libzip.
#pragma once

#include <QByteArray>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <stdexcept>
#include <utility>
#include <vector>
#include <zip.h>

namespace xlsxfiles {

// One cell as a sheet part writes it: reference, type attribute ("" for none) and the inner XML.
struct TCellXml {
    QString Ref, Type, Inner;
};

inline TCellXml Shared(const QString& ref, int index) {
    return {ref, "s", QString("<v>%1</v>").arg(index)};
}
inline TCellXml Number(const QString& ref, const QString& v) {
    return {ref, "", "<v>" + v + "</v>"};
}
inline TCellXml Inline(const QString& ref, const QString& text) {
    return {ref, "inlineStr", "<is><t>" + text.toHtmlEscaped() + "</t></is>"};
}

// Cells grouped into rows in the order given (rows must come in ascending order).
inline QString SheetXml(const std::vector<TCellXml>& cells) {
    QString xml =
        R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>)"
        R"(<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>)";
    QString row;
    for (const TCellXml& c : cells) {
        QString digits = c.Ref;
        digits.remove(QRegularExpression("[A-Z$]"));
        if (digits != row) {
            if (!row.isEmpty()) xml += "</row>";
            row = digits;
            xml += "<row r=\"" + row + "\">";
        }
        xml += "<c r=\"" + c.Ref + "\"" + (c.Type.isEmpty() ? QString() : " t=\"" + c.Type + "\"") + ">" +
               c.Inner + "</c>";
    }
    if (!row.isEmpty()) xml += "</row>";
    return xml + "</sheetData></worksheet>";
}

inline QString SharedStringsXml(const QStringList& strings) {
    QString xml = R"(<?xml version="1.0" encoding="UTF-8"?>)"
                  R"(<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">)";
    for (const QString& s : strings) xml += "<si><t>" + s.toHtmlEscaped() + "</t></si>";
    return xml + "</sst>";
}

// Writes the archive; every part is stored as given.
inline void WriteZip(const QString& path, const std::vector<std::pair<QString, QByteArray>>& parts) {
    int error = 0;
    zip_t* archive = zip_open(path.toUtf8().constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!archive) throw std::runtime_error("cannot create " + path.toStdString());
    for (const auto& [name, data] : parts) {
        zip_source_t* source = zip_source_buffer(archive, data.constData(), zip_uint64_t(data.size()), 0);
        if (!source || zip_file_add(archive, name.toUtf8().constData(), source, ZIP_FL_ENC_UTF_8) < 0) {
            if (source) zip_source_free(source);
            zip_discard(archive);
            throw std::runtime_error("cannot add " + name.toStdString());
        }
    }
    if (zip_close(archive) != 0) {
        zip_discard(archive);
        throw std::runtime_error("cannot write " + path.toStdString());
    }
}

struct TSheetXml {
    QString Name, Xml;
};

// A workbook of the sheets in tab order, activeTab 0-based, with the shared strings and the styles
// part given (none when empty); sharedXml, when given, is the shared strings' part as it stands.
inline void WriteXlsx(const QString& path, const std::vector<TSheetXml>& sheets,
                      const QStringList& shared = {}, int activeTab = 0, const QString& styles = {},
                      const QByteArray& sharedXml = {}) {
    const QString ns = "http://schemas.openxmlformats.org/";
    QString types =
        R"(<?xml version="1.0" encoding="UTF-8"?><Types xmlns=")" + ns +
        R"(package/2006/content-types"><Default Extension="rels" ContentType="application/)"
        R"(vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/>)"
        "</Types>";
    QString rootRels =
        R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns=")" + ns +
        R"(package/2006/relationships"><Relationship Id="rId1" Type=")" + ns +
        R"(officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>)";
    QString workbook = R"(<?xml version="1.0" encoding="UTF-8"?><workbook xmlns=")" + ns +
                       R"(spreadsheetml/2006/main" xmlns:r=")" + ns +
                       R"(officeDocument/2006/relationships"><bookViews><workbookView activeTab=")" +
                       QString::number(activeTab) + R"("/></bookViews><sheets>)";
    QString workbookRels = R"(<?xml version="1.0" encoding="UTF-8"?><Relationships xmlns=")" + ns +
                           R"(package/2006/relationships">)";
    std::vector<std::pair<QString, QByteArray>> parts;
    for (size_t i = 0; i < sheets.size(); ++i) {
        const QString n = QString::number(i + 1);
        workbook += "<sheet name=\"" + sheets[i].Name.toHtmlEscaped() + "\" sheetId=\"" + n +
                    "\" r:id=\"rId" + n + "\"/>";
        workbookRels += "<Relationship Id=\"rId" + n + "\" Type=\"" + ns +
                        "officeDocument/2006/relationships/worksheet\" Target=\"worksheets/sheet" + n +
                        ".xml\"/>";
        parts.emplace_back("xl/worksheets/sheet" + n + ".xml", sheets[i].Xml.toUtf8());
    }
    workbook += "</sheets></workbook>";
    if (!styles.isEmpty()) {
        workbookRels += "<Relationship Id=\"rIdT\" Type=\"" + ns +
                        "officeDocument/2006/relationships/styles\" Target=\"styles.xml\"/>";
        parts.emplace_back("xl/styles.xml", styles.toUtf8());
    }
    workbookRels +=
        "<Relationship Id=\"rIdS\" Type=\"" + ns +
        "officeDocument/2006/relationships/sharedStrings\" Target=\"sharedStrings.xml\"/></Relationships>";
    parts.emplace_back("[Content_Types].xml", types.toUtf8());
    parts.emplace_back("_rels/.rels", rootRels.toUtf8());
    parts.emplace_back("xl/workbook.xml", workbook.toUtf8());
    parts.emplace_back("xl/_rels/workbook.xml.rels", workbookRels.toUtf8());
    parts.emplace_back("xl/sharedStrings.xml",
                       sharedXml.isEmpty() ? SharedStringsXml(shared).toUtf8() : sharedXml);
    WriteZip(path, parts);
}

} // namespace xlsxfiles
