#pragma once
// Writes .xls workbooks for the tests with a real spreadsheet writer (python3-xlwt).

#include "PythonWriter.h"

#include <QDate>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QVariant>

#include <optional>
#include <utility>
#include <vector>

namespace vorlan::test {

// A formula cell. The writer stores no result with it, as simple file writers do; with `stored` set,
// the file is patched afterwards to hold that number as the formula's result, as Excel and
// LibreOffice write it.
struct XlsFormula {
    QString text; // without the leading "="
    std::optional<double> stored;
};

struct XlsCell {
    int row; // 0-based, as the writer counts
    int column;
    QVariant value; // QString, int, qint64, double, QDate or XlsFormula
};

inline QVariant formula(const QString& text, std::optional<double> stored = std::nullopt) {
    return QVariant::fromValue(XlsFormula{text, stored});
}

struct XlsSheet {
    QString name;
    std::vector<XlsCell> cells;
};

inline const char* kXlsWriter = R"PY(
import json, sys, datetime
import xlwt
layout = json.load(open(sys.argv[1], encoding='utf-8'))
wb = xlwt.Workbook(encoding='utf-8')
datestyle = xlwt.easyxf(num_format_str='yyyy-mm-dd')
stored = []
for sheet in layout['sheets']:
    ws = wb.add_sheet(sheet['name'])
    for r, c, kind, v in sheet['cells']:
        if kind == 'date':
            ws.write(r, c, datetime.date.fromisoformat(v), datestyle)
        elif kind == 'formula':
            ws.write(r, c, xlwt.Formula(v['text']))
            if 'stored' in v:
                stored.append((r, c, v['stored']))
        else:
            ws.write(r, c, v)
wb.save(sys.argv[2])
if stored:
    # The writer leaves the result of a formula as "empty text"; put a number in its place.
    import struct
    data = bytearray(open(sys.argv[2], 'rb').read())
    for r, c, number in stored:
        head = struct.pack('<HHHH', 0x0006, 0, r, c)
        at, found = 0, False
        while True:
            at = data.find(head[4:], at)
            if at < 0:
                break
            if data[at - 4:at - 2] == head[:2] and data[at + 6:at + 14] == bytes([3, 0, 0, 0, 0, 0, 0xff, 0xff]):
                data[at + 6:at + 14] = struct.pack('<d', number)
                found = True
            at += 1
        if not found:
            sys.exit('no formula record at %d,%d' % (r, c))
    open(sys.argv[2], 'wb').write(data)
)PY";

// True when python3 with xlwt is there to write fixtures.
inline bool xlsWriterAvailable() {
    return pythonModuleAvailable(QStringLiteral("xlwt"));
}

// Writes the sheets to path; false (with the writer's complaint in error) on failure.
inline bool writeXls(const QString& path, const std::vector<XlsSheet>& sheets, QString* error = nullptr) {
    QJsonArray jsheets;
    for (const XlsSheet& s : sheets) {
        QJsonArray cells;
        for (const XlsCell& c : s.cells) {
            if (c.value.metaType() == QMetaType::fromType<XlsFormula>()) {
                const XlsFormula f = c.value.value<XlsFormula>();
                QJsonObject o{{QStringLiteral("text"), f.text}};
                if (f.stored)
                    o.insert(QStringLiteral("stored"), *f.stored);
                cells.append(QJsonArray{c.row, c.column, QStringLiteral("formula"), o});
                continue;
            }
            // The file holds every number as a double.
            const bool integer =
                c.value.typeId() == QMetaType::Int || c.value.typeId() == QMetaType::LongLong;
            cells.append(
                layoutCell(c.row, c.column, integer ? QVariant(double(c.value.toLongLong())) : c.value));
        }
        jsheets.append(QJsonObject{{QStringLiteral("name"), s.name}, {QStringLiteral("cells"), cells}});
    }
    return runPythonWriter(kXlsWriter, jsheets, path, error, 60000);
}

// A sheet of customer rows: rows[i][k] goes to row firstRow + i, column firstColumn + k (0-based).
inline XlsSheet customerSheet(const QString& name, const std::vector<std::vector<QVariant>>& rows,
                              int firstRow = 0, int firstColumn = 0) {
    XlsSheet s{name, {}};
    for (size_t i = 0; i < rows.size(); ++i)
        for (size_t k = 0; k < rows[i].size(); ++k)
            if (rows[i][k].isValid())
                s.cells.push_back({firstRow + int(i), firstColumn + int(k), rows[i][k]});
    return s;
}

// Sheet "客户": four customers whose cells B2, A3 and C4 are formulas (1+1, "ab"&"cd", A2) written
// without a result.
inline bool writeFormulaCustomers(const QString& path) {
    return writeXls(
        path, {customerSheet(QStringLiteral("客户"),
                             {{QStringLiteral("客户名称"), QStringLiteral("快捷码")},
                              {QStringLiteral("甲"), formula(QStringLiteral("1+1"))},
                              {formula(QStringLiteral("\"ab\"&\"cd\"")), QStringLiteral("y")},
                              {QStringLiteral("丙"), QStringLiteral("z"), formula(QStringLiteral("A2"))},
                              {QStringLiteral("丁"), QStringLiteral("d")}})});
}

} // namespace vorlan::test
