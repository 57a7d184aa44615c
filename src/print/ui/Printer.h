#pragma once
// The seam to the printing system: the system's default printer, or for tests a PDF file or no printer
// at all. Pages are laid out in twips from the corner of the printable area.

#include "printing/PrintJobStore.h"
#include "printing/PrintOutcome.h"
#include "ui/PrinterTarget.h"

#include <QString>

#include <memory>

class QPrinter;

namespace vorlan::ui {

// Where pages go in this run (app::Environment::printer; SystemDefault normally).
PrinterTarget printerTarget();

// The name of the default printer, or an empty text when there is none.
QString defaultPrinterName();

// A printer for one job on the default printer: high resolution, coordinates from the corner of the
// printable area, the printer's own paper and orientation, one copy. No printer when there is no default
// printer or it reports an error; problem then says why (for the log, the user sees one fixed message).
std::unique_ptr<QPrinter> openDefaultPrinter(const QString& documentName, QString* problem = nullptr);

// A named printer (a print queue), checked as the default one is; the caller sets paper and job.
std::unique_ptr<QPrinter> openNamedPrinter(const QString& name, QString* problem = nullptr);

// Where a job goes, for a message: 打印机“name”, or PDF文件“path” for a PDF file.
QString printerShown(const QPrinter& printer);

// The document of one print job, drawn into a file of its own so that nothing reaches the printer before
// every page is drawn: a job cancelled or failed halfway sends nothing (the printer cannot take back
// pages it was given). While it lives, the printer draws into that file: a temporary file for a print
// queue, a new name beside the target for a PDF file. deliver(), after the painter has ended, hands it
// over: to the queue with the printer's paper, orientation, sides and copies, or in the PDF file's place.
// Undelivered, it leaves no file and no job behind. Made before painting begins.
class SpooledJob {
public:
    explicit SpooledJob(QPrinter& printer);
    ~SpooledJob();
    SpooledJob(const SpooledJob&) = delete;
    SpooledJob& operator=(const SpooledJob&) = delete;

    // Whether the job's file could be set up; problem says why not.
    bool isReady() const { return !file_.isEmpty(); }
    const QString& problem() const { return problem_; }
    // Hands the drawn document over; false with the cause in problem() when it could not be.
    bool deliver();
    // Where the delivered document went: the queue and the number it gave the job, or a PDF file.
    const printing::SpooledAs& spooledAs() const { return spooledAs_; }

private:
    QPrinter& printer_;
    bool toFile_ = false;
    QString target_; // a PDF file: the file the job is for
    QString file_;   // the job's own file
    QString problem_;
    bool delivered_ = false;
    printing::SpooledAs spooledAs_;
};

// The time the print system is given to say what became of the jobs: to connect, and for its answer.
inline constexpr int kJobQueryMilliseconds = 2500;

// What the print system (CUPS) says of the jobs it was given, of every queue and every user, finished
// ones included as far as it still keeps them (it forgets the oldest); a job it no longer knows is left
// out. Nothing at all when pages go to a PDF file or nowhere in this run, or when the print system cannot
// be reached or does not answer within the time (the scheduler stopped, a server gone): it never waits
// much longer than that.
printing::QueueJobs queueJobs(int milliseconds = kJobQueryMilliseconds);

} // namespace vorlan::ui
