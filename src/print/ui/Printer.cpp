#include "ui/Printer.h"

#include "app/AppState.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QPrinter>
#include <QPrinterInfo>
#include <QRandomGenerator>
#include <QTemporaryFile>

#include <sys/socket.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <utility>
#include <vector>

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

namespace {

// The scheduler's own library, which the printing system has loaded already; only a few of its calls are
// needed, so it is not a build dependency.
struct CupsOption {
    char* name;
    char* value;
};
using CupsPrintFile = int (*)(const char* printer, const char* file, const char* title, int count,
                              CupsOption* options);
using CupsLastError = const char* (*)();

QLibrary& cupsLibrary() {
    static QLibrary cups(QStringLiteral("cups"), 2);
    return cups;
}

// Hands a finished document to the print queue, with the options the printer would have sent itself; the
// queue's number of the job in jobId.
bool submitToQueue(QPrinter& printer, const QString& file, QString* problem, int* jobId) {
    QLibrary& cups = cupsLibrary();
    const auto printFile = reinterpret_cast<CupsPrintFile>(cups.resolve("cupsPrintFile"));
    const auto lastError = reinterpret_cast<CupsLastError>(cups.resolve("cupsLastErrorString"));
    if (!printFile) {
        *problem = QStringLiteral("无法使用打印系统（%1）").arg(cups.errorString());
        return false;
    }
    const QPageLayout layout = printer.pageLayout();
    std::vector<std::pair<QByteArray, QByteArray>> options;
    options.emplace_back("media", layout.pageSize().key().toUtf8());
    if (printer.copyCount() > 1) {
        options.emplace_back("copies", QByteArray::number(printer.copyCount()));
        if (printer.collateCopies())
            options.emplace_back("Collate", "True");
    }
    const bool landscape = layout.orientation() == QPageLayout::Landscape;
    switch (printer.duplex()) {
    case QPrinter::DuplexNone:
        options.emplace_back("sides", "one-sided");
        break;
    case QPrinter::DuplexAuto:
        options.emplace_back("sides", landscape ? "two-sided-short-edge" : "two-sided-long-edge");
        break;
    case QPrinter::DuplexLongSide:
        options.emplace_back("sides", "two-sided-long-edge");
        break;
    case QPrinter::DuplexShortSide:
        options.emplace_back("sides", "two-sided-short-edge");
        break;
    }
    if (landscape)
        options.emplace_back("landscape", "");
    std::vector<CupsOption> raw;
    for (auto& [name, value] : options)
        raw.push_back({name.data(), value.data()});

    // An instance ("queue/instance") only chooses settings; the job goes to the queue itself.
    const QByteArray queue = printer.printerName().section(u'/', 0, 0).toUtf8();
    const int job = printFile(queue.constData(), QFile::encodeName(file).constData(),
                              printer.docName().toUtf8().constData(), int(raw.size()), raw.data());
    if (job > 0) {
        *jobId = job;
        return true;
    }
    *problem = QStringLiteral("打印机“%1”没有接受打印作业（%2）")
                   .arg(printer.printerName(),
                        lastError ? QString::fromUtf8(lastError()) : QStringLiteral("原因不明"));
    return false;
}

} // namespace

SpooledJob::SpooledJob(QPrinter& printer) : printer_(printer) {
    toFile_ = printer.outputFormat() == QPrinter::PdfFormat;
    if (toFile_) {
        // Beside the target, so that putting it in place is a rename, under a name no other job uses.
        target_ = printer.outputFileName();
        QString name;
        do {
            name = QStringLiteral("%1.%2.part")
                       .arg(target_)
                       .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
        } while (QFileInfo::exists(name));
        file_ = name;
    } else {
        // Only the user may read the document: it holds the sheets' values.
        QTemporaryFile temp(QDir::temp().filePath(QStringLiteral("vorlan-job-XXXXXX")));
        temp.setAutoRemove(false);
        if (!temp.open()) {
            problem_ = QStringLiteral("无法建立打印作业的临时文件（%1）").arg(temp.errorString());
            return;
        }
        file_ = temp.fileName();
    }
    // Not ending in .pdf, so that a print queue's printer stays one and only writes the file.
    printer.setOutputFileName(file_);
}

