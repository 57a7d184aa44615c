#include "TestEnv.h"
#include "TestServer.h"
#include "XlsFixture.h"
#include "customers/CustomerListModel.h"
#include "customers/CustomerStore.h"
#include "customers/Frm_khgl.h"
#include "data/Sql.h"

#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace vorlan;
using namespace vorlan::customers;

namespace {

const QString kOpenWarning =
    QStringLiteral("因如程序打开Excel文件后，人工就无法再打开了，只有点击“关闭Excel文件”才能人工打开，"
                   "所以请您先人工打开要读取Excel文件");
const QString kDone = QStringLiteral("读取全部记录，保存完成！");

QString overwriteQuestion(const QString& name) {
    return QStringLiteral("已经存在客户名称为 ") + name +
           QStringLiteral(
               " 的记录,"
               "是否复盖原有记录？1、选择‘是’表示会复盖原有记录，等人工读取；2、选择‘否’表示不保存此记录，"
               "继续读取下一条；3、选择‘取消’表示读取全部数据停止！");
}

QString sheetMessage(const QString& sheet) {
    return QStringLiteral("读取Excel文件内的工作表名是否为：") + sheet +
           QStringLiteral("，请检查！如不是，请输入正确的工作表名");
}

// Rows of the table as "name|code|fax", in table order.
QStringList table(const QSqlDatabase& db) {
    QStringList out;
    for (const Customer& c : CustomerStore(db).all())
        out << c[0] + QLatin1Char('|') + c[1] + QLatin1Char('|') + c[5];
    return out;
}

QStringList listNames(const Frm_khgl& w) {
    QStringList out;
    for (int r = 0; r < w.model->rowCount(); ++r)
        out << w.model->keyName(r);
    return out;
}

// Does this process hold the file open?
bool fileIsOpen(const QString& canonicalPath) {
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot))
        if (fd.symLinkTarget() == canonicalPath)
            return true;
    return false;
}

std::vector<QVariant> row(const char* name, const QVariant& code = {}, const QVariant& phone = {}) {
    std::vector<QVariant> r(12);
    if (name)
        r[0] = QString::fromUtf8(name);
    r[1] = code;
    r[4] = phone;
    r[5] = QStringLiteral("fax-") + QString::fromUtf8(name ? name : "");
    return r;
}

} // namespace

class TestImport : public QObject {
    Q_OBJECT
    QTemporaryDir dir_;
    QString formulas_; // formula cells without a stored result in rows 2 to 4
    QString book_;     // header row, then rows 2..10; a second, longer sheet
    QString offset_;   // data in B3:D5 only

    // Opens the workbook in the window through the two prompts.
    void open(Frm_khgl& w, test::TestEnv& env, const QString& path) {
        env.prompter.fileNames.enqueue(QStringLiteral("  ") + path + QStringLiteral(" "));
        w.But读取Excel->click();
    }

private slots:
    void initTestCase() {
        if (!test::xlsWriterAvailable())
            QSKIP("python3 with xlwt is not installed; no .xls fixtures can be made");
        book_ = dir_.filePath(QStringLiteral("customers.xls"));
        std::vector<std::vector<QVariant>> rows{
            {QStringLiteral("客户名称"), QStringLiteral("快捷码")},
            row("北京华联", QStringLiteral("bjhl"), qint64(13800138000)),
            row("上海O'Hare", 100000),
            row("广州", QStringLiteral("gz")),
            row("深圳", QStringLiteral("sz")),
            row("杭州", QStringLiteral("hz")),
            row("南京", QStringLiteral("nj")),
            row("武汉", QStringLiteral("wh")),
            row("成都", QStringLiteral("cd")),
            row("西安", QStringLiteral("xa")),
        };
        std::vector<std::vector<QVariant>> longer;
        for (int i = 0; i < 15; ++i)
            longer.push_back(row(qPrintable(QStringLiteral("二页%1").arg(i + 1))));
        QString error;
        QVERIFY2(test::writeXls(book_,
                                {test::customerSheet(QStringLiteral("客户"), rows),
                                 test::customerSheet(QStringLiteral("更多"), longer)},
                                &error),
                 qPrintable(error));
        formulas_ = dir_.filePath(QStringLiteral("formulas.xls"));
        QVERIFY(test::writeFormulaCustomers(formulas_));
        offset_ = dir_.filePath(QStringLiteral("offset.xls"));
        QVERIFY(test::writeXls(
            offset_, {test::customerSheet(QStringLiteral("Sheet1"),
                                          {{QStringLiteral("甲"), QStringLiteral("j"), QStringLiteral("x")},
                                           {QStringLiteral("乙"), QStringLiteral("y")},
                                           {QStringLiteral("丙"), QStringLiteral("b")}},
                                          2, 1)}));
    }

