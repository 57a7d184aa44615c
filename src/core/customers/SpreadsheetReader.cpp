#include "customers/SpreadsheetReader.h"

#include "customers/ImportRules.h"
#include "customers/XlsFormulas.h"

#include <QFile>
#include <QFileInfo>

#include <freexl.h>

#include <algorithm>
#include <cmath>
#include <map>

namespace vorlan::customers {

namespace {

// Owns a FreeXL handle; FreeXL wants freexl_close even after a failed open.
struct HandleCloser {
    void operator()(const void* h) const {
        if (h)
            freexl_close(h);
    }
};
using Handle = std::unique_ptr<const void, HandleCloser>;

QString openFailure(const QString& path, int code) {
    const QString name = QFileInfo(path).fileName();
    if (code == FREEXL_FILE_NOT_FOUND)
        return QStringLiteral("找不到文件“%1”，或者无法读取它，请检查！").arg(name);
    if (code == FREEXL_INSUFFICIENT_MEMORY)
        return QStringLiteral("内存不足，无法打开文件“%1”！").arg(name);
    return QStringLiteral("文件“%1”不是可读取的Excel文件（*.xls）。较新版本的Excel文件请先另存为"
                          "Excel 97-2003 工作簿（*.xls）格式，再来读取！")
        .arg(name);
}

// Which scanned sheet holds the formulas of each of the reader's sheets: by position when the two
// lists agree in length, by name otherwise; -1 for a sheet without a match.
std::vector<int> matchSheets(const QStringList& names, const std::vector<XlsSheetFormulas>& scanned) {
    std::vector<int> all, worksheets;
    for (int i = 0; i < int(scanned.size()); ++i) {
        all.push_back(i);
        if (scanned[size_t(i)].worksheet)
            worksheets.push_back(i);
    }
    if (all.size() == size_t(names.size()))
        return all;
    if (worksheets.size() == size_t(names.size()))
        return worksheets;
    std::vector<int> byName;
    for (const QString& n : names) {
        auto it = std::find_if(scanned.begin(), scanned.end(),
                               [&](const XlsSheetFormulas& f) { return f.name == n; });
        byName.push_back(it == scanned.end() ? -1 : int(it - scanned.begin()));
    }
    return byName;
}

class FreeXlReader final : public SpreadsheetReader {
public:
    FreeXlReader(Handle h, QString fileName, QStringList sheets, std::vector<XlsSheetFormulas> formulas,
                 std::vector<int> match)
        : h_(std::move(h)), fileName_(std::move(fileName)), sheets_(std::move(sheets)),
          formulas_(std::move(formulas)), match_(std::move(match)) {
        select(0);
        usedRows_ = activeRows_;
        usedColumns_ = activeColumns_;
    }

    int usedRows() const override { return usedRows_; }
    int usedColumns() const override { return usedColumns_; }

