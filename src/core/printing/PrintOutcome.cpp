#include "printing/PrintOutcome.h"

#include "printing/PrintSettings.h"

namespace vorlan::printing {

Notice printNotice(const PrintOutcome& outcome) {
    const QString tip = QStringLiteral("提示");
    const QString missing = outcome.missingPrinter.isEmpty()
                                ? QString()
                                : missingPrinterText(outcome.missingPrinter, outcome.printerUsed);
    switch (outcome.status) {
    case PrintStatus::Printed:
        if (!missing.isEmpty())
            return {missing, tip, Notice::Icon::Exclamation};
        return {};
    case PrintStatus::PrinterFailed:
        return {missing.isEmpty() ? QStringLiteral("打印机未准备好或有故障!")
                                  : missing + QLatin1Char('\n') + QStringLiteral("打印机未准备好或有故障!"),
                QStringLiteral("错误"), Notice::Icon::Critical};
    case PrintStatus::OffsetInvalid:
        return {QStringLiteral("整体打印位置的%1偏移“%2”不是一个数字，请改正后再打印。")
                    .arg(outcome.offsetBox == OffsetBox::Vertical ? QStringLiteral("上下")
                                                                  : QStringLiteral("左右"),
                         outcome.offsetText.trimmed()),
                tip, Notice::Icon::Exclamation};
    case PrintStatus::OutOfRange:
        return {outOfRangeMessage(outcome.fieldName, outcome.fault, outcome.reason), tip,
                Notice::Icon::Exclamation};
    }
    return {};
}

Notice logNotice(const LogResult& result) {
    switch (result.status) {
    case LogResult::Status::Logged:
        return {};
    case LogResult::Status::NoLogTable:
        return {QStringLiteral("本张已经打印，但模板“%1”还没有打印记录表，这次的打印明细没有保存。\n"
                               "请在“模板设计”中保存一次该模板，以后的打印就会记录下来。")
                    .arg(result.templateName),
                QStringLiteral("提示"), Notice::Icon::Exclamation};
    case LogResult::Status::Failed:
        return {QStringLiteral("本张已经打印，但打印明细没有保存到模板“%1”的打印记录表：%2")
                    .arg(result.templateName, result.description),
                QStringLiteral("提示"), Notice::Icon::Exclamation};
    }
    return {};
}

} // namespace vorlan::printing
