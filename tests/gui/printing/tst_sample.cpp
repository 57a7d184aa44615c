// The first-run sample: a new database opens with a printable waybill template and two customers.
#include "BothEngines.h"
#include "PrintProbe.h"
#include "TestEnv.h"
#include "app/AppState.h"
#include "app/Catalogue.h"
#include "app/Windows.h"
#include "data/Database.h"
#include "data/Sql.h"
#include "printing/Frm_PrintWindow.h"
#include "printing/PrintActions.h"
#include "printing/SampleData.h"
#include "templates/PrintLogStore.h"
#include "templates/RecordPicker.h"
#include "templates/TemplateStore.h"
#include "ui/Printer.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QSet>
#include <QSqlQueryModel>
#include <QSqlRecord>
#include <QTableView>
#include <QTest>

using namespace vorlan;
namespace sample = printing::sample;

class TestSample : public QObject {
    Q_OBJECT
private slots:
    void newDatabaseHoldsTheSample() {
        test::TestEnv env(false);
        env.setSeedFunction(&printing::sample::seedSampleData);
        const auto r = data::openShared();
        env.setSeedFunction(nullptr);
        QCOMPARE(int(r.status), int(data::OpenStatus::Created));
        const QSqlDatabase db = data::shared();

        const templates::LoadResult loaded = templates::TemplateStore(db).load(sample::kTemplateName);
        QVERIFY(loaded.skipped.isEmpty());
        const templates::Template& t = loaded.tmpl;
        QCOMPARE(t.single.count, 14);
        // The remark shares slot 4 with 收件人; multi-line slots 1 to 3 are empty.
        QCOMPARE(t.multi.count, 4);
        QCOMPARE(t.multi[4].name, QStringLiteral("备注"));
        QCOMPARE(t.single[4].name, QStringLiteral("收件人"));
        QCOMPARE(t.livePointCount(), 15);
        // The waybill number prints as a Code 128 symbol with its digits under it.
        QCOMPARE(t.single[14].name, QStringLiteral("单号"));
        QCOMPARE(t.single[14].type, templates::type::Number);
        QCOMPARE(t.single[14].symbology, templates::Symbology::Code128);
        QVERIFY(t.single[14].isSymbol());
        QVERIFY(t.single[14].symbolText);

        QSet<QString> types, bindings;
        QStringList names;
        for (const templates::PointFamily* fam : {&t.single, &t.multi})
            for (int i = 1; i <= fam->count; ++i) {
                if (!(*fam)[i].isLive())
                    continue;
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
                if (!(*fam)[i].isLive())
                    continue;
                const ui::TwipsRect& b = (*fam)[i].rect;
                const QRectF box(b.left.value(), b.top.value(), b.width.value(), b.height.value());
                const QRectF area(0, 0, t.pictureRect.width.value(), t.pictureRect.height.value());
                QVERIFY(area.contains(box));
                for (const QRectF& other : boxes)
                    QVERIFY2(!other.intersects(box), qPrintable((*fam)[i].name));
                boxes << box;
            }

        // Its print log table has the date, one column per point and the row key.
        if (test::onServer()) {
            const QStringList cols = test::logColumns(db, sample::kTemplateName);
            QCOMPARE(cols.size(), 16);
            QCOMPARE(cols.first(), QStringLiteral("打印日期"));
            for (const QString& n : names)
                QVERIFY(cols.contains(n));
        } else {
            QSqlRecord cols = db.record(sample::kTemplateName);
            QCOMPARE(cols.count(), 17);
            QCOMPARE(cols.fieldName(16), templates::PrintLogStore::kKeyColumn);
            QCOMPARE(cols.fieldName(0), QStringLiteral("打印日期"));
            for (const QString& n : names)
                QVERIFY(cols.contains(n));
        }

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

    // A new user's first double click: every box bound to a customer column or to the common uses opens
    // its picker, the unbound ones open none, and the first customer and phrase fill the boxes.
    void everyBoundBoxOfTheSampleOpensItsPicker() {
        test::TestEnv env;
        printing::sample::seedSampleData(env.db());
        app::state().currentTemplate = sample::kTemplateName;
        printing::Frm_PrintWindow w;
        QVERIFY(w.load());
        w.show();
        QStringList titles;
        env.prompter.onExec = [&titles](QDialog* d) {
            if (auto* p = dynamic_cast<templates::RecordPicker*>(d))
                titles << p->title;
            return int(QDialog::Rejected);
        };
        // The first row of each picker, as it lists them.
        QStringList firstCustomer;
        QSqlQuery q = printing::customerPickerRows();
        QVERIFY(q.next());
        for (int i = 0; i < 12; ++i)
            firstCustomer << q.value(i).toString();
        QSqlQuery phrases = printing::commonUsePickerRows();
        QVERIFY(phrases.next());
        const QString firstPhrase = phrases.value(0).toString();

        int bound = 0;
        for (templates::Family f : {templates::Family::Single, templates::Family::Multi}) {
            const templates::PointFamily& fam = w.model().family(f);
            for (int k = 1; k <= fam.count; ++k) {
                if (!fam[k].isLive())
                    continue;
                const QString binding = fam[k].binding;
                QStringList expected;
                if (templates::customerBindings().contains(binding))
                    expected << printing::kCustomerTitle;
                else if (binding == templates::kCommonUseBinding)
                    expected << printing::kCommonUseTitle;
                titles.clear();
                QWidget* box = f == templates::Family::Single ? static_cast<QWidget*>(w.Text_Add(k))
                                                              : w.Text_Addscroll(k)->viewport();
                QTest::mouseDClick(box, Qt::LeftButton);
                const QString shown = fam[k].name + QStringLiteral(": ") + titles.join(u',');
                QVERIFY2(titles == expected, qPrintable(shown));
                bound += expected.isEmpty() ? 0 : 1;
                if (!titles.isEmpty())
                    w.applyPick(titles.first() == printing::kCustomerTitle
                                    ? printing::PickResult::customer(k, firstCustomer, fam[k].party)
                                    : printing::PickResult::commonUse(k, firstPhrase));
            }
        }
        QCOMPARE(bound, 7); // 寄件单位, 寄件地址, 寄件电话, 收件人, 收件地址, 收件电话, 物品名称
        // The pickers list names in pinyin order: 北方 (bei) before 华东 (hua), 服装 (fu) first of the uses.
        QCOMPARE(w.Text_Add(1)->text(), QStringLiteral("北方样品商行"));
        QCOMPARE(w.Text_Add(2)->text(), QStringLiteral("北京市朝阳区样板街8号"));
        QCOMPARE(w.Text_Add(3)->text(), QStringLiteral("010-55550188"));
        QCOMPARE(w.Text_Add(4)->text(), QStringLiteral("北方样品商行")); // the receiver's own pick
        QCOMPARE(w.Text_Add(7)->text(), QStringLiteral("服装鞋帽"));
        QVERIFY(w.Text_Addscroll(4)->toPlainText().isEmpty());
        QVERIFY(env.prompter.shown.isEmpty());
    }

    void sampleCanBeFilledPrintedAndLogged() {
        test::TestEnv env;
        printing::sample::seedSampleData(env.db());
        const templates::Template t = templates::TemplateStore(env.db()).load(sample::kTemplateName).tmpl;

        printing::PrintSheet sheet;
        sheet.templateName = t.name;
        for (const templates::PointFamily* fam : {&t.single, &t.multi})
            for (int i = 1; i <= fam->count; ++i) {
                const templates::InputPoint& p = (*fam)[i];
                if (!p.isLive())
                    continue; // as the print window, which skips empty slots
                sheet.fields << printing::PrintField{p.name, p.name + QStringLiteral("值"), p.rect.left,
                                                     p.rect.top, p.fontSize};
            }
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("sample.pdf"));
        env.printToPdf(pdf);
        QVERIFY(printing::printSheet(sheet).ok());
        env.printToSystem();
        QVERIFY(printing::logSheet(sheet).ok());
        QVERIFY(env.prompter.shown.isEmpty());
        const qsizetype sender = test::logColumns(env.db(), sample::kTemplateName).indexOf(u"寄件单位");
        QCOMPARE(test::logRows(env.db(), sample::kTemplateName).value(0).value(sender),
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
