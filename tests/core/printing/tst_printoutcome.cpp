// What the user is told about a print, a preview or a log row: one pure function per outcome kind.
#include "NoticeOutput.h"
#include "printing/PrintOutcome.h"

#include <QTest>

using namespace vorlan;
using printing::LogResult;
using printing::Notice;
using printing::OffsetBox;
using printing::PlacementFault;
using printing::PrintOutcome;
using printing::PrintStatus;

Q_DECLARE_METATYPE(PrintOutcome)
Q_DECLARE_METATYPE(LogResult)
Q_DECLARE_METATYPE(Notice)

namespace {

PrintOutcome outcome(PrintStatus status) {
    PrintOutcome o;
    o.status = status;
    return o;
}

PrintOutcome outOfRange(const QString& name, PlacementFault fault) {
    PrintOutcome o = outcome(PrintStatus::OutOfRange);
    o.field = 2;
    o.fieldName = name;
    o.fault = fault;
    return o;
}

PrintOutcome badOffset(OffsetBox box, const QString& text) {
    PrintOutcome o = outcome(PrintStatus::OffsetInvalid);
    o.offsetBox = box;
    o.offsetText = text;
    return o;
}

LogResult logResult(LogResult::Status status, const QString& name, const QString& description = {}) {
    LogResult r;
    r.status = status;
    r.templateName = name;
    r.description = description;
    return r;
}

const QString kTip = QStringLiteral("提示");

} // namespace

class TestPrintOutcome : public QObject {
    Q_OBJECT
private slots:
    void printNotice_data() {
        QTest::addColumn<PrintOutcome>("outcome");
        QTest::addColumn<Notice>("notice");
        QTest::newRow("printed") << outcome(PrintStatus::Printed) << Notice{};
        PrintOutcome failed = outcome(PrintStatus::PrinterFailed);
        failed.problem = QStringLiteral("no default printer");
        // The cause goes to the log only; the user sees the one fixed message.
        QTest::newRow("printer failed") << failed
                                        << Notice{QStringLiteral("打印机未准备好或有故障!"),
                                                  QStringLiteral("错误"), Notice::Icon::Critical};
        QTest::newRow("position")
            << outOfRange(QStringLiteral("寄件单位"), PlacementFault::Position)
            << Notice{QStringLiteral("输入点“寄件单位”的位置超出纸张范围，无法打印。请开启微调把它移回纸面，"
                                     "或减小整体打印位置的偏移。"),
                      kTip, Notice::Icon::Exclamation};
        QTest::newRow("too long")
            << outOfRange(QStringLiteral("备注"), PlacementFault::TooLong)
            << Notice{QStringLiteral("输入点“备注”的内容太长，超出纸张范围，无法打印。请缩短内容后再打印。"),
                      kTip, Notice::Icon::Exclamation};
        QTest::newRow("vertical offset")
            << badOffset(OffsetBox::Vertical, QStringLiteral(" 1e "))
            << Notice{QStringLiteral("整体打印位置的上下偏移“1e”不是一个数字，请改正后再打印。"), kTip,
                      Notice::Icon::Exclamation};
        QTest::newRow("horizontal offset")
            << badOffset(OffsetBox::Horizontal, QStringLiteral("-"))
            << Notice{QStringLiteral("整体打印位置的左右偏移“-”不是一个数字，请改正后再打印。"), kTip,
                      Notice::Icon::Exclamation};
    }
    void printNotice() {
        QFETCH(PrintOutcome, outcome);
        QFETCH(Notice, notice);
        QCOMPARE(printing::printNotice(outcome), notice);
        QCOMPARE(outcome.ok(), notice.isEmpty());
    }

    void logNotice_data() {
        QTest::addColumn<LogResult>("result");
        QTest::addColumn<Notice>("notice");
        QTest::newRow("logged") << logResult(LogResult::Status::Logged, QStringLiteral("运单")) << Notice{};
        QTest::newRow("no table")
            << logResult(LogResult::Status::NoLogTable, QStringLiteral("从未保存"),
                         QStringLiteral("no such table"))
            << Notice{
                   QStringLiteral("本张已经打印，但模板“从未保存”还没有打印记录表，这次的打印明细没有保存。\n"
                                  "请在“模板设计”中保存一次该模板，以后的打印就会记录下来。"),
                   kTip, Notice::Icon::Exclamation};
        QTest::newRow("refused")
            << logResult(LogResult::Status::Failed, QStringLiteral("运单"),
                         QStringLiteral("no column 新加的点"))
            << Notice{QStringLiteral(
                          "本张已经打印，但打印明细没有保存到模板“运单”的打印记录表：no column 新加的点"),
                      kTip, Notice::Icon::Exclamation};
        // A "%1" in the database's reason is text, not a place holder.
        QTest::newRow("percent in the reason")
            << logResult(LogResult::Status::Failed, QStringLiteral("100%单"), QStringLiteral("bad %1 value"))
            << Notice{
                   QStringLiteral("本张已经打印，但打印明细没有保存到模板“100%单”的打印记录表：bad %1 value"),
                   kTip, Notice::Icon::Exclamation};
    }
    void logNotice() {
        QFETCH(LogResult, result);
        QFETCH(Notice, notice);
        QCOMPARE(printing::logNotice(result), notice);
        QCOMPARE(result.ok(), notice.isEmpty());
    }
};

QTEST_MAIN(TestPrintOutcome)
#include "tst_printoutcome.moc"
