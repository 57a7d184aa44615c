#include "templates/TemplateModel.h"

#include <QTest>

using namespace vorlan;
namespace color = templates::color;
using templates::InputPoint;
using templates::Template;

namespace {

// Every role a system colour may map to, each in its own colour, so a wrong role is seen.
const QList<QPalette::ColorRole> kRoles{
    QPalette::Window,      QPalette::WindowText,  QPalette::Base,           QPalette::Text,
    QPalette::Button,      QPalette::ButtonText,  QPalette::Highlight,      QPalette::HighlightedText,
    QPalette::Light,       QPalette::Mid,         QPalette::Dark,           QPalette::Shadow,
    QPalette::ToolTipBase, QPalette::ToolTipText, QPalette::PlaceholderText};

QPalette distinctPalette() {
    QPalette pal;
    for (int i = 0; i < kRoles.size(); ++i)
        pal.setColor(kRoles.at(i), QColor(10 + 15 * i, 7, 200 - 9 * i));
    return pal;
}

InputPoint named(const QString& type, const QString& name) {
    InputPoint p;
    p.type = type;
    p.name = name;
    return p;
}

} // namespace

class TestTemplateModel : public QObject {
    Q_OBJECT
private slots:
    // Stored colours: red in the lowest byte, then green, then blue.
    void encode_data() {
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<qint32>("stored");
        QTest::newRow("black") << QColor(0, 0, 0) << qint32(0);
        QTest::newRow("red") << QColor(255, 0, 0) << qint32(0x0000FF);
        QTest::newRow("green") << QColor(0, 255, 0) << qint32(0x00FF00);
        QTest::newRow("blue") << QColor(0, 0, 255) << qint32(0xFF0000);
        QTest::newRow("yellow") << QColor(255, 255, 0) << qint32(0x00FFFF);
        QTest::newRow("mixed") << QColor(0x12, 0x34, 0x56) << qint32(0x563412);
        QTest::newRow("white") << QColor(255, 255, 255) << qint32(0xFFFFFF);
        // The dialog may answer in another colour model, or with transparency the encoding cannot hold.
        QTest::newRow("given as HSV") << QColor::fromHsv(240, 255, 255) << qint32(0xFF0000);
        QTest::newRow("translucent") << QColor(0x12, 0x34, 0x56, 10) << qint32(0x563412);
    }
    void encode() {
        QFETCH(QColor, colour);
        QFETCH(qint32, stored);
        QCOMPARE(color::encode(colour), stored);
        QVERIFY(!color::isSystem(stored)); // a picked colour is never a system colour
        const QColor rgb = colour.toRgb();
        QCOMPARE(color::decode(stored), QColor(rgb.red(), rgb.green(), rgb.blue())); // back, opaque
    }

    void decode_data() {
        QTest::addColumn<qint32>("stored");
        QTest::addColumn<bool>("system");
        QTest::addColumn<int>("role"); // for a system colour
        QTest::addColumn<QColor>("colour");
        auto rgb = [](const char* name, qint32 v, QColor c) { QTest::newRow(name) << v << false << 0 << c; };
        auto sys = [](const char* name, quint32 v, QPalette::ColorRole r) {
            QTest::newRow(name) << qint32(v) << true << int(r) << QColor();
        };
        rgb("red in the low byte", 0x0000FF, QColor(255, 0, 0));
        rgb("blue in the third byte", 0xFF0000, QColor(0, 0, 255));
        rgb("mixed", 0x563412, QColor(0x12, 0x34, 0x56));
        rgb("top byte without the top bit", 0x7F563412, QColor(0x12, 0x34, 0x56));
        sys("window background", 0x80000005u, QPalette::Base);
        sys("window text", 0x80000008u, QPalette::Text);
        sys("button face", 0x8000000Fu, QPalette::Button);
        sys("button text", 0x80000012u, QPalette::ButtonText);
        sys("highlight", 0x8000000Du, QPalette::Highlight);
        sys("tool tip", 0x80000018u, QPalette::ToolTipBase);
        // An index this program does not know still shows, as a box's background.
        sys("unknown index", 0x800000FEu, QPalette::Base);
        sys("bits beside the index", 0x80FF0008u, QPalette::Text);
    }
    void decode() {
        QFETCH(qint32, stored);
        QFETCH(bool, system);
        QFETCH(int, role);
        QFETCH(QColor, colour);
        QCOMPARE(color::isSystem(stored), system);
        const QPalette pal = distinctPalette();
        const QColor expected = system ? pal.color(QPalette::ColorRole(role)) : colour;
        QCOMPARE(color::decode(stored, pal), expected);
    }

    void defaultsAreSystemColours() {
        QVERIFY(color::isSystem(color::kWindowBackground));
        QVERIFY(color::isSystem(color::kWindowText));
        QVERIFY(color::isSystem(color::kButtonFace));
        QCOMPARE(color::kWindowBackground, qint32(-2147483643)); // as the rows store them
        QCOMPARE(color::kWindowText, qint32(-2147483640));
        const InputPoint p;
        QCOMPARE(p.backColor, color::kWindowBackground);
        QCOMPARE(p.foreColor, color::kWindowText);
    }

    void samePointName_data() {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<bool>("same");
        QTest::newRow("equal") << QStringLiteral("收件人") << QStringLiteral("收件人") << true;
        QTest::newRow("letter case") << QStringLiteral("Tel") << QStringLiteral("TEL") << true;
        QTest::newRow("different") << QStringLiteral("收件人") << QStringLiteral("寄件人") << false;
        QTest::newRow("a blank more") << QStringLiteral("Tel") << QStringLiteral("Tel ") << false;
        QTest::newRow("prefix") << QStringLiteral("电话") << QStringLiteral("电话1") << false;
    }
    void samePointName() {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(bool, same);
        QCOMPARE(templates::samePointName(a, b), same);
        QCOMPARE(templates::samePointName(b, a), same);
    }

    void hasName_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("has");
        QTest::newRow("single-line") << QStringLiteral("收件人") << true;
        QTest::newRow("multi-line") << QStringLiteral("备注") << true;
        QTest::newRow("deleted keeps its name") << QStringLiteral("电话") << true;
        QTest::newRow("letter case") << QStringLiteral("TEL") << true;
        QTest::newRow("beyond the count") << QStringLiteral("幽灵") << false;
        QTest::newRow("unknown") << QStringLiteral("件数") << false;
        QTest::newRow("empty slots do not count") << QString() << false;
    }
    void hasName() {
        QFETCH(QString, name);
        QFETCH(bool, has);
        Template t;
        t.single.append(named(templates::type::SingleLine, QStringLiteral("收件人")));
        t.single.append(named(QString(), QStringLiteral("电话")));
        t.single.append(InputPoint()); // a gap
        t.single.append(named(templates::type::Number, QStringLiteral("Tel")));
        t.single[5] = named(templates::type::Number, QStringLiteral("幽灵")); // not counted
        t.multi.append(named(templates::type::MultiLine, QStringLiteral("备注")));
        QCOMPARE(t.hasName(name), has);
    }
};

QTEST_MAIN(TestTemplateModel)
#include "tst_templatemodel.moc"
