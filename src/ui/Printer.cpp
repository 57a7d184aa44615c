#include "ui/Printer.h"

#include "app/AppState.h"

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
        return fail(QStringLiteral("no printer installed"));
    case PrinterTarget::PdfFile:
        if (pdfTarget.isEmpty())
            return fail(QStringLiteral("no PDF file given"));
        printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(pdfTarget);
        break;
    case PrinterTarget::SystemDefault: {
        // Without a printer QPrinter would quietly fall back to a PDF file; ask for the default explicitly.
        const QPrinterInfo info = QPrinterInfo::defaultPrinter();
        if (info.isNull())
            return fail(QStringLiteral("no default printer"));
        if (info.state() == QPrinter::Error || info.state() == QPrinter::Aborted)
            return fail(QStringLiteral("printer %1 reports an error state").arg(info.printerName()));
        printer = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
        if (!printer->isValid() || printer->outputFormat() != QPrinter::NativeFormat)
            return fail(QStringLiteral("printer %1 cannot be used").arg(info.printerName()));
        break;
    }
    }
    printer->setFullPage(false);
    printer->setCopyCount(1);
    printer->setDocName(documentName);
    return printer;
}

} // namespace vorlan::ui
