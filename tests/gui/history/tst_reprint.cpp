// The history query's 打印状态 column and 重新打印: logged sheets printed again from their log columns
// with the template as it is today, previewed first, logged only when asked, their jobs shown.
#include "BothEngines.h"
#include "PrintProbe.h"
#include "TestEnv.h"
#include "app/AppState.h"
#include "history/Frm_CXdata.h"
#include "history/HistoryModel.h"
#include "history/ReprintDialog.h"
#include "printing/Batch.h"
#include "printing/BatchPreview.h"
#include "printing/PrintJobStore.h"
#include "printing/Reprint.h"
#include "printing/SampleData.h"
#include "templates/PrintLogStore.h"

#include <QCheckBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

using namespace vorlan;
using namespace Qt::StringLiterals;

namespace {

const QString& kTemplate = printing::sample::kTemplateName;

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(u"pdftotext"_s, {pdf, u"-"_s});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).remove(u' ').remove(u'\n');
}

// The sample template with three logged sheets; the log also has a column of a point deleted since.
struct Fixture {
    test::TestEnv env;
    QString pdf;
    QList<qint64> ids;
    Fixture() {
        printing::sample::seedSampleData(env.db());
        pdf = QDir(env.folder()).filePath(u"reprint.pdf"_s);
        env.printToPdf(pdf);
        test::addLogColumn(env.db(), kTemplate, u"旧备注"_s);
        QList<QList<templates::LogValue>> rows;
        for (const QString& who : {u"张三"_s, u"李四"_s, u"王五"_s})
            rows << QList<templates::LogValue>{
                {u"收件人"_s, who}, {u"金额大写"_s, u"壹佰元整"_s}, {u"旧备注"_s, u"不再打印"_s}};
        ids = templates::PrintLogStore(env.db()).insertMany(
            kTemplate, QDateTime(QDate::currentDate(), QTime(9, 30)), rows);
        app::state().currentTemplate = kTemplate;
    }
    QString table() const { return templates::PrintLogStore(env.db()).tableName(kTemplate); }
};

QStringList column(history::HistoryModel* m, int c) {
    m->fetchAll();
    QStringList out;
    for (int r = 0; r < m->rowCount(); ++r)
        out << m->index(r, c).data().toString();
    return out;
}

QStringList receiverColumn(history::HistoryModel* m) {
    for (int c = 2; c < m->columnCount(); ++c)
        if (m->headerData(c, Qt::Horizontal).toString() == u"收件人")
            return column(m, c);
    return {};
}

} // namespace

