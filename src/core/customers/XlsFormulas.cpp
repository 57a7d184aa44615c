#include "customers/XlsFormulas.h"

#include "customers/ImportRules.h"

#include <QtEndian>

#include <cstring>

namespace vorlan::customers {

namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFE;
constexpr quint32 kFreeSector = 0xFFFFFFFF;

quint16 u16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(b.constData() + at);
}
quint32 u32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(b.constData() + at);
}

// The streams of an OLE2 compound file, enough to take one stream out of it.
class CompoundFile {
public:
    explicit CompoundFile(const QByteArray& file) : f_(file) {}

    // The stream of that name (ASCII, case ignored) from the root storage; nothing when the file's
    // structure cannot be followed or there is no such stream.
    std::optional<QByteArray> stream(const std::vector<QString>& names) {
        static const char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
        if (f_.size() < 512 || std::memcmp(f_.constData(), kSignature, 8) != 0)
            return std::nullopt;
        const int shift = u16(f_, 0x1E);
        const int miniShift = u16(f_, 0x20);
        if (shift < 7 || shift > 16 || miniShift < 2 || miniShift >= shift)
            return std::nullopt;
        sector_ = qsizetype(1) << shift;
        mini_ = qsizetype(1) << miniShift;
        miniCutoff_ = u32(f_, 0x38);
        if (!readFat())
            return std::nullopt;

        const auto dir = chain(u32(f_, 0x30), fat_, sector_, f_, 0);
        if (!dir)
            return std::nullopt;
        for (qsizetype at = 0; at + 128 <= dir->size(); at += 128) {
            const int nameBytes = u16(*dir, at + 0x40);
            const int type = quint8(dir->at(at + 0x42));
            if (nameBytes < 2 || nameBytes > 64)
                continue;
            const QString name = QString::fromUtf16(reinterpret_cast<const char16_t*>(dir->constData() + at),
                                                    nameBytes / 2 - 1);
            const quint32 start = u32(*dir, at + 0x74);
            const qint64 size = qint64(u32(*dir, at + 0x78)); // the high half is unused below 4 GB
            if (type == 5) {                                  // root: its stream holds the small streams
                rootStart_ = start;
                rootSize_ = size;
                continue;
            }
            if (type != 2)
                continue;
            for (const QString& wanted : names) {
                if (name.compare(wanted, Qt::CaseInsensitive) != 0)
                    continue;
                std::optional<QByteArray> data;
                if (size < miniCutoff_) {
                    const auto miniStream = chain(rootStart_, fat_, sector_, f_, rootSize_);
                    if (!miniStream || !readMiniFat())
                        return std::nullopt;
                    data = chain(start, miniFat_, mini_, *miniStream, size, /*firstAtZero=*/true);
                } else {
                    data = chain(start, fat_, sector_, f_, size);
                }
                return data;
            }
        }
        return std::nullopt;
    }

private:
    bool readFat() {
        std::vector<quint32> fatSectors;
        for (int i = 0; i < 109; ++i) {
            const quint32 s = u32(f_, 0x4C + 4 * i);
            if (s != kFreeSector && s != kEndOfChain)
                fatSectors.push_back(s);
        }
        quint32 difat = u32(f_, 0x44);
        const qsizetype perSector = sector_ / 4;
        for (qsizetype guard = 0; difat != kEndOfChain && difat != kFreeSector; ++guard) {
            const qsizetype at = (qsizetype(difat) + 1) * sector_;
            if (guard > f_.size() / sector_ || at + sector_ > f_.size())
                return false;
            for (qsizetype i = 0; i + 1 < perSector; ++i) {
                const quint32 s = u32(f_, at + 4 * i);
                if (s != kFreeSector && s != kEndOfChain)
                    fatSectors.push_back(s);
            }
            difat = u32(f_, at + sector_ - 4);
        }
        for (quint32 s : fatSectors) {
            const qsizetype at = (qsizetype(s) + 1) * sector_;
            if (at + sector_ > f_.size())
                return false;
            for (qsizetype i = 0; i < perSector; ++i)
                fat_.push_back(u32(f_, at + 4 * i));
        }
        return !fat_.empty();
    }