    void openAndCloseTheFile() {
        test::TestEnv env;
        Frm_khgl w;
        w.load();
        // Cancel at the warning: no dialog.
        env.prompter.answers.enqueue(ui::Answer::Cancel);
        w.But读取Excel->click();
        QCOMPARE(env.prompter.lastText(), kOpenWarning);
        QCOMPARE(env.prompter.last().buttons, ui::Buttons::OkCancel);
        QCOMPARE(env.prompter.last().icon, ui::Icon::Information);
        QVERIFY(env.prompter.fileRequests.isEmpty());

        // Cancel in the dialog: still no file.
        w.But读取Excel->click();
        QCOMPARE(env.prompter.fileRequests.size(), 1);
        const QString filter = env.prompter.fileRequests.first().filter;
        QVERIFY(filter.startsWith(QStringLiteral("电子表格Excel文件(")));
        // Workbooks old and new and .csv texts, in any letter case.
        const QStringList patterns = filter.section(QLatin1Char('('), 1).chopped(1).split(QLatin1Char(' '));
        auto matches = [&](const QString& name) {
            for (const QString& p : patterns)
                if (QRegularExpression(QRegularExpression::wildcardToRegularExpression(p))
                        .match(name)
                        .hasMatch())
                    return true;
            return false;
        };
        for (const char* name : {"a.xls", "B.XLS", "c.Xls", "d.xlsx", "E.XLSX", "f.csv", "G.CSV"})
            QVERIFY2(matches(QString::fromUtf8(name)), name);
        QVERIFY(!matches(QStringLiteral("h.txt")));
        QVERIFY(!w.spreadsheetOpen());
        QVERIFY(!w.XPBut_next->isEnabled());

        open(w, env, book_);
        QCOMPARE(w.filePath(), book_); // trimmed
        QVERIFY(w.spreadsheetOpen());
        QCOMPARE(w.usedRows(), 10);
        QCOMPARE(w.usedColumns(), 6);
        QVERIFY(w.XPBut_next->isEnabled() && w.But读取下一条->isEnabled() && w.XPBut读取全部->isEnabled());

        w.But关闭Excel->click();
        QVERIFY(!w.spreadsheetOpen());
        QVERIFY(!w.XPBut_next->isEnabled() && !w.But读取下一条->isEnabled() && !w.XPBut读取全部->isEnabled());
        QVERIFY(w.But读取Excel->isEnabled());
        QCOMPARE(w.filePath(), book_);
        // Closing twice is harmless.
        w.But关闭Excel->click();
    }

