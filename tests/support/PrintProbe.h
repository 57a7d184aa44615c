#pragma once
// Reading printed output back: glyph boxes from a PDF (pdftotext -bbox) and rasterised pages (pdftoppm).

#include <QColor>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QList>
#include <QProcess>
#include <QRect>
#include <QRegularExpression>
#include <QSizeF>
#include <QStandardPaths>
#include <QString>
#include <QTemporaryDir>
#include <QXmlStreamReader>

namespace probe {

struct Word {
    QString text;
    double xMin = 0, yMin = 0, xMax = 0, yMax = 0; // points from the page's top-left corner
};

struct PdfText {
    int pages = 0;
    QList<Word> words;
    QString error;
};

inline bool haveTool(const QString& name) {
    return !QStandardPaths::findExecutable(name).isEmpty();
}

// Runs a tool to its end (at most 30 s): its standard output, and in exitCode its exit code (-1: it
// crashed or did not finish).
inline QString run(const QString& program, const QStringList& args, int* exitCode = nullptr) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(30000);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}

inline PdfText readWords(const QString& pdf) {
    PdfText out;
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) {
        out.error = QString::fromLocal8Bit(p.readAllStandardError());
        return out;
    }
    QXmlStreamReader xml(p.readAllStandardOutput());
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("page")) {
            ++out.pages;
        } else if (xml.name() == QLatin1String("word")) {
            Word w;
            const auto a = xml.attributes();
            w.xMin = a.value(QLatin1String("xMin")).toDouble();
            w.yMin = a.value(QLatin1String("yMin")).toDouble();
            w.xMax = a.value(QLatin1String("xMax")).toDouble();
            w.yMax = a.value(QLatin1String("yMax")).toDouble();
            w.text = xml.readElementText();
            out.words << w;
        }
    }
    if (xml.hasError())
        out.error = xml.errorString();
    return out;
}

// The number of pages pdfinfo reports; -1 when it cannot be read.
inline int pdfPages(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    if (!p.waitForFinished(30000))
        return -1;
    for (const QString& line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n'))
        if (line.startsWith(QLatin1String("Pages:")))
            return line.mid(6).trimmed().toInt();
    return -1;
}

// The size of the first page as pdfinfo reports it, in points; invalid when it cannot be read.
inline QSizeF pageSize(const QString& pdf) {
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    const QString info = QString::fromLocal8Bit(p.readAllStandardOutput());
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("Page size:\\s*([0-9.]+) x ([0-9.]+) pts")).match(info);
    if (!m.hasMatch())
        return {};
    return QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
}

// The first page of a PDF as an image at the given resolution; a null image when it cannot be read.
inline QImage rasterise(const QString& pdf, int dpi) {
    QTemporaryDir dir;
    const QString base = dir.filePath(QStringLiteral("page"));
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-f"),
                                         QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                         QStringLiteral("-gray"), QStringLiteral("-singlefile"), pdf, base});
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return {};
    return QImage(base + QStringLiteral(".pgm"));
}

// The bounding box of ink (pixels darker than mid-grey) inside a region; empty when there is none.
inline QRect inkBox(const QImage& image, const QRect& region) {
    const QImage img = image.convertToFormat(QImage::Format_Grayscale8);
    const QRect r = region.intersected(img.rect());
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const uchar* line = img.constScanLine(y);
        for (int x = r.left(); x <= r.right(); ++x) {
            if (line[x] >= 128)
                continue;
            left = qMin(left, x);
            right = qMax(right, x);
            top = qMin(top, y);
            bottom = qMax(bottom, y);
        }
    }
    if (right < 0)
        return {};
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

} // namespace probe
