#pragma once
// The register's frame "客户详细信息": the twelve edit boxes of one customer with their labels, and
// beside each box the small box of the spreadsheet column it is imported from.

#include "customers/CustomerStore.h"

#include <QGroupBox>
#include <QStringList>

#include <array>

class QLabel;
class QLineEdit;

namespace vorlan::customers {

class CustomerDetails : public QGroupBox {
    Q_OBJECT
public:
    explicit CustomerDetails(QWidget* parent = nullptr);

    // Control arrays: object names "Text_kh", "LabKh", "Text_col", with the index in property "index".
    std::array<QLineEdit*, kFieldCount> Text_kh{};
    std::array<QLabel*, kFieldCount> LabKh{};
    std::array<QLineEdit*, kFieldCount> Text_col{};

    // The boxes' texts as typed, and filling them (a box already holding its text is left alone).
    Customer values() const;
    void setValues(const Customer& c);
    void clear();
    // The column-letter boxes' texts, in field order.
    QStringList letters() const;

signals:
    // Enter in one of the twelve edit boxes; the key goes no further.
    void enterPressed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace vorlan::customers
