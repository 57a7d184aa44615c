#include "printing/PrintSettingsStore.h"

#include "data/Schema.h"
#include "data/Sql.h"
#include "templates/CounterStore.h"

namespace vorlan::printing {

namespace {

QString table() {
    return data::quoteId(QString::fromLatin1(data::schema::kPrintSettingsTable));
}

bool inRange(double mm) {
    return mm >= kMinPaperMm && mm <= kMaxPaperMm;
}

} // namespace

PrintSettingsStore::PrintSettingsStore(data::Engine engine) : engine_(std::move(engine)) {}

PrintSettings PrintSettingsStore::load(const QString& templateName) const {
    PrintSettings s;
    if (!engine_.tableExists(QString::fromLatin1(data::schema::kPrintSettingsTable)))
        return s;
    // On a server, the printer is this computer's own choice; the paper is the template's.
    const templates::CounterStore counter(engine_);
    if (counter.kept())
        s.printer = counter.load(templateName).printer.value_or(QString());
    QSqlQuery q = data::exec(engine_,
                             QStringLiteral("SELECT printer, paperKey, paperName, paperWidth, paperHeight, "
                                            "orientation, origin FROM %1 WHERE mobanname = ?")
                                 .arg(table()),
                             {templateName});
    if (!q.next())
        return s;
    if (!counter.kept())
        s.printer = data::nullToEmpty(q.value(0));
    const QString key = data::nullToEmpty(q.value(1));
    bool wOk = false, hOk = false;
    const double w = q.value(3).toDouble(&wOk);
    const double h = q.value(4).toDouble(&hOk);
    const bool sized = wOk && hOk && inRange(w) && inRange(h);
    // A custom size needs its dimensions; a printer's size can do with its key alone.
    if (!key.isEmpty() && (sized || key != kCustomPaperKey)) {
        s.paperKey = key;
        s.paperName = data::nullToEmpty(q.value(2));
        if (sized)
            s.paperMm = QSizeF(w, h);
    }
    // A Null is no number, whichever type the driver gives it.
    bool ok = false;
    const int orientation = q.value(5).isNull() ? -1 : q.value(5).toInt(&ok);
    if (ok && orientation == 0)
        s.orientation = QPageLayout::Portrait;
    else if (ok && orientation == 1)
        s.orientation = QPageLayout::Landscape;
    ok = false;
    const int origin = q.value(6).isNull() ? -1 : q.value(6).toInt(&ok);
    s.origin = ok && origin == 1 ? PrintOrigin::Paper : PrintOrigin::PrintableArea;
    return s;
}

void PrintSettingsStore::save(const QString& templateName, const PrintSettings& given) const {
    PrintSettings s = given;
    if (const templates::CounterStore counter(engine_); counter.kept()) {
        counter.savePrinter(templateName, s.printer);
        s.printer.clear();
    }
    if (s == PrintSettings()) {
        remove(templateName);
        return;
    }
    if (!engine_.tableExists(QString::fromLatin1(data::schema::kPrintSettingsTable)))
        throw data::DbError(QStringLiteral("数据库文件是只读打开的旧版本文件，还没有存放打印设置的数据表，"
                                           "打印设置无法保存"));
    QVariant orientation(QMetaType(QMetaType::Int)); // Null: the printer's own
    if (s.orientation)
        orientation = *s.orientation == QPageLayout::Landscape ? 1 : 0;
    const QVariant width =
        s.paperMm.isValid() ? QVariant(s.paperMm.width()) : QVariant(QMetaType(QMetaType::Double));
    const QVariant height =
        s.paperMm.isValid() ? QVariant(s.paperMm.height()) : QVariant(QMetaType(QMetaType::Double));
    data::exec(
        engine_,
        QStringLiteral(
            "INSERT INTO %1 (mobanname, printer, paperKey, paperName, paperWidth, paperHeight, "
            "orientation, origin) VALUES (?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT (mobanname) DO UPDATE "
            "SET printer = excluded.printer, paperKey = excluded.paperKey, paperName = "
            "excluded.paperName, paperWidth = excluded.paperWidth, paperHeight = excluded.paperHeight, "
            "orientation = excluded.orientation, origin = excluded.origin")
            .arg(table()),
        {templateName, data::textValue(s.printer), data::textValue(s.paperKey), data::textValue(s.paperName),
         width, height, orientation, s.origin == PrintOrigin::Paper ? 1 : 0});
}

void PrintSettingsStore::remove(const QString& templateName) const {
    if (!engine_.tableExists(QString::fromLatin1(data::schema::kPrintSettingsTable)))
        return;
    data::exec(engine_, QStringLiteral("DELETE FROM %1 WHERE mobanname = ?").arg(table()), {templateName});
}

} // namespace vorlan::printing
