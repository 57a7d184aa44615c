#include "customers/SpreadsheetReader.h"

#include "customers/ImportRules.h"

#include <QFile>
#include <QFileInfo>

#include <freexl.h>

namespace vorlan::customers {

namespace {

// Owns a FreeXL handle; FreeXL wants freexl_close even after a failed open.
struct HandleCloser {
    void operator()(const void* h) const
    {
        if (h) freexl_close(h);
    }
};
using Handle = std::unique_ptr<const void, HandleCloser>;

QString openFailure(const QString& path, int code)
{
    const QString name = QFileInfo(path).fileName();
    if (code == FREEXL_FILE_NOT_FOUND)
        return QStringLiteral("找不到文件“%1”，或者无法读取它，请检查！").arg(name);
    if (code == FREEXL_INSUFFICIENT_MEMORY)
        return QStringLiteral("内存不足，无法打开文件“%1”！").arg(name);
    return QStringLiteral("文件“%1”不是可读取的Excel文件（*.xls）。较新版本的Excel文件请先另存为"
                          "Excel 97-2003 工作簿（*.xls）格式，再来读取！")
        .arg(name);
}

class FreeXlReader final : public SpreadsheetReader {
public:
    FreeXlReader(Handle h, QStringList sheets)
        : h_(std::move(h)), sheets_(std::move(sheets))
    {
        select(0);
        usedRows_ = activeRows_;
        usedColumns_ = activeColumns_;
    }

    int usedRows() const override { return usedRows_; }
    int usedColumns() const override { return usedColumns_; }

    QString cellText(const QString& sheet, int row, int column) override
    {
        const int index = sheetIndex(sheet);
        if (index < 0)
            throw SpreadsheetError(SpreadsheetError::Kind::NoSuchSheet,
                                   QStringLiteral("工作表“%1”不存在").arg(sheet));
        if (index != active_) select(index);
        // FreeXL counts rows and columns from 0.
        if (row < 1 || column < 1 || row > activeRows_ || column > activeColumns_) return QString();
        FreeXL_CellValue cell;
        const int rc = freexl_get_cell_value(h_.get(), unsigned(row - 1), static_cast<unsigned short>(column - 1), &cell);
        if (rc == FREEXL_ILLEGAL_CELL_ROW_COL) return QString();
        if (rc != FREEXL_OK)
            throw SpreadsheetError(SpreadsheetError::Kind::Read,
                                   QStringLiteral("读取第%1行第%2列的单元格失败（错误%3）").arg(row).arg(column).arg(rc));
        switch (cell.type) {
        case FREEXL_CELL_INT: return QString::number(cell.value.int_value);
        case FREEXL_CELL_DOUBLE: return numberText(cell.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME: return cell.value.text_value ? QString::fromUtf8(cell.value.text_value) : QString();
        default: return QString();
        }
    }

private:
    int sheetIndex(const QString& name) const
    {
        if (name == lastName_) return lastIndex_;
        for (int i = 0; i < sheets_.size(); ++i) {
            if (sheets_.at(i).compare(name, Qt::CaseInsensitive) == 0) {
                lastName_ = name;
                lastIndex_ = i;
                return i;
            }
        }
        return -1;
    }

    void select(int index)
    {
        unsigned int rows = 0;
        unsigned short columns = 0;
        if (freexl_select_active_worksheet(h_.get(), static_cast<unsigned short>(index)) != FREEXL_OK
            || freexl_worksheet_dimensions(h_.get(), &rows, &columns) != FREEXL_OK)
            throw SpreadsheetError(SpreadsheetError::Kind::Read,
                                   QStringLiteral("无法读取工作表“%1”").arg(sheets_.value(index)));
        active_ = index;
        activeRows_ = int(rows);
        activeColumns_ = columns;
    }

    Handle h_;
    QStringList sheets_;
    int usedRows_ = 0;
    int usedColumns_ = 0;
    int active_ = -1;
    int activeRows_ = 0;
    int activeColumns_ = 0;
    mutable QString lastName_;
    mutable int lastIndex_ = -1;
};

} // namespace

std::unique_ptr<SpreadsheetReader> openSpreadsheet(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    const void* raw = nullptr;
    const int rc = freexl_open(native.constData(), &raw);
    Handle h(raw);
    if (rc != FREEXL_OK) throw SpreadsheetError(SpreadsheetError::Kind::CannotOpen, openFailure(path, rc));

    unsigned int info = 0;
    if (freexl_get_info(h.get(), FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED)
        throw SpreadsheetError(SpreadsheetError::Kind::CannotOpen,
                               QStringLiteral("文件“%1”设有密码保护，无法读取！").arg(QFileInfo(path).fileName()));
    unsigned int count = 0;
    if (freexl_get_info(h.get(), FREEXL_BIFF_SHEET_COUNT, &count) != FREEXL_OK || count == 0)
        throw SpreadsheetError(SpreadsheetError::Kind::CannotOpen,
                               QStringLiteral("文件“%1”内没有工作表！").arg(QFileInfo(path).fileName()));
    QStringList sheets;
    for (unsigned int i = 0; i < count && i < 65536; ++i) {
        const char* name = nullptr;
        if (freexl_get_worksheet_name(h.get(), static_cast<unsigned short>(i), &name) != FREEXL_OK) name = nullptr;
        sheets << (name ? QString::fromUtf8(name) : QString());
    }
    try {
        return std::make_unique<FreeXlReader>(std::move(h), sheets);
    } catch (const SpreadsheetError& e) {
        throw SpreadsheetError(SpreadsheetError::Kind::CannotOpen, e.description());
    }
}

} // namespace vorlan::customers