class TestReprint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (!probe::haveTool(u"pdftotext"_s) || !probe::haveTool(u"pdfinfo"_s))
            QSKIP("pdftotext and pdfinfo (poppler-utils) are needed to read the printed sheets back");
    }

    // The log's columns meet today's points by name: a column whose point is gone is named and left
    // out, a point the log has no column for prints empty.
    void mapping_data() {
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<QStringList>("points");
        QTest::addColumn<QList<int>>("columnOf");
        QTest::addColumn<QString>("notice");
        const QString date = templates::PrintLogStore::kDateColumn;
        QTest::newRow("every column has its point")
            << QStringList{date, u"甲"_s, u"乙"_s} << QStringList{u"乙"_s, u"甲"_s} << QList<int>{2, 1}
            << QString();
        QTest::newRow("letter case, as the database compares names")
            << QStringList{date, u"Name"_s} << QStringList{u"NAME"_s} << QList<int>{1} << QString();
        QTest::newRow("a point deleted since")
            << QStringList{date, u"甲"_s, u"电话"_s, u"备注"_s} << QStringList{u"甲"_s} << QList<int>{1}
            << u"模板“运单”中已经没有输入点“电话”“备注”，打印记录中这些列的内容不再打印。"_s;
        QTest::newRow("a point added since")
            << QStringList{date, u"甲"_s} << QStringList{u"甲"_s, u"件数"_s} << QList<int>{1, -1}
            << u"输入点“件数”在打印记录中没有对应的列，重新打印时为空。"_s;
        QTest::newRow("a point named like the print date")
            << QStringList{date} << QStringList{date} << QList<int>{-1}
            << u"输入点“打印日期”在打印记录中没有对应的列，重新打印时为空。"_s;
    }
    void mapping() {
        QFETCH(QStringList, columns);
        QFETCH(QStringList, points);
        QFETCH(QList<int>, columnOf);
        QFETCH(QString, notice);
        QList<printing::BatchPoint> live;
        for (int i = 0; i < points.size(); ++i)
            live << printing::BatchPoint{
                {templates::Family::Single, i + 1}, points.at(i), templates::type::SingleLine};
        const printing::ReprintMapping m = printing::reprintMapping(columns, live);
        QCOMPARE(m.columnOf, columnOf);
        QCOMPARE(printing::reprintMappingNotice(u"运单"_s, m), notice);
    }

    // What the list says of each sheet's job, asked of the print system only for this computer's queues
    // (here pages go to a PDF file, so it is not asked and a queue's job is not known).
    void stateColumn_data() {
        QTest::addColumn<int>("kind"); // 0 none kept, 1 a PDF file, 2 a queue's job, 3 a reprint's PDF
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("detail");
        QTest::newRow("logged by an older version") << 0 << u"不详"_s << u"没有记录下来"_s;
        QTest::newRow("a PDF file") << 1 << u"PDF文件"_s << u"没有打印作业"_s;
        QTest::newRow("a queue's job") << 2 << u"不详"_s << u"打印机“PDF”的第41号作业"_s;
        QTest::newRow("reprinted") << 3 << u"重新打印：PDF文件"_s << u"没有打印作业"_s;
    }
    void stateColumn() {
        QFETCH(int, kind);
        QFETCH(QString, text);
        QFETCH(QString, detail);
        Fixture f;
        const printing::PrintJobStore jobs(f.env.db());
        if (kind == 1 || kind == 3)
            jobs.record(f.table(), {f.ids.at(1)}, printing::SpooledAs{QString(), 0, true}, kind == 3);
        if (kind == 2)
            jobs.record(f.table(), {f.ids.at(1)}, printing::SpooledAs{u"PDF"_s, 41, false});
        history::Frm_CXdata w;
        w.load();
        w.Comd_FindData->click();
        QVERIFY2(f.env.prompter.shown.isEmpty(), qPrintable(f.env.prompter.lastText()));
        const int state = w.model->stateColumn();
        QCOMPARE(w.model->headerData(state, Qt::Horizontal).toString(), u"打印状态"_s);
        QCOMPARE(column(w.model, state), (QStringList{u"不详"_s, text, u"不详"_s}));
        const QString tip = w.model->index(1, state).data(Qt::ToolTipRole).toString();
        QVERIFY2(tip.contains(detail), qPrintable(tip));
        QCOMPARE(receiverColumn(w.model).value(1), u"李四"_s);
    }

    // 重新打印 on the ticked sheets (or the current one): the preview names what is left out and says
    // whether the reprint is logged; printed as one job with the values of the log, logged only when asked,
    // and the list then shows the reprint's job.
    void reprint_data() {
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<int>("current");
        QTest::addColumn<bool>("log");
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QStringList>("printed"); // the receivers, in order; empty: nothing printed
        QTest::newRow("two ticked, not logged")
            << QList<int>{0, 2} << -1 << false << true << QStringList{u"张三"_s, u"王五"_s};
        QTest::newRow("two ticked, logged")
            << QList<int>{0, 2} << 1 << true << true << QStringList{u"张三"_s, u"王五"_s};
        QTest::newRow("none ticked: the current one")
            << QList<int>{} << 1 << false << true << QStringList{u"李四"_s};
        QTest::newRow("preview cancelled") << QList<int>{1} << -1 << true << false << QStringList{};
        QTest::newRow("nothing chosen") << QList<int>{} << -1 << false << true << QStringList{};
    }
    void reprint() {
        QFETCH(QList<int>, ticked);
        QFETCH(int, current);
        QFETCH(bool, log);
        QFETCH(bool, accept);
        QFETCH(QStringList, printed);
        Fixture f;
        history::Frm_CXdata w;
        w.load();
        QVERIFY(!w.chkReprintLog->isChecked());
        QCOMPARE(w.cmdReprint->text(), u"重新打印"_s);
        QCOMPARE(w.chkReprintLog->text(), u"重新打印时也记录"_s);
        w.Comd_FindData->click();
        QCOMPARE(w.model->rowCount(), 3);
        for (const int r : ticked)
            w.model->setData(w.model->index(r, 0), Qt::Checked, Qt::CheckStateRole);
        if (current >= 0)
            w.ListView1->setCurrentIndex(w.model->index(current, 0));
        w.chkReprintLog->setChecked(log);
        QVERIFY(w.cmdReprint->toolTip().contains(printing::reprintLogText(log)));

        int previewed = 0;
        f.env.prompter.onExec = [&](QDialog* d) {
            auto* p = qobject_cast<history::ReprintDialog*>(d);
            if (!p)
                return int(QDialog::Rejected);
            previewed = p->preview->count();
            [&] {
                QVERIFY(p->lblReprintNotice->text().contains(u"“旧备注”"_s));
                QCOMPARE(p->lblReprintLog->text(), printing::reprintLogText(log));
                QCOMPARE(p->preview->lblSheetOf->text(), u"第1张，共%1张"_s.arg(previewed));
            }();
            return accept ? int(QDialog::Accepted) : int(QDialog::Rejected);
        };
        w.cmdReprint->click();
        if (ticked.isEmpty() && current < 0) {
            QCOMPARE(f.env.prompter.lastText(), u"请先打勾选择要重新打印的记录。"_s);
            QVERIFY(f.env.prompter.dialogsShown.isEmpty());
            return;
        }
        QCOMPARE(f.env.prompter.dialogsShown, QStringList{u"ReprintDialog"_s});
        QCOMPARE(previewed, int(ticked.isEmpty() ? 1 : ticked.size()));
        QCOMPARE(test::logCount(f.env.db(), kTemplate), 3 + (log && accept ? int(printed.size()) : 0));
        if (!accept) {
            QVERIFY(!QFile::exists(f.pdf));
            QVERIFY(f.env.prompter.shown.isEmpty());
            QCOMPARE(w.model->checkedRowIds().size(), ticked.size()); // the ticks stay
            return;
        }
        QCOMPARE(f.env.prompter.lastText(),
                 log ? u"已重新打印%1张，已另外保存%1条打印记录。"_s.arg(printed.size())
                     : u"已重新打印%1张，没有增加打印记录。"_s.arg(printed.size()));
        // One job, a page per sheet, each with its values from the log; the amount's words as logged.
        QCOMPARE(probe::pdfPages(f.pdf), int(printed.size()));
        const QString text = pdfText(f.pdf);
        qsizetype at = 0;
        for (const QString& who : printed) {
            at = text.indexOf(who, at);
            QVERIFY2(at >= 0, qPrintable(who + u" not in "_s + text));
        }
        QVERIFY(text.contains(u"壹佰元整"_s));
        QVERIFY(!text.contains(u"不再打印"_s));
        // The reprinted sheets show the reprint's job; the new rows when logged too.
        QStringList states = column(w.model, w.model->stateColumn());
        QStringList names = receiverColumn(w.model);
        QCOMPARE(states.size(), names.size());
        for (int r = 0; r < names.size(); ++r)
            QCOMPARE(states.at(r), printed.contains(names.at(r)) ? u"重新打印：PDF文件"_s : u"不详"_s);
    }

    // A sheet that cannot be placed today is named before anything is printed.
    void refusedBeforePrinting() {
        Fixture f;
        data::exec(f.env.db(), u"UPDATE mobanxywh SET X = 40000 WHERE textName = '收件人'"_s);
        history::Frm_CXdata w;
        w.load();
        w.Comd_FindData->click();
        w.model->setData(w.model->index(0, 0), Qt::Checked, Qt::CheckStateRole);
        w.cmdReprint->click();
        QVERIFY(f.env.prompter.dialogsShown.isEmpty());
        QVERIFY2(f.env.prompter.lastText().startsWith(u"第1张（"_s), qPrintable(f.env.prompter.lastText()));
        QVERIFY(f.env.prompter.lastText().contains(u"收件人"_s));
        QVERIFY(f.env.prompter.lastText().endsWith(u"重新打印没有开始。"_s));
        QVERIFY(!QFile::exists(f.pdf));
    }
};

QTEST_MAIN(TestReprint)
#include "tst_reprint.moc"
