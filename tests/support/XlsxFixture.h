#pragma once
// Writes .xlsx workbooks for the tests: with a real spreadsheet writer (python3-openpyxl), or part by part
// into a zip archive, for the cases a writer does not produce on request (inline strings, odd formats).

#include "PythonWriter.h"

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QVariant>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

#include <vector>

namespace vorlan::test {

struct XlsxCell {
    int row; // 1-based, as the workbook counts
    int column;
    QVariant value; // QString, int, qint64, double, bool, QDate, QDateTime, or a QString "=…" formula
};

struct XlsxSheet {
    QString name;
    std::vector<XlsxCell> cells;
};

inline const char* kXlsxWriter = R"PY(
import json, sys, datetime
import openpyxl
layout = json.load(open(sys.argv[1], encoding='utf-8'))
wb = openpyxl.Workbook()
wb.remove(wb.active)
for sheet in layout['sheets']:
    ws = wb.create_sheet(sheet['name'])
    for r, c, kind, v in sheet['cells']:
        cell = ws.cell(row=r, column=c)
        if kind == 'date':
            cell.value = datetime.date.fromisoformat(v)
            cell.number_format = 'yyyy-mm-dd'
        elif kind == 'datetime':
            cell.value = datetime.datetime.fromisoformat(v)
            cell.number_format = 'yyyy-mm-dd hh:mm:ss'
        else:
            cell.value = v
wb.save(sys.argv[2])
)PY";

inline bool xlsxWriterAvailable() {
    return pythonModuleAvailable(QStringLiteral("openpyxl"));
}

// Writes the sheets with openpyxl; false (with the writer's complaint in error) on failure.
inline bool writeXlsx(const QString& path, const std::vector<XlsxSheet>& sheets, QString* error = nullptr) {
    QJsonArray jsheets;
    for (const XlsxSheet& s : sheets) {
        QJsonArray cells;
        for (const XlsxCell& c : s.cells)
            cells.append(layoutCell(c.row, c.column, c.value));
        jsheets.append(QJsonObject{{QStringLiteral("name"), s.name}, {QStringLiteral("cells"), cells}});
    }
    return runPythonWriter(kXlsxWriter, jsheets, path, error, 120000);
}

using ZipParts = QList<QPair<QString, QByteArray>>;

// A zip archive holding exactly these parts.
inline bool writeZip(const QString& path, const ZipParts& parts) {
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdCreate))
        return false;
    for (const auto& [name, bytes] : parts) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::WriteOnly, QuaZipNewInfo(name)))
            return false;
        file.write(bytes);
        file.close();
    }
    zip.close();
    return zip.getZipError() == 0;
}

// The parts of a one-sheet workbook around the given sheet XML (the <sheetData> content), shared strings
// and the <numFmts>/<cellXfs> of the styles.
inline ZipParts workbookParts(const QByteArray& sheetData, const QByteArray& sharedStrings = {},
                              const QByteArray& styles = {}, const QByteArray& workbookPr = {},
                              const QString& sheetName = QStringLiteral("数据")) {
    const QByteArray ns = "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"";
    const QByteArray rns = "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    const QByteArray rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    ZipParts parts;
    parts << qMakePair(QStringLiteral("[Content_Types].xml"), QByteArray("<?xml version=\"1.0\"?><Types/>"));
    parts << qMakePair(QStringLiteral("xl/workbook.xml"),
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><workbook " + ns + " " + rns + ">" +
                           workbookPr + "<sheets><sheet name=\"" + sheetName.toUtf8() +
                           "\" sheetId=\"1\" r:id=\"rId1\"/></sheets></workbook>");
    parts << qMakePair(QStringLiteral("xl/_rels/workbook.xml.rels"),
                       "<?xml version=\"1.0\"?><Relationships "
                       "xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                       "<Relationship Id=\"rId1\" Type=\"" +
                           rel +
                           "worksheet\" Target=\"/xl/worksheets/s1.xml\"/>"
                           "<Relationship Id=\"rId2\" Type=\"" +
                           rel +
                           "sharedStrings\" Target=\"sharedStrings.xml\"/>"
                           "<Relationship Id=\"rId3\" Type=\"" +
                           rel + "styles\" Target=\"styles.xml\"/></Relationships>");
    parts << qMakePair(QStringLiteral("xl/worksheets/s1.xml"),
                       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><worksheet " + ns + "><sheetData>" +
                           sheetData + "</sheetData></worksheet>");
    if (!sharedStrings.isEmpty())
        parts << qMakePair(QStringLiteral("xl/sharedStrings.xml"),
                           "<sst " + ns + ">" + sharedStrings + "</sst>");
    if (!styles.isEmpty())
        parts << qMakePair(QStringLiteral("xl/styles.xml"),
                           "<styleSheet " + ns + ">" + styles + "</styleSheet>");
    return parts;
}

} // namespace vorlan::test