    bool readMiniFat() {
        if (!miniFat_.empty())
            return true;
        const auto data = chain(u32(f_, 0x3C), fat_, sector_, f_, 0);
        if (!data)
            return false;
        for (qsizetype at = 0; at + 4 <= data->size(); at += 4)
            miniFat_.push_back(u32(*data, at));
        return true;
    }

    // The sectors of a chain joined; size 0 takes the whole chain. Sectors of the file itself sit one
    // place further on (after the header), those of the small-stream area do not.
    std::optional<QByteArray> chain(quint32 start, const std::vector<quint32>& table, qsizetype unit,
                                    const QByteArray& from, qint64 size, bool firstAtZero = false) const {
        QByteArray out;
        quint32 s = start;
        for (size_t steps = 0; s != kEndOfChain; ++steps) {
            if (s >= table.size() || steps > table.size())
                return std::nullopt; // broken or circular
            const qsizetype at = (qsizetype(s) + (firstAtZero ? 0 : 1)) * unit;
            if (at + unit > from.size()) {
                // The last sector of a file may be cut short.
                if (at >= from.size())
                    return std::nullopt;
                out.append(from.constData() + at, from.size() - at);
            } else {
                out.append(from.constData() + at, unit);
            }
            if (size > 0 && out.size() >= size)
                break;
            s = table[s];
        }
        if (size > 0) {
            if (out.size() < size)
                return std::nullopt;
            out.truncate(qsizetype(size));
        }
        return out;
    }

    const QByteArray& f_;
    qsizetype sector_ = 512;
    qsizetype mini_ = 64;
    qint64 miniCutoff_ = 4096;
    std::vector<quint32> fat_;
    std::vector<quint32> miniFat_;
    quint32 rootStart_ = kEndOfChain;
    qint64 rootSize_ = 0;
};

struct Record {
    quint16 id = 0;
    QByteArray data;
};

// The BIFF records of a workbook stream, from a position on.
class Records {
public:
    Records(const QByteArray& stream, qsizetype from) : s_(stream), at_(from) {}
    bool next(Record& r) {
        if (at_ < 0 || at_ + 4 > s_.size())
            return false;
        r.id = u16(s_, at_);
        const quint16 length = u16(s_, at_ + 2);
        if (at_ + 4 + length > s_.size())
            return false;
        r.data = s_.mid(at_ + 4, length);
        at_ += 4 + length;
        return true;
    }
    // The record that next() would give, without taking it.
    quint16 peekId() const { return at_ + 4 <= s_.size() ? u16(s_, at_) : 0; }

private:
    const QByteArray& s_;
    qsizetype at_;
};

constexpr quint16 kBof = 0x0809, kEof = 0x000A, kBoundSheet = 0x0085, kFormula = 0x0006, kString = 0x0207,
                  kContinue = 0x003C;

bool isBof(quint16 id) {
    return id == 0x0809 || id == 0x0409 || id == 0x0209 || id == 0x0009;
}
bool isFormula(quint16 id) {
    return id == kFormula || id == 0x0206 || id == 0x0406;
}

// A BIFF8 string of count characters from at, continued across CONTINUE records (each of which starts
// again with its own flags byte).
std::optional<QString> biff8Chars(const QByteArray& first, qsizetype at, int count, Records& more) {
    QString out;
    QByteArray data = first;
    if (at >= data.size())
        return count == 0 ? std::optional<QString>(out) : std::nullopt;
    bool wide = quint8(data.at(at)) & 0x01;
    ++at;
    while (out.size() < count) {
        if (at >= data.size()) {
            Record c;
            if (more.peekId() != kContinue || !more.next(c) || c.data.isEmpty())
                return std::nullopt;
            data = c.data;
            wide = quint8(data.at(0)) & 0x01;
            at = 1;
            continue;
        }
        if (wide) {
            if (at + 2 > data.size())
                return std::nullopt;
            out += QChar(u16(data, at));
            at += 2;
        } else {
            out += QLatin1Char(data.at(at)); // a compressed string holds Latin-1 bytes
            ++at;
        }
    }
    return out;
}

