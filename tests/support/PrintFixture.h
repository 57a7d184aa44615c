#pragma once
// Template rows written straight into the tables, for the print window's tests, benchmark and screenshots.

#include "data/Sql.h"
#include "templates/TemplateModel.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>

namespace vorlan::test::printfixture {

struct Row {
    QString type;
    QString name;
    QString binding;
    int slot = 1;
    float x = 0, y = 0, w = 2055, h = 315;
    float fontSize = 9;
    bool bold = false;
    qint32 back = templates::color::kWindowBackground;
    qint32 fore = templates::color::kWindowText;
    QString font = QStringLiteral("宋体");
};

inline void addRow(const QSqlDatabase& db, const QString& tmpl, const Row& r) {
    data::exec(db,
               QStringLiteral(
                   "INSERT INTO mobanxywh (mobanname, textLX, textName, lockZiduan, textNumes, X, Y, W, H, "
                   "Font, FontSize, FontItalic, FontBold, FontUnderline, BackColor, ForeColor) "
                   "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 0, ?, 0, ?, ?)"),
               {tmpl, r.type, r.name, r.binding, r.slot, r.x, r.y, r.w, r.h, r.font, r.fontSize,
                r.bold ? 1 : 0, r.back, r.fore});
}

inline void addBackground(const QSqlDatabase& db, const QString& tmpl, float x, float y, float w, float h) {
    data::exec(
        db, QStringLiteral("INSERT INTO mobanxywh (mobanname, textLX, X, Y, W, H) VALUES (?, ?, ?, ?, ?, ?)"),
        {tmpl, templates::type::Background, x, y, w, h});
}

inline void addHeader(const QSqlDatabase& db, const QString& tmpl, const QByteArray& picture, int allup = 0,
                      int allleft = 0) {
    data::exec(db,
               QStringLiteral("INSERT INTO moban (mobanname, backimage, allup, allleft) VALUES (?, ?, ?, ?)"),
               {tmpl, picture.isNull() ? QVariant(QMetaType(QMetaType::QByteArray)) : QVariant(picture),
                allup, allleft});
}

inline QByteArray encode(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format, quality);
    return bytes;
}

// A small valid PNG padded with zero bytes to exactly `size` bytes (decoders ignore what follows the end).
inline QByteArray paddedPng(int size) {
    QImage img(8, 8, QImage::Format_RGB32);
    img.fill(QColor(200, 30, 30));
    QByteArray bytes = encode(img, "PNG");
    if (bytes.size() < size)
        bytes.append(QByteArray(size - bytes.size(), '\0'));
    return bytes;
}

// A scan-like JPEG of about `targetBytes`: a ruled form with fine grain, as a scanner delivers it.
inline QByteArray scanJpeg(int targetBytes) {
    const int w = 3508, h = 2480; // A4 landscape at 300 dpi
    QImage img(w, h, QImage::Format_RGB32);
    QRandomGenerator rng(42);
    for (int y = 0; y < h; ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const int g = 235 + int(rng.bounded(20));
            line[x] = qRgb(g, g - 8, g - 30);
        }
    }
    {
        QPainter p(&img);
        p.setPen(QPen(QColor(180, 40, 40), 4));
        for (int y = 200; y < h; y += 160)
            p.drawLine(100, y, w - 100, y);
        for (int x = 100; x < w; x += 700)
            p.drawLine(x, 200, x, h - 200);
    }
    // Quality chosen so the file lands near the target size.
    QByteArray best;
    for (int q = 60; q <= 100; q += 5) {
        best = encode(img, "JPEG", q);
        if (best.size() >= targetBytes)
            break;
    }
    return best;
}

} // namespace vorlan::test::printfixture
