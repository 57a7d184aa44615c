#pragma once
// The columns of the customer table Basic_Khgl. Every place that names a customer column takes it
// from here: the table's creation, the store's statements, the list's headers, the record picker's
// rows and the bindings of input points.

#include <QString>
#include <QStringList>

namespace vorlan::customers {

inline constexpr int kFieldCount = 12;
// Field 0 is the name, the customer's identity.
inline constexpr int kNameField = 0;

// The twelve columns in table order; field k of a customer is column k.
inline const QStringList& columns() {
    static const QStringList cols{
        QStringLiteral("客户名称"), QStringLiteral("快捷码"),     QStringLiteral("客户地址"),
        QStringLiteral("邮政编码"), QStringLiteral("联系电话"),   QStringLiteral("传真"),
        QStringLiteral("联系人"),   QStringLiteral("开户行名称"), QStringLiteral("开户行账号"),
        QStringLiteral("开户地址"), QStringLiteral("汇入地省"),   QStringLiteral("汇入地县市"),
    };
    return cols;
}

} // namespace vorlan::customers