// A sheet name of a BOUNDSHEET record.
QString sheetName(const QByteArray& d, bool biff8) {
    if (d.size() < 8)
        return QString();
    const int count = quint8(d.at(6));
    if (biff8) {
        const bool wide = quint8(d.at(7)) & 0x01;
        if (wide) {
            if (d.size() < 8 + 2 * count)
                return QString();
            return QString::fromUtf16(reinterpret_cast<const char16_t*>(d.constData() + 8), count);
        }
        return QString::fromLatin1(d.constData() + 8, std::min<qsizetype>(count, d.size() - 8));
    }
    // Older files name sheets in their code page; only the order is relied on then.
    return QString::fromLatin1(d.constData() + 7, std::min<qsizetype>(count, d.size() - 7));
}

// The formula cells of one sheet substream, starting at its BOF record.
void scanSheet(const QByteArray& stream, qsizetype from, bool biff8, XlsSheetFormulas& sheet) {
    Records records(stream, from);
    Record r;
    int depth = 0;
    quint64 pendingString = 0;
    bool waitingForString = false;
    while (records.next(r)) {
        if (isBof(r.id)) {
            ++depth;
            continue;
        }
        if (r.id == kEof) {
            if (--depth <= 0)
                return;
            continue;
        }
        if (depth != 1)
            continue; // an embedded chart
        if (isFormula(r.id) && r.data.size() >= 14) {
            const int row = u16(r.data, 0) + 1;
            const int column = u16(r.data, 2) + 1;
            const quint64 key = XlsSheetFormulas::key(row, column);
            std::optional<QString> value;
            if (u16(r.data, 12) != 0xFFFF) {
                const quint64 bits = qFromLittleEndian<quint64>(r.data.constData() + 6);
                double number = 0;
                std::memcpy(&number, &bits, sizeof number);
                value = numberText(number);
            } else {
                switch (quint8(r.data.at(6))) {
                case 0: // a text; it follows in a STRING record
                    pendingString = key;
                    waitingForString = true;
                    break;
                case 1:
                    value = quint8(r.data.at(8)) ? QStringLiteral("TRUE") : QStringLiteral("FALSE");
                    break;
                default:
                    break; // an error value, or an empty text standing for no result
                }
            }
            sheet.cells.insert(key, value);
        } else if (r.id == kString && waitingForString) {
            waitingForString = false;
            if (r.data.size() < 2)
                continue;
            const int count = u16(r.data, 0);
            std::optional<QString> text;
            if (biff8)
                text = biff8Chars(r.data, 2, count, records);
            else if (r.data.size() >= 2 + count) {
                // An 8-bit text in the file's code page: taken only when it is plain ASCII.
                const QByteArray bytes = r.data.mid(2, count);
                bool ascii = true;
                for (char c : bytes)
                    ascii = ascii && quint8(c) < 0x80;
                if (ascii)
                    text = QString::fromLatin1(bytes);
            }
            if (text)
                sheet.cells.insert(pendingString, text);
        }
    }
}

} // namespace

std::optional<std::vector<XlsSheetFormulas>> scanXlsFormulas(const QByteArray& file) {
    QByteArray stream;
    if (file.size() >= 4 && isBof(u16(file, 0))) {
        stream = file; // an old single-sheet file without the compound wrapper
    } else {
        CompoundFile cf(file);
        auto s = cf.stream({QStringLiteral("Workbook"), QStringLiteral("Book")});
        if (!s)
            return std::nullopt;
        stream = std::move(*s);
    }
    Records records(stream, 0);
    Record r;
    if (!records.next(r) || !isBof(r.id) || r.data.size() < 2)
        return std::nullopt;
    const bool biff8 = r.id == kBof && u16(r.data, 0) == 0x0600;

    std::vector<XlsSheetFormulas> sheets;
    std::vector<quint32> starts;
    while (records.next(r) && r.id != kEof) {
        if (r.id != kBoundSheet || r.data.size() < 6)
            continue;
        starts.push_back(u32(r.data, 0));
        sheets.push_back({sheetName(r.data, biff8), quint8(r.data.at(5)) == 0, {}});
    }
    if (sheets.empty()) {
        // A single sheet: its cells follow the first BOF directly.
        sheets.push_back({QString(), true, {}});
        scanSheet(stream, 0, biff8, sheets.back());
        return sheets;
    }
    for (size_t i = 0; i < sheets.size(); ++i)
        scanSheet(stream, qsizetype(starts[i]), biff8, sheets[i]);
    return sheets;
}

} // namespace vorlan::customers