    QString cellText(const QString& sheet, int row, int column) override {
        selectNamed(sheet);
        // FreeXL counts rows and columns from 0.
        if (row < 1 || column < 1 || row > activeRows_ || column > activeColumns_)
            return QString();
        FreeXL_CellValue cell;
        const int rc = freexl_get_cell_value(h_.get(), unsigned(row - 1),
                                             static_cast<unsigned short>(column - 1), &cell);
        if (rc == FREEXL_ILLEGAL_CELL_ROW_COL)
            return QString();
        if (rc != FREEXL_OK)
            throw SpreadsheetError(
                SpreadsheetError::Kind::Read,
                QStringLiteral("读取第%1行第%2列的单元格失败（错误%3）").arg(row).arg(column).arg(rc));
        if (cell.type == FREEXL_CELL_NULL) {
            // The cell library skips formulas; their stored results come from the scan.
            if (const auto* f = formulasOf(active_).find(row, column); f && *f)
                return **f;
            return QString();
        }
        switch (cell.type) {
        case FREEXL_CELL_INT:
            return QString::number(cell.value.int_value);
        case FREEXL_CELL_DOUBLE:
            return numberText(cell.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME: {
            const QString text = cell.value.text_value ? QString::fromUtf8(cell.value.text_value) : QString();
            if (text.size() > kMaxCellText)
                throw cellTooLong(fileName_, sheets_.value(active_), row, column);
            return text;
        }
        default:
            return QString();
        }
    }

    QStringList sheetNames() const override { return sheets_; }
    int rowCount(const QString& sheet) override {
        selectNamed(sheet);
        return activeRows_;
    }
    int columnCount(const QString& sheet) override {
        selectNamed(sheet);
        return activeColumns_;
    }

    // A .xls file holds numbers as binary doubles only: beyond 2^53 their last digits are not there.
    std::vector<CellRef> impreciseCells(const QString& sheet) override {
        selectNamed(sheet);
        auto found = imprecise_.find(active_);
        if (found != imprecise_.end())
            return found->second;
        std::vector<CellRef> out;
        for (int r = 0; r < activeRows_; ++r)
            for (int c = 0; c < activeColumns_; ++c) {
                FreeXL_CellValue cell;
                if (freexl_get_cell_value(h_.get(), unsigned(r), static_cast<unsigned short>(c), &cell) ==
                        FREEXL_OK &&
                    cell.type == FREEXL_CELL_DOUBLE &&
                    std::fabs(cell.value.double_value) > 9007199254740992.0 &&
                    std::fabs(cell.value.double_value) < 1e300 &&
                    std::floor(cell.value.double_value) == cell.value.double_value)
                    out.push_back({r + 1, c + 1});
            }
        imprecise_.emplace(active_, out);
        return out;
    }

    std::vector<CellRef> unreadableCells(const QString& sheet) override {
        const int index = sheetIndex(sheet);
        if (index < 0)
            throw SpreadsheetError(SpreadsheetError::Kind::NoSuchSheet,
                                   QStringLiteral("工作表“%1”不存在").arg(sheet));
        std::vector<CellRef> out;
        const XlsSheetFormulas& f = formulasOf(index);
        for (auto it = f.cells.constBegin(); it != f.cells.constEnd(); ++it)
            if (!it.value())
                out.push_back({int(it.key() >> 32), int(it.key() & 0xffffffffu)});
        std::sort(out.begin(), out.end(), [](const CellRef& a, const CellRef& b) {
            return a.row != b.row ? a.row < b.row : a.column < b.column;
        });
        return out;
    }

private:
    void selectNamed(const QString& sheet) {
        const int index = sheetIndex(sheet);
        if (index < 0)
            throw SpreadsheetError(SpreadsheetError::Kind::NoSuchSheet,
                                   QStringLiteral("工作表“%1”不存在").arg(sheet));
        if (index != active_)
            select(index);
    }

    const XlsSheetFormulas& formulasOf(int index) const {
        static const XlsSheetFormulas none;
        const int m = size_t(index) < match_.size() ? match_[size_t(index)] : -1;
        return m >= 0 ? formulas_[size_t(m)] : none;
    }

    int sheetIndex(const QString& name) const {
        if (name == lastName_)
            return lastIndex_;
        for (int i = 0; i < sheets_.size(); ++i) {
            if (sheets_.at(i).compare(name, Qt::CaseInsensitive) == 0) {
                lastName_ = name;
                lastIndex_ = i;
                return i;
            }
        }
        return -1;
    }

    void select(int index) {
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_select_active_worksheet(h_.get(), static_cast<unsigned short>(index)) != FREEXL_OK ||
            freexl_worksheet_dimensions(h_.get(), &rows, &columns) != FREEXL_OK)
            throw SpreadsheetError(SpreadsheetError::Kind::Read,
                                   QStringLiteral("无法读取工作表“%1”").arg(sheets_.value(index)));
        active_ = index;
        activeRows_ = int(rows);
        activeColumns_ = columns;
    }

