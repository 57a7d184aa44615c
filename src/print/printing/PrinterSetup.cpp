#include "printing/PrinterSetup.h"

#include "ui/Printer.h"

#include <QPrinter>
#include <QPrinterInfo>
#include <QtDebug>

namespace vorlan::printing {

namespace {

QList<QPageSize> commonSizes() {
    QList<QPageSize> out;
    for (const QPageSize::PageSizeId id :
         {QPageSize::A3, QPageSize::A4, QPageSize::A5, QPageSize::B5, QPageSize::JisB5, QPageSize::Letter,
          QPageSize::Legal, QPageSize::EnvelopeDL, QPageSize::EnvelopeC5})
        out << QPageSize(id);
    return out;
}

} // namespace

void applySettings(QPrinter& printer, const PrintSettings& s, const QList<QPageSize>& printerSizes) {
    const QPageSize size = pageSizeFor(s, printerSizes);
    if (size.isValid() && !printer.setPageSize(size))
        qWarning("printing: %s does not take the paper %s", qPrintable(printer.printerName()),
                 qPrintable(size.name()));
    if (s.orientation)
        printer.setPageOrientation(*s.orientation);
    printer.setFullPage(false);
}

QStringList availablePrinters() {
    if (ui::printerTarget() == ui::PrinterTarget::None)
        return {};
    return QPrinterInfo::availablePrinterNames();
}

QString systemDefaultPrinter() {
    if (ui::printerTarget() == ui::PrinterTarget::None)
        return {};
    return QPrinterInfo::defaultPrinterName();
}

OpenedPrinter openPrinter(const QString& documentName, const PrintSettings& s) {
    OpenedPrinter out;
    const PrinterChoice choice = choosePrinter(s.printer, availablePrinters(), systemDefaultPrinter());
    if (choice.missing) {
        out.missingPrinter = s.printer;
        out.printerUsed = ui::defaultPrinterName();
    }
    // Only a real run prints on the template's own printer; a PDF file or no printer stand for every one.
    if (ui::printerTarget() == ui::PrinterTarget::SystemDefault && !s.printer.isEmpty() && !choice.missing)
        out.printer = ui::openNamedPrinter(s.printer, &out.problem);
    else
        out.printer = ui::openDefaultPrinter(documentName, &out.problem);
    if (!out.printer)
        return out;
    out.printer->setCopyCount(1);
    out.printer->setDocName(documentName);
    applySettings(*out.printer, s, QPrinterInfo(*out.printer).supportedPageSizes());
    return out;
}

QList<QPageSize> printerPageSizes(const QString& printerName) {
    if (ui::printerTarget() != ui::PrinterTarget::None) {
        const QPrinterInfo info =
            printerName.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(printerName);
        const QList<QPageSize> sizes = info.isNull() ? QList<QPageSize>() : info.supportedPageSizes();
        if (!sizes.isEmpty())
            return sizes;
    }
    return commonSizes();
}

QPageSize printerDefaultPageSize(const QString& printerName) {
    if (ui::printerTarget() != ui::PrinterTarget::None) {
        const QPrinterInfo info =
            printerName.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(printerName);
        if (!info.isNull() && info.defaultPageSize().isValid())
            return info.defaultPageSize();
    }
    return QPageSize(QPageSize::A4);
}

PageGeometry previewGeometry(const PrintSettings& s) {
    const OpenedPrinter opened = openPrinter(QStringLiteral("preview"), s);
    if (opened.printer)
        return pageGeometry(opened.printer->pageLayout(), s.origin);
    QPageSize size = pageSizeFor(s, {});
    if (!size.isValid())
        size = QPageSize(QPageSize::A4);
    const QPageLayout layout(size, s.orientation.value_or(QPageLayout::Portrait), QMarginsF());
    return pageGeometry(layout, s.origin);
}

} // namespace vorlan::printing
