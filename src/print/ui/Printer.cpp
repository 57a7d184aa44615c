#include "ui/Printer.h"

#include "app/AppState.h"

#include <QDir>
#include <QPrinter>
#include <QPrinterInfo>

namespace vorlan::ui {

PrinterTarget printerTarget() {
    return app::environment().printer;
}

QString defaultPrinterName() {
    switch (printerTarget()) {
    case PrinterTarget::None:
        return QString();
    case PrinterTarget::PdfFile:
        return app::environment().pdfPath;
    case PrinterTarget::SystemDefault:
        break;
    }
    return QPrinterInfo::defaultPrinter().printerName();
}

std::unique_ptr<QPrinter> openDefaultPrinter(const QString& documentName, QString* problem) {
    auto fail = [&](const QString& why) {
        if (problem)
            *problem = why;
        return std::unique_ptr<QPrinter>();
    };
    std::unique_ptr<QPrinter> printer;
    const QString pdfTarget = app::environment().pdfPath;
    switch (printerTarget()) {
    case PrinterTarget::None:
        return fail(QStringLiteral("没有安装打印机"));
    case PrinterTarget::PdfFile:
        if (pdfTarget.isEmpty())
            return fail(QStringLiteral("没有指定PDF文件"));
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdfTarget);
        break;
    case PrinterTarget::SystemDefault: {
        // Without a printer QPrinter would quietly fall back to a PDF file; ask for the default explicitly.
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            return fail(QStringLiteral("没有默认打印机"));
        if (info.state() == QPrinter::Error || info.state() == QPrinter::Aborted)
            return fail(QStringLiteral("打印机“%1”处于错误状态").arg(info.printerName()));
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        if (!printer->isValid() || printer->outputFormat() != QPrinter::NativeFormat)
            return fail(QStringLiteral("打印机“%1”不能使用").arg(info.printerName()));
        break;
    }
    }
    printer->setFullPage(false);
    printer->setCopyCount(1);
    printer->setDocName(documentName);
    return printer;
}

std::unique_ptr<QPrinter> openNamedPrinter(const QString& name, QString* problem) {
    auto fail = [&](const QString& why) {
        if (problem)
            *problem = why;
        return std::unique_ptr<QPrinter>();
    };
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull())
        return fail(QStringLiteral("没有名为“%1”的打印机").arg(name));
    if (info.state() == QPrinter::Error || info.state() == QPrinter::Aborted)
        return fail(QStringLiteral("打印机“%1”处于错误状态").arg(name));
    auto printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    if (!printer->isValid() || printer->outputFormat() != QPrinter::NativeFormat)
        return fail(QStringLiteral("打印机“%1”不能使用").arg(name));
    return printer;
}

QString printerShown(const QPrinter& printer) {
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return QStringLiteral("PDF文件“%1”").arg(QDir::toNativeSeparators(printer.outputFileName()));
    return QStringLiteral("打印机“%1”").arg(printer.printerName());
}

} // namespace vorlan::ui