SpooledJob::~SpooledJob() {
    printer_.setOutputFileName(toFile_ ? target_ : QString());
    if (!file_.isEmpty() && (!delivered_ || !toFile_))
        QFile::remove(file_);
}

bool SpooledJob::deliver() {
    if (!isReady())
        return false;
    if (toFile_) {
        // Replaces an earlier file at once, or leaves it as it was.
        if (std::rename(QFile::encodeName(file_).constData(), QFile::encodeName(target_).constData()) != 0) {
            problem_ = QStringLiteral("无法写入PDF文件“%1”").arg(QDir::toNativeSeparators(target_));
            return false;
        }
        delivered_ = true;
        spooledAs_ = {QString(), 0, true};
        return true;
    }
    int jobId = 0;
    delivered_ = submitToQueue(printer_, file_, &problem_, &jobId);
    if (delivered_)
        spooledAs_ = {printer_.printerName().section(u'/', 0, 0), jobId, false};
    return delivered_;
}

namespace {

// A job as the library lists it (cups_job_t).
struct CupsJob {
    int id;
    char* dest;
    char* title;
    char* user;
    char* format;
    int state; // ipp_jstate_t
    int size;
    int priority;
    time_t completedTime;
    time_t creationTime;
    time_t processingTime;
};
using CupsServer = const char* (*)();
using IppPort = int (*)();
using CupsEncryption = int (*)();
using HttpConnect2 = void* (*)(const char* host, int port, void* addresses, int family, int encryption,
                               int blocking, int msec, int* cancel);
using HttpSetTimeout = void (*)(void* http, double seconds, void* callback, void* data);
using HttpClose = void (*)(void* http);
using CupsGetJobs2 = int (*)(void* http, CupsJob** jobs, const char* queue, int ownJobs, int which);
using CupsFreeJobs = void (*)(int count, CupsJob* jobs);

constexpr int kAllJobs = -1; // CUPS_WHICHJOBS_ALL: waiting, held, printing and finished ones

} // namespace

printing::QueueJobs queueJobs(int milliseconds) {
    printing::QueueJobs out;
    if (printerTarget() != PrinterTarget::SystemDefault)
        return out;
    QLibrary& cups = cupsLibrary();
    const auto server = reinterpret_cast<CupsServer>(cups.resolve("cupsServer"));
    const auto port = reinterpret_cast<IppPort>(cups.resolve("ippPort"));
    const auto encryption = reinterpret_cast<CupsEncryption>(cups.resolve("cupsEncryption"));
    const auto connect = reinterpret_cast<HttpConnect2>(cups.resolve("httpConnect2"));
    const auto setTimeout = reinterpret_cast<HttpSetTimeout>(cups.resolve("httpSetTimeout"));
    const auto close = reinterpret_cast<HttpClose>(cups.resolve("httpClose"));
    const auto getJobs = reinterpret_cast<CupsGetJobs2>(cups.resolve("cupsGetJobs2"));
    const auto freeJobs = reinterpret_cast<CupsFreeJobs>(cups.resolve("cupsFreeJobs"));
    if (!server || !port || !encryption || !connect || !setTimeout || !close || !getJobs || !freeJobs) {
        qWarning("printing: the print system cannot be asked about jobs (%s)",
                 qPrintable(cups.errorString()));
        return out;
    }
    // A connection of its own with a time limit: the library's default one would wait half a minute
    // for a scheduler that does not answer.
    QElapsedTimer clock;
    clock.start();
    void* http = connect(server(), port(), nullptr, AF_UNSPEC, encryption(), 1, milliseconds, nullptr);
    if (!http)
        return out;
    const qint64 left = std::max<qint64>(milliseconds - clock.elapsed(), 500);
    setTimeout(http, double(left) / 1000.0, nullptr, nullptr);
    CupsJob* jobs = nullptr;
    const int count = getJobs(http, &jobs, nullptr, 0, kAllJobs);
    for (int i = 0; i < count; ++i)
        out.insert(jobs[i].id, {QString::fromUtf8(jobs[i].dest), printing::jobStateFromIpp(jobs[i].state)});
    if (jobs)
        freeJobs(count, jobs);
    close(http);
    return out;
}

} // namespace vorlan::ui
