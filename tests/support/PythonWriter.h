#pragma once
// Runs a small python3 script that writes a workbook for the tests from a JSON layout of its sheets.

#include <QDate>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QVariant>

namespace vorlan::test {

// True when python3 can import the module (the writer it needs).
inline bool pythonModuleAvailable(const QString& module) {
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QStringLiteral("import ") + module});
    return p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// One cell of the layout, [row, column, kind, value]: kind "date" (yyyy-mm-dd), "datetime" (ISO) or
// "value" (text, number or truth value, as JSON holds them).
inline QJsonArray layoutCell(int row, int column, const QVariant& value) {
    switch (value.typeId()) {
    case QMetaType::QDate:
        return {row, column, QStringLiteral("date"), value.toDate().toString(Qt::ISODate)};
    case QMetaType::QDateTime:
        return {row, column, QStringLiteral("datetime"), value.toDateTime().toString(Qt::ISODate)};
    case QMetaType::Bool:
        return {row, column, QStringLiteral("value"), value.toBool()};
    case QMetaType::Int:
    case QMetaType::LongLong:
        return {row, column, QStringLiteral("value"), value.toLongLong()};
    case QMetaType::Double:
        return {row, column, QStringLiteral("value"), value.toDouble()};
    default:
        return {row, column, QStringLiteral("value"), value.toString()};
    }
}

// Hands {"sheets": sheets} to the script as a file and the workbook's path; false (with the script's
// complaint in error) when it fails.
inline bool runPythonWriter(const char* script, const QJsonArray& sheets, const QString& path, QString* error,
                            int timeoutMs) {
    const QString layoutPath = path + QStringLiteral(".json");
    QFile f(layoutPath);
    if (!f.open(QIODevice::WriteOnly))
        return false;
    f.write(QJsonDocument(QJsonObject{{QStringLiteral("sheets"), sheets}}).toJson());
    f.close();
    QProcess p;
    p.start(QStringLiteral("/usr/bin/python3"),
            {QStringLiteral("-c"), QString::fromUtf8(script), layoutPath, path});
    const bool ok =
        p.waitForFinished(timeoutMs) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (!ok && error)
        *error = QString::fromUtf8(p.readAllStandardError());
    QFile::remove(layoutPath);
    return ok;
}

} // namespace vorlan::test
