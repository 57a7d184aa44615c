// The first-run sample: a new database opens with a printable waybill template and two customers.
#include "PrintProbe.h"
#include "TestEnv.h"
#include "app/Catalogue.h"
#include "app/Windows.h"
#include "data/Database.h"
#include "data/Sql.h"
#include "printing/PrintActions.h"
#include "printing/SampleData.h"
#include "templates/TemplateStore.h"
#include "ui/Printer.h"

#include <QSet>
#include <QSqlRecord>
#include <QTest>

using namespace vorlan;
namespace sample = printing::sample;

class TestSample : public QObject {
    Q_OBJECT
private slots:
    void newDatabaseHoldsTheSample()
    {
        test::TestEnv env(false);
        data::setSeedFunction(&windows::seedSampleData);
        const auto r = data::openShared();
        data::setSeedFunction(nullptr);
        QCOMPARE(int(r.status), int(data::OpenStatus::Created));
        const QSqlDatabase db = data::shared();

        const templates::LoadResult loaded = templates::TemplateStore(db).load(sample::kTemplateName);
        QVERIFY(loaded.skipped.isEmpty());
        const templates::Template& t = loaded.tmpl;
        QCOMPARE(t.single.count, 13);
        QCOMPARE(t.multi.count, 1);
        QCOMPARE(t.livePointCount(), 14);

        QSet<QString> types, bindings;
        QStringList names;
        for (const templates::PointFamily* fam : {&t.single, &t.multi})
            for (int i = 1; i <= fam->count; ++i) {
                types << (*fam)[i].type;
                bindings << (*fam)[i].binding;
                names << (*fam)[i].name;
            }
        QVERIFY(types.size() >= 8);
        QVERIFY(bindings.contains(QStringLiteral("客户名称")));
        QVERIFY(bindings.contains(QStringLiteral("常用用途")));
        QVERIFY(bindings.contains(templates::kNoBinding));

        // The picture is a drawn form, stored whole and shown (1000 bytes or more).
        QVERIFY(t.hasHeader);
        QVERIFY(t.picture.size() >= templates::kMinPictureBytes);
        QImage form;
        QVERIFY(form.loadFromData(t.picture));
        QVERIFY(form.width() > 1000);
        QCOMPARE(t.pictureRect, templates::kDefaultPictureRect);
        QCOMPARE(t.allup, 0);
        QCOMPARE(t.allleft, 0);

        // Every box lies on the form and none covers another.
        QList<QRectF> boxes;
        for (const templates::PointFamily* fam : {&t.single, &t.multi})
            for (int i = 1; i <= fam->count; ++i) {
                const ui::TwipsRect& b = (*fam)[i].rect;
                const QRectF box(b.left, b.top, b.width, b.height);
                QVERIFY(QRectF(0, 0, t.pictureRect.width, t.pictureRect.height).contains(box));
                for (const QRectF& other : boxes) QVERIFY2(!other.intersects(box), qPrintable((*fam)[i].name));
                boxes << box;
            }

        // Its print log table has the date and one column per point.
        QSqlRecord cols = db.record(sample::kTemplateName);
        QCOMPARE(cols.count(), 15);
        QCOMPARE(cols.fieldName(0), QStringLiteral("打印日期"));
        for (const QString& n : names) QVERIFY(cols.contains(n));

        // Catalogue: the group with the template under it.
        const QList<app::CatalogueRow> nodes = app::CatalogueStore(db).load();
        QCOMPARE(nodes.size(), 2);
        QCOMPARE(nodes[0].parent, QString::fromLatin1(app::kTopParent));
        QCOMPARE(nodes[0].text, sample::kCatalogueGroup);
        QCOMPARE(nodes[1].parent, nodes[0].key);
        QCOMPARE(nodes[1].text, sample::kTemplateName);

        QCOMPARE(data::scalar(db, QStringLiteral("SELECT count(*) FROM Basic_Khgl")).toInt(), 2);
        QVERIFY(data::scalar(db, QStringLiteral("SELECT count(*) FROM yongtu")).toInt() > 0);
    }

    void sampleCanBeFilledPrintedAndLogged()
    {
        test::TestEnv env;
        windows::seedSampleData(env.db());
        const templates::Template t = templates::TemplateStore(env.db()).load(sample::kTemplateName).tmpl;

        printing::PrintSheet sheet;
        sheet.templateName = t.name;
        for (const templates::PointFamily* fam : {&t.single, &t.multi})
            for (int i = 1; i <= fam->count; ++i) {
                const templates::InputPoint& p = (*fam)[i];
                sheet.fields << printing::PrintField{p.name, p.name + QStringLiteral("值"), p.rect.left, p.rect.top,
                                                     p.fontSize};
            }
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("sample.pdf"));
        ui::setPrinterTarget(ui::PrinterTarget::PdfFile, pdf);
        QVERIFY(printing::printSheet(nullptr, sheet));
        ui::setPrinterTarget(ui::PrinterTarget::SystemDefault);
        QVERIFY(printing::logSheet(nullptr, sheet));
        QVERIFY(env.prompter.shown.isEmpty());
        QCOMPARE(data::scalar(env.db(), QStringLiteral("SELECT \"寄件单位\" FROM \"示例运单\"")).toString(),
                 QStringLiteral("寄件单位值"));
        if (probe::haveTool(QStringLiteral("pdftotext"))) {
            const probe::PdfText text = probe::readWords(pdf);
            QCOMPARE(text.pages, 1);
            QVERIFY(text.words.size() >= sheet.fields.size());
        }
    }
};

QTEST_MAIN(TestSample)
#include "tst_sample.moc"