    void aFileThatIsNoWorkbook() {
        test::TestEnv env;
        const QString bad = dir_.filePath(QStringLiteral("notes.xls"));
        QFile f(bad);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("客户名称\t快捷码\n");
        f.close();
        Frm_khgl w;
        w.load();
        open(w, env, bad);
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("notes.xls")));
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        QVERIFY(!w.spreadsheetOpen());
        QVERIFY(!w.XPBut读取全部->isEnabled());
    }

    void letterBoxesTurnUpperCaseOnLeaving() {
        test::TestEnv env;
        Frm_khgl w;
        w.load();
        w.Text_col[2]->setText(QStringLiteral("c"));
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(w.Text_col[2], &out);
        QCOMPARE(w.Text_col[2]->text(), QStringLiteral("C"));
    }

    void readNextTwice() {
        test::TestEnv env;
        Frm_khgl w;
        w.load();
        open(w, env, book_);
        w.Text_sheet->setText(QStringLiteral("客户"));
        w.Text_qsdu->setText(QStringLiteral("3"));
        w.Text_kh[6]->setText(QStringLiteral("kept"));
        w.Text_col[6]->clear(); // field 6 is not read
        w.Text_col[4]->setText(QStringLiteral("AA"));
        env.prompter.clear();
        w.XPBut_next->click();
        QCOMPARE(w.Text_kh[0]->text(), QStringLiteral("上海O'Hare"));
        QCOMPARE(w.Text_kh[1]->text(), QStringLiteral("100000"));
        QCOMPARE(w.Text_qsdu->text(), QStringLiteral("4"));
        w.XPBut_next->click();
        QCOMPARE(w.Text_kh[0]->text(), QStringLiteral("广州"));
        QCOMPARE(w.Text_kh[5]->text(), QStringLiteral("fax-广州"));
        QCOMPARE(w.Text_kh[6]->text(), QStringLiteral("kept"));
        QCOMPARE(w.Text_qsdu->text(), QStringLiteral("5"));
        QVERIFY(env.prompter.shown.isEmpty());
        QVERIFY(table(env.db()).isEmpty()); // nothing saved

        // The phone number of row 2 through a repeated letter: only the lower field gets it.
        w.Text_qsdu->setText(QStringLiteral("2"));
        w.Text_col[4]->setText(QStringLiteral("E"));
        w.Text_col[9]->setText(QStringLiteral("E"));
        w.Text_kh[9]->setText(QStringLiteral("untouched"));
        w.XPBut_next->click();
        QCOMPARE(w.Text_kh[4]->text(), QStringLiteral("13800138000"));
        QCOMPARE(w.Text_kh[9]->text(), QStringLiteral("untouched"));

        // Then "保   存" stores the row read.
        w.XPBut_BaoC->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("客户名称为北京华联的记录保存成功！"));

        // The largest start row still moves on by one (no wrap to a negative row).
        w.Text_qsdu->setText(QStringLiteral("2147483647"));
        w.XPBut_next->click();
        QCOMPARE(w.Text_qsdu->text(), QStringLiteral("2147483648"));
        QCOMPARE(w.Text_kh[0]->text(), QString()); // far below the sheet: an empty cell
    }

    void readNextRefusals() {
        test::TestEnv env;
        Frm_khgl w;
        w.load();
        open(w, env, book_);
        env.prompter.clear();
        w.XPBut_next->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("请您输入想要读取数据的起始行!"));
        QVERIFY(env.prompter.last().title.isEmpty());
        w.Text_qsdu->setText(QStringLiteral("2"));
        w.Text_sheet->clear();
        w.XPBut_next->click();
        QCOMPARE(env.prompter.lastText(), QStringLiteral("请您输入想要读取Excel文件内的工作表名!"));
        w.Text_sheet->setText(QStringLiteral("sheel1"));
        w.XPBut_next->click();
        QCOMPARE(env.prompter.lastText(), sheetMessage(QStringLiteral("sheel1")));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Information);
        QCOMPARE(w.Text_qsdu->text(), QStringLiteral("2"));
        w.Text_sheet->setText(QStringLiteral("客户"));
        w.Text_qsdu->setText(QStringLiteral("二"));
        w.XPBut_next->click();
        QVERIFY(env.prompter.lastText().contains(QStringLiteral("起始行")));
        QCOMPARE(w.Text_kh[0]->text(), QString());
    }

    void readNextAndSave() {
        test::TestEnv env;
        Frm_khgl w;
        w.load();
        open(w, env, book_);
        w.Text_sheet->setText(QStringLiteral("客户"));
        w.Text_qsdu->setText(QStringLiteral("2"));
        env.prompter.clear();
        w.But读取下一条->click();
        w.But读取下一条->click();
        // Saved without a duplicate check: reading row 2 again stores it twice.
        w.Text_qsdu->setText(QStringLiteral("2"));
        w.But读取下一条->click();
        QVERIFY(env.prompter.shown.isEmpty());
        QCOMPARE(table(env.db()), (QStringList{QStringLiteral("北京华联|bjhl|fax-北京华联"),
                                               QStringLiteral("上海O'Hare|100000|fax-上海O'Hare"),
                                               QStringLiteral("北京华联|bjhl|fax-北京华联")}));
        QCOMPARE(w.model->rowCount(), 3);
        QCOMPARE(w.Text_qsdu->text(), QStringLiteral("3"));
        QCOMPARE(w.Text_kh[0]->text(), QString()); // new record
        QVERIFY(w.XPBut_BaoC->isEnabled());

        w.Text_sheet->setText(QStringLiteral("Sheet9"));
        w.But读取下一条->click();
        QCOMPARE(env.prompter.lastText(), sheetMessage(QStringLiteral("Sheet9")));
        QCOMPARE(env.prompter.last().title, QStringLiteral("提示"));
        QCOMPARE(table(env.db()).size(), 3);

        w.Text_sheet->setText(QStringLiteral("客户"));
        w.Text_qsdu->setText(QStringLiteral("abc"));
        w.But读取下一条->click();
        QVERIFY(env.prompter.lastText().startsWith(QStringLiteral("vorlan")));
        QCOMPARE(env.prompter.last().icon, ui::Icon::Information);
        QCOMPARE(table(env.db()).size(), 3);
    }

    void readAllWithNewAndExistingNames() {
        test::TestEnv env;
        CustomerStore store(env.db());
        Customer old;
        old[0] = QStringLiteral("广州");
        old[1] = QStringLiteral("old-gz");
        store.insert(old);
        old[0] = QStringLiteral("深圳");
        old[1] = QStringLiteral("old-sz");
        store.insert(old);
        Frm_khgl w;
        w.load();
        open(w, env, book_);
        w.Text_sheet->setText(QStringLiteral("客户"));
        w.Text_qsdu->setText(QStringLiteral("2"));
        env.prompter.clear();
        env.prompter.answers << ui::Answer::Yes << ui::Answer::No;
        w.XPBut读取全部->click();
        QCOMPARE(env.prompter.texts(), (QStringList{overwriteQuestion(QStringLiteral("广州")),
                                                    overwriteQuestion(QStringLiteral("深圳")), kDone}));
        QCOMPARE(env.prompter.shown[0].message.title, QStringLiteral("操作提示"));
        QCOMPARE(env.prompter.shown[0].message.buttons, ui::Buttons::YesNoCancel);
        QCOMPARE(env.prompter.shown[0].message.icon, ui::Icon::Information);
        QCOMPARE(env.prompter.last().title, QStringLiteral("系统提示"));
        QCOMPARE(w.Text_qsdu->text(), QStringLiteral("11"));
        QCOMPARE(w.Text_kh[0]->text(), QString()); // the last row was saved: a new record
        QVERIFY(w.XPBut_BaoC->isEnabled());
        const QStringList rows = table(env.db());
        QCOMPARE(rows.size(), 9);
        QCOMPARE(rows.count(QStringLiteral("广州|gz|fax-广州")), 1); // overwritten
        QVERIFY(!rows.join(QLatin1Char(',')).contains(QStringLiteral("old-gz")));
        QCOMPARE(rows.count(QStringLiteral("深圳|old-sz|")), 1); // kept
        QVERIFY(rows.contains(QStringLiteral("北京华联|bjhl|fax-北京华联")));
        QVERIFY(rows.contains(QStringLiteral("西安|xa|fax-西安")));
        QCOMPARE(w.model->rowCount(), 9);
    }

    void cancelKeepsWhatWasSaved() {
        test::TestEnv env;
        Customer old;
        old[0] = QStringLiteral("深圳");
        CustomerStore(env.db()).insert(old);
        Frm_khgl w;
        w.load();
        open(w, env, book_);
        w.Text_sheet->setText(QStringLiteral("客户"));
        w.Text_qsdu->setText(QStringLiteral("2"));
        env.prompter.clear();
        env.prompter.answers << ui::Answer::Cancel;
        w.XPBut读取全部->click();
        QCOMPARE(env.prompter.texts(), QStringList{overwriteQuestion(QStringLiteral("深圳"))});
        QCOMPARE(w.Text_qsdu->text(), QStringLiteral("2"));
        // Rows 2 to 4 were saved before the question and stay saved; the list shows them.
        QCOMPARE(table(env.db()).size(), 4);
        QCOMPARE(listNames(w), (QStringList{QStringLiteral("深圳"), QStringLiteral("北京华联"),
                                            QStringLiteral("上海O'Hare"), QStringLiteral("广州")}));
        // The boxes hold the row asked about.
        QCOMPARE(w.Text_kh[0]->text(), QStringLiteral("深圳"));
    }

    void emptyNamesAndTheFirstSheetsRowCount() {
        // Rows without a name: the first is saved with an empty name, the next stops the import.
        const QString path = dir_.filePath(QStringLiteral("gaps.xls"));
        QVERIFY(test::writeXls(path,
                               {test::customerSheet(QStringLiteral("S"),
                                                    {row("甲"), row(nullptr, QStringLiteral("x")), row("乙"),
                                                     row(nullptr, QStringLiteral("y")), row("丙")})}));
        test::TestEnv env;
        Frm_khgl w;
        w.load();
        open(w, env, path);
        w.Text_sheet->setText(QStringLiteral("s"));
        w.Text_qsdu->setText(QStringLiteral("1"));
        env.prompter.clear();
        w.XPBut读取全部->click();
        QCOMPARE(env.prompter.texts(),
                 QStringList{QStringLiteral("所读取的客户名称为空了！ 请到Excel文件内修改！")});
        QVERIFY(env.prompter.last().title.isEmpty());
        QCOMPARE(table(env.db()), (QStringList{QStringLiteral("甲||fax-甲"), QStringLiteral("|x|fax-"),
                                               QStringLiteral("乙||fax-乙")}));
        QCOMPARE(w.Text_qsdu->text(), QStringLiteral("1"));

        // Reading the longer second sheet stops at the first sheet's row count.
        test::TestEnv env2;
        Frm_khgl w2;
        w2.load();
        open(w2, env2, book_);
        w2.Text_sheet->setText(QStringLiteral("更多"));
        w2.Text_qsdu->setText(QStringLiteral("1"));
        w2.XPBut读取全部->click();
        QCOMPARE(env2.prompter.lastText(), kDone);
        QCOMPARE(table(env2.db()).size(), 10);
        QCOMPARE(w2.Text_qsdu->text(), QStringLiteral("11"));
    }

    void readAllRefusalsAndStops() {
        VORLAN_FILE_ONLY("the fault is injected with an SQLite trigger");
        test::TestEnv env;
        Frm_khgl w;
        w.load();
        open(w, env, book_);
        w.Text_sheet->setText(QStringLiteral("客户"));
        w.Text_qsdu->setText(QStringLiteral("2"));
        w.Text_col[0]->clear();
        env.prompter.clear();
        w.XPBut读取全部->click();
        QCOMPARE(env.prompter.texts(),
                 QStringList{QStringLiteral("读取的用户编号不能为空,请输入此处的列标号！")});
        QVERIFY(table(env.db()).isEmpty());

        w.Text_col[0]->setText(QStringLiteral("A"));
        w.Text_sheet->setText(QStringLiteral("sheel1"));
        w.XPBut读取全部->click();
        QCOMPARE(env.prompter.lastText(), sheetMessage(QStringLiteral("sheel1")));
        QVERIFY(table(env.db()).isEmpty());

        // Past the used rows: nothing read, the start row stays, no message.
        w.Text_sheet->setText(QStringLiteral("客户"));
        w.Text_qsdu->setText(QStringLiteral("15"));
        env.prompter.clear();
        w.XPBut读取全部->click();
        QVERIFY(env.prompter.shown.isEmpty());
        QCOMPARE(w.Text_qsdu->text(), QStringLiteral("15"));
        // Just past the last row: completes at once.
        w.Text_qsdu->setText(QStringLiteral("11"));
        w.XPBut读取全部->click();
        QCOMPARE(env.prompter.texts(), QStringList{kDone});

        // A failing insert stops the import; rows written before stay.
        data::exec(
            env.db(),
            QStringLiteral("CREATE TRIGGER no_hz BEFORE INSERT ON Basic_Khgl WHEN NEW.\"客户名称\" = '杭州' "
                           "BEGIN SELECT RAISE(ABORT, 'disk full'); END"));
        w.Text_qsdu->setText(QStringLiteral("2"));
        env.prompter.clear();
        w.XPBut读取全部->click();
        QCOMPARE(env.prompter.texts(), QStringList{QStringLiteral("vorlandisk full")});
        QCOMPARE(env.prompter.last().icon, ui::Icon::Information);
        QCOMPARE(table(env.db()).size(), 4);
        QCOMPARE(w.model->rowCount(), 4);
        QCOMPARE(w.Text_qsdu->text(), QStringLiteral("2"));
        QCOMPARE(w.Text_kh[0]->text(), QStringLiteral("杭州")); // the row that failed
        QCOMPARE(w.Text_kh[1]->text(), QStringLiteral("hz"));

        // After closing the file the read buttons are off.
        w.But关闭Excel->click();
        QVERIFY(!w.XPBut读取全部->isEnabled());
    }

    void usedRangeAwayFromA1() {
        test::TestEnv env;
        Frm_khgl w;
        w.load();
        open(w, env, offset_);
        QCOMPARE(w.usedRows(), 5);
        QCOMPARE(w.usedColumns(), 4);
        w.Text_sheet->setText(QStringLiteral("Sheet1"));
        w.Text_qsdu->setText(QStringLiteral("3"));
        for (int k = 0; k < kFieldCount; ++k)
            w.Text_col[k]->clear();
        w.Text_col[0]->setText(QStringLiteral("B"));
        w.Text_col[1]->setText(QStringLiteral("C"));
        w.Text_col[5]->setText(QStringLiteral("D"));
        w.XPBut读取全部->click();
        QCOMPARE(env.prompter.lastText(), kDone);
        QCOMPARE(table(env.db()),
                 (QStringList{QStringLiteral("甲|j|x"), QStringLiteral("乙|y|"), QStringLiteral("丙|b|")}));
    }

    void readAllIntoASortedList() {
        test::TestEnv env;
        Customer c;
        c[0] = QStringLiteral("m");
        c[1] = QStringLiteral("m");
        CustomerStore(env.db()).insert(c);
        Frm_khgl w;
        w.load();
        w.ListView1_ColumnClick(2);
        open(w, env, book_);
        w.Text_sheet->setText(QStringLiteral("客户"));
        w.Text_qsdu->setText(QStringLiteral("4"));
        env.prompter.answers << ui::Answer::Cancel;
        c[0] = QStringLiteral("深圳");
        CustomerStore(env.db()).insert(c);
        w.XPBut读取全部->click(); // rows 4 (gz), then 深圳 asks and is cancelled
        QCOMPARE(listNames(w), (QStringList{QStringLiteral("广州"), QStringLiteral("m")}));
    }

    // Formula cells whose value the file does not hold are named once, before anything is saved; the
    // user goes on (they read as empty) or stops (nothing saved, the start row stays).
    void unreadableFormulaCells_data() {
        QTest::addColumn<int>("action");
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("clearedLetter"); // a field not read
        QTest::addColumn<QString>("cells");         // as named in the warning; empty: no warning
        QTest::addColumn<int>("count");
        QTest::addColumn<QStringList>("savedWhenGoingOn");
        const QStringList all{QStringLiteral("甲||"), QStringLiteral("|y|"), QStringLiteral("丙|z|"),
                              QStringLiteral("丁|d|")};
        QTest::newRow("read all") << int(ReadAction::All) << 2 << QString()
                                  << QStringLiteral("第2行B列、第3行A列、第4行C列") << 3 << all;
        QTest::newRow("read all from row 3") << int(ReadAction::All) << 3 << QString()
                                             << QStringLiteral("第3行A列、第4行C列") << 2 << all.mid(1);
        QTest::newRow("read all, column C not read") << int(ReadAction::All) << 2 << QStringLiteral("C")
                                                     << QStringLiteral("第2行B列、第3行A列") << 2 << all;
        QTest::newRow("read all, last row only") << int(ReadAction::All) << 5 << QString() << QString() << 0
                                                 << QStringList{QStringLiteral("丁|d|")};
        QTest::newRow("read next and save")
            << int(ReadAction::NextAndSave) << 3 << QString() << QStringLiteral("第3行A列") << 1
            << QStringList{QStringLiteral("|y|")};
        QTest::newRow("read next and save, clean row")
            << int(ReadAction::NextAndSave) << 5 << QString() << QString() << 0
            << QStringList{QStringLiteral("丁|d|")};
        QTest::newRow("read next") << int(ReadAction::Next) << 2 << QString() << QStringLiteral("第2行B列")
                                   << 1 << QStringList{};
    }
    void unreadableFormulaCells() {
        QFETCH(int, action);
        QFETCH(int, start);
        QFETCH(QString, clearedLetter);
        QFETCH(QString, cells);
        QFETCH(int, count);
        QFETCH(QStringList, savedWhenGoingOn);
        for (const ui::Answer answer : {ui::Answer::No, ui::Answer::Yes}) {
            test::TestEnv env;
            Frm_khgl w;
            w.load();
            open(w, env, formulas_);
            w.Text_sheet->setText(QStringLiteral("客户"));
            w.Text_qsdu->setText(QString::number(start));
            for (QLineEdit* e : w.Text_col)
                if (e->text() == clearedLetter)
                    e->clear();
            w.Text_kh[1]->setText(QStringLiteral("typed"));
            env.prompter.clear();
            env.prompter.answers << answer;
            switch (ReadAction(action)) {
            case ReadAction::Next:
                w.XPBut_next->click();
                break;
            case ReadAction::NextAndSave:
                w.But读取下一条->click();
                break;
            case ReadAction::All:
                w.XPBut读取全部->click();
                break;
            }
            const bool warned = !cells.isEmpty();
            if (warned) {
                QVERIFY(!env.prompter.shown.isEmpty());
                const ui::Message m = env.prompter.shown.first().message;
                QCOMPARE(m.text,
                         QStringLiteral(
                             "工作表“客户”中有%"
                             "1个要读取的单元格是公式或含有程序无法读取的文字，程序读不出它们的值：%2。\n"
                             "如果继续，这些单元格将按空白读取。是否继续读取？\n"
                             "选择‘是’表示继续读取；选择‘否’表示停止读取，不保存任何记录。")
                             .arg(count)
                             .arg(cells));
                QCOMPARE(m.title, QStringLiteral("警告"));
                QCOMPARE(m.buttons, ui::Buttons::YesNo);
                QCOMPARE(m.icon, ui::Icon::Exclamation);
                // Once per import, however many rows hold such cells.
                QCOMPARE(env.prompter.texts().filter(QStringLiteral("公式")).size(), 1);
            } else {
                QVERIFY(env.prompter.texts().filter(QStringLiteral("公式")).isEmpty());
            }
            if (warned && answer == ui::Answer::No) {
                QCOMPARE(env.prompter.shown.size(), 1);
                QVERIFY(table(env.db()).isEmpty());
                QCOMPARE(w.model->rowCount(), 0);
                QCOMPARE(w.Text_qsdu->text(), QString::number(start));
                if (ReadAction(action) != ReadAction::All)
                    QCOMPARE(w.Text_kh[1]->text(), QStringLiteral("typed"));
                continue;
            }
            QCOMPARE(table(env.db()), savedWhenGoingOn);
            if (ReadAction(action) == ReadAction::All) {
                QCOMPARE(env.prompter.lastText(), kDone);
                QCOMPARE(w.Text_qsdu->text(), QStringLiteral("6"));
            } else {
                QCOMPARE(w.Text_qsdu->text(), QString::number(start + 1));
            }
            if (ReadAction(action) == ReadAction::Next) {
                QCOMPARE(w.Text_kh[0]->text(), QStringLiteral("甲"));
                QCOMPARE(w.Text_kh[1]->text(), QString()); // the formula, read as empty after the warning
            }
        }
    }

    // An .xls number beyond 2^53 has lost its last digits: named once, before anything is saved.
    void impreciseNumbers_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("saved");
        QTest::newRow("stop") << int(ui::Answer::No) << 0;
        QTest::newRow("go on") << int(ui::Answer::Yes) << 2;
    }
    void impreciseNumbers() {
        QFETCH(int, answer);
        QFETCH(int, saved);
        test::TestEnv env;
        const QString path = dir_.filePath(QStringLiteral("imprecise.xls"));
        QVERIFY(
            test::writeXls(path, {test::customerSheet(QStringLiteral("客户"),
                                                      {{QStringLiteral("客户名称"), QStringLiteral("快捷码")},
                                                       {QStringLiteral("甲"), 621909378657975432.0},
                                                       {QStringLiteral("乙"), 6222499836243985.0}})}));
        Frm_khgl w;
        w.load();
        open(w, env, path);
        w.Text_sheet->setText(QStringLiteral("客户"));
        w.Text_qsdu->setText(QStringLiteral("2"));
        env.prompter.clear();
        env.prompter.answers << ui::Answer(answer);
        w.XPBut读取全部->click();
        QVERIFY(!env.prompter.shown.isEmpty());
        const QString asked = env.prompter.shown.first().message.text;
        QVERIFY2(asked.contains(u"有1个要读取的单元格是大于9007199254740992的长数字") &&
                     asked.contains(u"第2行B列"),
                 qPrintable(asked));
        QCOMPARE(table(env.db()).size(), saved);
    }

    void closingTheWindowClosesTheFile() {
        if (!QFileInfo::exists(QStringLiteral("/proc/self/fd")))
            QSKIP("no /proc to see open files");
        test::TestEnv env;
        const QString canonical = QFileInfo(book_).canonicalFilePath();
        {
            Frm_khgl w;
            w.load();
            open(w, env, book_);
            QVERIFY(w.spreadsheetOpen());
            QVERIFY(fileIsOpen(canonical));
            // A second file replaces the first, which is closed.
            open(w, env, offset_);
            QVERIFY(!fileIsOpen(canonical));
            open(w, env, book_);
            QVERIFY(w.spreadsheetOpen());
        }
        QVERIFY(!fileIsOpen(canonical));
    }
};

QTEST_MAIN(TestImport)
#include "tst_import.moc"
