#include "customers/CustomerDetails.h"

#include "ui/TwipsLayout.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace vorlan::customers {

namespace {

const char* const kCaptions[kFieldCount] = {
    " 客户名称：", "快捷码：",     "客户地址：",   "邮政编码：", "联系电话：",       "传真：",
    "联系人：",    "开户行名称：", "开户行账号：", "开户地址：", "汇款汇入地(省)：", "汇款汇入地(县/市)：",
};

QLineEdit* edit(QWidget* parent, const QString& name, int index) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setProperty("index", index);
    return e;
}

} // namespace

CustomerDetails::CustomerDetails(QWidget* parent) : QGroupBox(QStringLiteral("客户详细信息"), parent) {
    setObjectName(QStringLiteral("Frame_kh"));
    for (double x : {4120.0, 9100.0}) {
        auto* head = new QLabel(QStringLiteral("列标号"), this);
        head->setAlignment(Qt::AlignCenter);
        head->setStyleSheet(QStringLiteral("color: #1f4e96;"));
        ui::place(head, {ui::Twips(x), 330_tw, 620_tw, 270_tw});
    }
    // Fields 0 to 6 in the left column, 7 to 11 in the right one.
    for (int k = 0; k < kFieldCount; ++k) {
        const bool left = k < 7;
        const double y = 630 + (left ? k : k - 7) * 525;

        LabKh[k] = new QLabel(QString::fromUtf8(kCaptions[k]), this);
        LabKh[k]->setObjectName(QStringLiteral("LabKh"));
        LabKh[k]->setProperty("index", k);
        LabKh[k]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        ui::place(LabKh[k],
                  {ui::Twips(left ? 60 : 4800), ui::Twips(y), ui::Twips(left ? 1260 : 1980), 360_tw});

        Text_kh[k] = edit(this, QStringLiteral("Text_kh"), k);
        Text_kh[k]->installEventFilter(this);
        ui::place(Text_kh[k],
                  {ui::Twips(left ? 1340 : 6800), ui::Twips(y), ui::Twips(left ? 2820 : 2340), 360_tw});

        Text_col[k] = edit(this, QStringLiteral("Text_col"), k);
        Text_col[k]->setText(QString(QChar(u'A' + k)));
        Text_col[k]->setAlignment(Qt::AlignCenter);
        // Set once per import, so Tab passes them by.
        Text_col[k]->setFocusPolicy(Qt::ClickFocus);
        Text_col[k]->installEventFilter(this);
        ui::place(Text_col[k], {ui::Twips(left ? 4220 : 9200), ui::Twips(y), 420_tw, 360_tw});
    }
}

Customer CustomerDetails::values() const {
    Customer c;
    for (int k = 0; k < kFieldCount; ++k)
        c[k] = Text_kh[k]->text();
    return c;
}

void CustomerDetails::setValues(const Customer& c) {
    for (int k = 0; k < kFieldCount; ++k)
        if (Text_kh[k]->text() != c[k])
            Text_kh[k]->setText(c[k]);
}

void CustomerDetails::clear() {
    for (QLineEdit* e : Text_kh)
        e->clear();
}

QStringList CustomerDetails::letters() const {
    QStringList l;
    for (const QLineEdit* e : Text_col)
        l << e->text();
    return l;
}

bool CustomerDetails::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->objectName() == QStringLiteral("Text_kh")) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            emit enterPressed();
            return true;
        }
    } else if (event->type() == QEvent::FocusOut && watched->objectName() == QStringLiteral("Text_col")) {
        // A column letter is shown as the spreadsheet shows it.
        auto* e = static_cast<QLineEdit*>(watched);
        e->setText(e->text().toUpper());
    }
    return QGroupBox::eventFilter(watched, event);
}

} // namespace vorlan::customers