    Handle h_;
    QString fileName_;
    QStringList sheets_;
    std::map<int, std::vector<CellRef>> imprecise_; // per sheet, once found
    std::vector<XlsSheetFormulas> formulas_;
    std::vector<int> match_;
    int usedRows_ = 0;
    int usedColumns_ = 0;
    int active_ = -1;
    int activeRows_ = 0;
    int activeColumns_ = 0;
    mutable QString lastName_;
    mutable int lastIndex_ = -1;
};

} // namespace

SpreadsheetFormat spreadsheetFormat(const QString& path) {
    QFile file(path);
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray head = file.read(8);
        if (head.startsWith("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1"))
            return SpreadsheetFormat::Xls;
        if (head.startsWith("PK\x03\x04"))
            return SpreadsheetFormat::Xlsx;
    }
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"xls")
        return SpreadsheetFormat::Xls;
    if (suffix == u"xlsx" || suffix == u"xlsm")
        return SpreadsheetFormat::Xlsx;
    return SpreadsheetFormat::Csv;
}

std::unique_ptr<SpreadsheetReader> openSpreadsheet(const QString& path) {
    if (!QFileInfo::exists(path))
        throw SpreadsheetError(
            SpreadsheetError::Kind::CannotOpen,
            QStringLiteral("找不到文件“%1”，或者无法读取它，请检查！").arg(QFileInfo(path).fileName()));
    switch (spreadsheetFormat(path)) {
    case SpreadsheetFormat::Xls:
        return openXls(path);
    case SpreadsheetFormat::Xlsx:
        return openXlsx(path);
    case SpreadsheetFormat::Csv:
        break;
    }
    return openCsv(path);
}

QString spreadsheetFilter() {
    // The patterns ignore case, as the file names of the other platform do.
    return QStringLiteral("电子表格Excel文件(*.[xX][lL][sS] *.[xX][lL][sS][xX] *.[cC][sS][vV])");
}

std::unique_ptr<SpreadsheetReader> openXls(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    const void* raw = nullptr;
    const int rc = freexl_open(native.constData(), &raw);
    Handle h(raw);
    if (rc != FREEXL_OK)
        throw SpreadsheetError(SpreadsheetError::Kind::CannotOpen, openFailure(path, rc));

    unsigned int info = 0;
    if (freexl_get_info(h.get(), FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED)
        throw SpreadsheetError(
            SpreadsheetError::Kind::CannotOpen,
            QStringLiteral("文件“%1”设有密码保护，无法读取！").arg(QFileInfo(path).fileName()));
    unsigned int count = 0;
    if (freexl_get_info(h.get(), FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK || count == 0)
        throw SpreadsheetError(SpreadsheetError::Kind::CannotOpen,
                               QStringLiteral("文件“%1”内没有工作表！").arg(QFileInfo(path).fileName()));
    QStringList sheets;
    for (unsigned int i = 0; i < count && i < 65536; ++i) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(h.get(), static_cast<unsigned short>(i), &name) != FREEXL_OK)
            name = nullptr;
        sheets << (name ? QString::fromUtf8(name) : QString());
    }
    // The formulas are found by a scan of the file itself; a file whose formulas cannot be found is
    // refused rather than read with its formula cells silently empty.
    QFile file(path);
    std::optional<std::vector<XlsSheetFormulas>> formulas;
    if (file.open(QIODevice::ReadOnly))
        formulas = scanXlsFormulas(file.readAll());
    file.close();
    std::vector<int> match;
    if (formulas)
        match = matchSheets(sheets, *formulas);
    if (!formulas || std::find(match.begin(), match.end(), -1) != match.end())
        throw SpreadsheetError(
            SpreadsheetError::Kind::CannotOpen,
            QStringLiteral("文件“%1”的内部结构无法识别，读不出其中的公式单元格。请在Excel中把它另存为"
                           "Excel 97-2003 工作簿（*.xls）格式，再来读取！")
                .arg(QFileInfo(path).fileName()));
    try {
        return std::make_unique<FreeXlReader>(std::move(h), QFileInfo(path).fileName(), sheets,
                                              std::move(*formulas), std::move(match));
    } catch (const SpreadsheetError& e) {
        throw SpreadsheetError(SpreadsheetError::Kind::CannotOpen, e.description());
    }
}

} // namespace vorlan::customers
