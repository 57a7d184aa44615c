// The batch dialog of the print window: source, mapping, rows, preview, one job with progress and cancel.
#include "BothEngines.h"
#include "PrintProbe.h"
#include "TestEnv.h"
#include "app/AppState.h"
#include "app/Windows.h"
#include "printing/Frm_BatchPrint.h"
#include "printing/Frm_PrintWindow.h"
#include "printing/SampleData.h"
#include "templates/TemplateStore.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

using namespace vorlan;
using namespace vorlan::printing;
using namespace Qt::StringLiterals;

namespace {

QString pdfText(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    p.waitForFinished(30000);
    return QString::fromUtf8(p.readAllStandardOutput()).remove(u' ');
}

int logRows(const QSqlDatabase& db) {
    return test::logCount(db, sample::kTemplateName);
}

struct Fixture {
    test::TestEnv env;
    QString pdf;
    templates::Template tmpl;
    Fixture() {
        printing::sample::seedSampleData(env.db());
        pdf = QDir(env.folder()).filePath(QStringLiteral("batch.pdf"));
        env.printToPdf(pdf);
        tmpl = templates::TemplateStore(env.db()).load(sample::kTemplateName).tmpl;
        tmpl.name = sample::kTemplateName;
    }
    QString csv(const QByteArray& text) const {
        const QString path = QDir(env.folder()).filePath(QStringLiteral("data.csv"));
        QFile f(path);
        f.open(QIODevice::WriteOnly | QIODevice::Truncate);
        f.write(text);
        return path;
    }
    int point(const QString& name) const {
        const QList<BatchPoint> points = batchPoints(tmpl);
        for (int i = 0; i < points.size(); ++i)
            if (points.at(i).name == name)
                return i;
        return -1;
    }
};

QComboBox* columnBox(Frm_BatchPrint& w, int point) {
    return w.findChild<QComboBox*>(QStringLiteral("cboColumn%1").arg(point));
}

const QByteArray kRows =
    "收件人,收件电话,金额大写\n张三,13800000001,100\n李四,13800000002,20.5\n王五,13800000003,1\n";

} // namespace

class TestBatchPrint : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty())
            QSKIP("poppler-utils (pdfinfo, pdftotext) are not installed");
    }

    void fromSpreadsheet() {
        Fixture f;
        BoxTexts typed{{{templates::Family::Single, 1}, QStringLiteral("寄件公司甲")}};
        Frm_BatchPrint w(nullptr, f.tmpl, typed, 0, 0, true);
        f.env.prompter.fileNames.enqueue(f.csv(kRows));
        w.cmdBrowse->click();
        QVERIFY(w.optFile->isChecked());
        QCOMPARE(w.txtFile->text(), QDir(f.env.folder()).filePath(QStringLiteral("data.csv")));
        QCOMPARE(columnBox(w, f.point(QStringLiteral("收件人")))->currentText(), QStringLiteral("收件人"));
        QCOMPARE(columnBox(w, f.point(QStringLiteral("寄件单位")))->currentIndex(), 0);
        QVERIFY(w.mapping->lblUnfilled->text().contains(QStringLiteral("寄件单位")));
        QVERIFY(!w.mapping->lblUnfilled->text().contains(QStringLiteral("收件人")));

        // Preview: sheet n of N, with the arrows and the number box.
        QCOMPARE(w.sheetCount(), 3);
        QCOMPARE(w.shownSheet(), 1);
        QCOMPARE(w.preview->lblSheetOf->text(), QStringLiteral("第1张，共3张"));
        QVERIFY(!w.preview->cmdPrev->isEnabled());
        w.preview->cmdNext->click();
        QCOMPARE(w.shownSheet(), 2);
        w.preview->spinSheet->setValue(3);
        QCOMPARE(w.preview->lblSheetOf->text(), QStringLiteral("第3张，共3张"));
        QVERIFY(!w.preview->cmdNext->isEnabled());
        QVERIFY(!w.preview->picPreview->pixmap().isNull());

        // A range of worksheet rows.
        w.optRange->setChecked(true);
        w.txtRange->setText(QStringLiteral("3-4"));
        QCOMPARE(w.sheetCount(), 2);

        w.cmdPrint->click();
        QCOMPARE(f.env.prompter.lastText(), QStringLiteral("已打印2张，已保存2条打印记录。"));
        QCOMPARE(probe::pdfPages(f.pdf), 2);
        const QString text = pdfText(f.pdf);
        QVERIFY2(text.contains(QStringLiteral("李四")) && text.contains(QStringLiteral("王五")) &&
                     !text.contains(QStringLiteral("张三")) && text.contains(QStringLiteral("寄件公司甲")),
                 qPrintable(text));
        QCOMPARE(logRows(f.env.db()), 2);
    }

    void changedMapping() {
        Fixture f;
        // Columns of their own: the change is kept for the rest of the run.
        const QByteArray rows = "收件人,收件电话,附注\n张三,13800000001,1\n";
        Frm_BatchPrint w(nullptr, f.tmpl, {}, 0, 0, true);
        w.openFile(f.csv(rows));
        // The phone column moved to the receiver: the phone point loses it and keeps the window's text.
        const int receiver = f.point(QStringLiteral("收件人"));
        const int phone = f.point(QStringLiteral("收件电话"));
        columnBox(w, receiver)->setCurrentIndex(2);
        emit columnBox(w, receiver)->activated(2);
        QCOMPARE(w.job().map.value(receiver), 1);
        QCOMPARE(w.job().map.value(phone), -1);
        QCOMPARE(columnBox(w, phone)->currentIndex(), 0);
        QVERIFY(w.mapping->lblUnfilled->text().contains(QStringLiteral("收件电话")));
        QCOMPARE(batchSheet(w.job(), 0).fields.value(3).text, QStringLiteral("13800000001"));

        // Opened again on the template and these columns, the dialog keeps the change; other columns are
        // mapped by their names.
        const QList<int> changed = w.job().map;
        Frm_BatchPrint again(nullptr, f.tmpl, {}, 0, 0, true);
        again.openFile(f.csv(rows));
        QCOMPARE(again.job().map, changed);
        QCOMPARE(columnBox(again, receiver)->currentIndex(), 2);
        again.openFile(f.csv("收件人,收件电话,备注\n张三,13800000001,1\n"));
        QCOMPARE(again.job().map.value(receiver), 0);
        QCOMPARE(again.job().map.value(phone), 1);
    }

    void tickedCustomers() {
        Fixture f;
        Frm_BatchPrint w(nullptr, f.tmpl, {}, 0, 0, true);
        QVERIFY(w.optCustomers->isChecked());
        QVERIFY(w.optTicked->isChecked());
        QCOMPARE(w.rows()->rowCount(), 2);
        QCOMPARE(w.sheetCount(), 0);
        w.rows()->setTicked(1, true);
        QCOMPARE(w.sheetCount(), 1);
        w.cmdPrint->click();
        QCOMPARE(probe::pdfPages(f.pdf), 1);
        const QString text = pdfText(f.pdf);
        QVERIFY2(text.contains(QStringLiteral("北方样品商行")) && !text.contains(QStringLiteral("华东示例")),
                 qPrintable(text));
        QCOMPARE(logRows(f.env.db()), 1);
    }

    void cancelPrintsAndLogsNothing() {
        Fixture f;
        Frm_BatchPrint w(nullptr, f.tmpl, {}, 0, 0, true);
        w.openFile(f.csv(kRows));
        QList<int> seen;
        w.onProgress = [&](int done, QProgressDialog* progress) {
            seen << done;
            QCOMPARE(progress->labelText(), QStringLiteral("正在打印第%1张，共3张").arg(done));
            if (done == 2)
                progress->cancel();
        };
        w.cmdPrint->click();
        QCOMPARE(seen, (QList<int>{1, 2}));
        QCOMPARE(f.env.prompter.lastText(), QStringLiteral("批量打印已取消，没有打印，也没有保存打印记录。"));
        QVERIFY(!QFile::exists(f.pdf));
        QCOMPARE(logRows(f.env.db()), 0);
    }

    void refusals_data() {
        QTest::addColumn<QByteArray>("rows");
        QTest::addColumn<bool>("noPrinter");
        QTest::addColumn<QString>("says");
        QTest::newRow("amount not a number") << QByteArray("收件人,金额大写\n甲,5\n乙,十元\n") << false
                                             << "第2张：第3行“金额大写”列的内容“十元”不是数字";
        QTest::newRow("no printer") << kRows << true << "打印机未准备好或有故障!";
    }
    void refusals() {
        QFETCH(QByteArray, rows);
        QFETCH(bool, noPrinter);
        QFETCH(QString, says);
        Fixture f;
        if (noPrinter)
            f.env.printToNothing();
        Frm_BatchPrint w(nullptr, f.tmpl, {}, 0, 0, true);
        w.openFile(f.csv(rows));
        w.cmdPrint->click();
        QVERIFY2(f.env.prompter.lastText().startsWith(says), qPrintable(f.env.prompter.lastText()));
        QVERIFY(!QFile::exists(f.pdf));
        QCOMPARE(logRows(f.env.db()), 0);
    }

    void badFileIsNamed() {
        Fixture f;
        Frm_BatchPrint w(nullptr, f.tmpl, {}, 0, 0, true);
        const QString path = QDir(f.env.folder()).filePath(QStringLiteral("坏.xlsx"));
        QFile bad(path);
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not a workbook");
        bad.close();
        w.openFile(path);
        QVERIFY(f.env.prompter.lastText().contains(QStringLiteral("坏.xlsx")));
        QVERIFY(w.optCustomers->isChecked());
    }

    // Tab walks the dialog from the source down to the buttons, every column box on the way; Enter in a
    // box never starts the job (the print button is not the default button); Esc closes.
    void keyboard() {
        Fixture f;
        Frm_BatchPrint w(nullptr, f.tmpl, {}, 0, 0, true);
        w.openFile(f.csv(kRows));
        w.show();
        w.activateWindow();
        if (!QTest::qWaitForWindowActive(&w))
            QSKIP("the window cannot be made active on this platform");
        w.optFile->setFocus();
        QStringList order;
        for (int i = 0; i < 60; ++i) {
            QWidget* focus = QApplication::focusWidget();
            QVERIFY(focus);
            if (!order.isEmpty() && focus == w.optFile)
                break;
            order << focus->objectName();
            QTest::keyClick(focus, Qt::Key_Tab);
        }
        QStringList expected{u"optFile"_s, u"txtFile"_s, u"cmdBrowse"_s};
        for (int p = 0; p < batchPoints(f.tmpl).size(); ++p)
            expected << QStringLiteral("cboColumn%1").arg(p);
        // One stop per group of option buttons: the checked one (the arrows move within the group).
        expected += QStringList{u"lstRows"_s, u"optAllRows"_s, u"txtRange"_s, u"spinSheet"_s,
                                u"cmdNext"_s, u"cmdPrint"_s,   u"cmdClose"_s};
        QCOMPARE(order, expected);

        w.txtRange->setFocus();
        QTest::keyClicks(w.txtRange, QStringLiteral("2-3"));
        QTest::keyClick(w.txtRange, Qt::Key_Return);
        QCOMPARE(w.sheetCount(), 2);
        QVERIFY(w.isVisible());
        QVERIFY(f.env.prompter.lastText().isEmpty());
        QVERIFY(!QFile::exists(f.pdf));

        // From the customers "勾选的行", the last of its group, is ticked: Tab reaches it, not "全部行".
        w.useCustomers();
        w.lstRows->setFocus();
        QTest::keyClick(w.lstRows, Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"optTicked"_s);

        QTest::keyClick(w.txtRange, Qt::Key_Escape);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Rejected));
    }

    // The print window opens the dialog on its template with the texts typed there.
    void printWindowButton() {
        Fixture f;
        app::state().currentTemplate = sample::kTemplateName;
        Frm_PrintWindow pw;
        QVERIFY(pw.load(sample::kTemplateName));
        QCOMPARE(pw.cmdBatchPrint->text(), QStringLiteral("批量打印"));
        QCOMPARE(pw.cmdBatchPrint->objectName(), QStringLiteral("cmdBatchPrint"));
        pw.Text_Add(1)->setText(QStringLiteral("寄件公司乙"));
        int sheets = -1;
        QString common;
        f.env.prompter.onExec = [&](QDialog* d) {
            auto* w = qobject_cast<Frm_BatchPrint*>(d);
            if (w) {
                w->openFile(f.csv(kRows));
                sheets = w->sheetCount();
                common = batchSheet(w->job(), 0).fields.value(0).text;
            }
            return int(QDialog::Rejected);
        };
        pw.cmdBatchPrint->click();
        QCOMPARE(f.env.prompter.dialogsShown, QStringList{QStringLiteral("Frm_BatchPrint")});
        QCOMPARE(sheets, 3);
        QCOMPARE(common, QStringLiteral("寄件公司乙"));
    }
};

QTEST_MAIN(TestBatchPrint)
#include "tst_batchprint.moc"
