#include "templates/PointRules.h"
#include "templates/TemplateStore.h"

#include <QTest>

using namespace vorlan;
using namespace Qt::StringLiterals;
using templates::Family;
using templates::InputPoint;
using templates::PointDraft;
using templates::PointStyle;
using templates::Template;

namespace {

const QString kResult = QStringLiteral("操作结果报告");
const QString kNoName = QStringLiteral("请您填写“输入点名称”，谢谢！ ");
const QString kNoType = QStringLiteral("请您选择“输入点类型”，谢谢！ ");
const QString kReserved =
    QStringLiteral("输入点名称不能是“打印日期”，它是打印记录表的日期列，请您重新填写“输入点名称”，谢谢！ ");
const QString kSingleFull =
    QStringLiteral("单行输入点（除“文本多行”以外的各类）最多 100 个，已经满了，不能再新增！ ");
const QString kMultiFull = QStringLiteral("多行输入点最多 100 个，已经满了，不能再新增多行输入点！ ");
const QString kSelectFirst = QStringLiteral("请您选择要修改的输入点 或 背景图片，再做相应的修改！ ");

QString taken(const QString& name) {
    return QStringLiteral("输入点名称：") + name +
           QStringLiteral("，已存在了， 请您重新填写“输入点名称”，谢谢！ ");
}

QString control(int at, const QString& code) {
    return QStringLiteral(
               "输入点名称的第%1个字符是控制字符（代码U+%2），名称中不能有控制字符，请您重新填写输入点名称！")
        .arg(at)
        .arg(code);
}

InputPoint point(const QString& type, const QString& name) {
    InputPoint p;
    p.type = type;
    p.name = name;
    return p;
}

// 收件人 and a deleted Tel (its name kept) in the single-line family, 备注 in the multi-line one;
// optionally one family filled up to its last slot.
Template sample(const QString& fullFamily = QString()) {
    Template t;
    t.name = QStringLiteral("运单");
    t.single.append(point(templates::type::SingleLine, QStringLiteral("收件人")));
    t.single.append(point(QString(), QStringLiteral("Tel")));
    t.multi.append(point(templates::type::MultiLine, QStringLiteral("备注")));
    if (fullFamily == QStringLiteral("single"))
        while (!t.single.isFull())
            t.single.append(point(templates::type::Number, QStringLiteral("号%1").arg(t.single.count)));
    if (fullFamily == QStringLiteral("multi"))
        while (!t.multi.isFull())
            t.multi.append(point(templates::type::MultiLine, QStringLiteral("行%1").arg(t.multi.count)));
    return t;
}

PointStyle bigRedSample() {
    PointStyle s;
    s.font = QFont(QStringLiteral("黑体"));
    s.font.setPointSizeF(14);
    s.font.setBold(true);
    s.font.setUnderline(true);
    s.back = 0x00FFFF;
    s.fore = 0x0000FF;
    return s;
}

} // namespace

class TestPointRules : public QObject {
    Q_OBJECT
private slots:
    void checkNewPoint_data() {
        QTest::addColumn<QString>("full"); // which family is full: "single", "multi" or neither
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("refusal"); // empty: the point may be added
        const QString single = templates::type::SingleLine, multi = templates::type::MultiLine;
        QTest::newRow("accepted") << QString() << QStringLiteral("电话") << templates::type::Number
                                  << QString();
        QTest::newRow("accepted multi-line") << QString() << QStringLiteral("附言") << multi << QString();
        QTest::newRow("empty name") << QString() << QString() << single << kNoName;
        QTest::newRow("empty name before the type") << QString() << QString() << QString() << kNoName;
        QTest::newRow("same name") << QString() << QStringLiteral("收件人") << single
                                   << taken(QStringLiteral("收件人"));
        QTest::newRow("name of the other family")
            << QString() << QStringLiteral("备注") << single << taken(QStringLiteral("备注"));
        QTest::newRow("name of a deleted point")
            << QString() << QStringLiteral("Tel") << single << taken(QStringLiteral("Tel"));
        // Log table columns do not tell letter case apart; the message repeats the name as typed.
        QTest::newRow("other letter case")
            << QString() << QStringLiteral("TEL") << single << taken(QStringLiteral("TEL"));
        QTest::newRow("a blank more is another name")
            << QString() << QStringLiteral("收件人 ") << single << QString();
        QTest::newRow("taken before the type")
            << QString() << QStringLiteral("收件人") << QString() << taken(QStringLiteral("收件人"));
        QTest::newRow("date column") << QString() << QStringLiteral("打印日期") << templates::type::Date
                                     << kReserved;
        QTest::newRow("date column before the type")
            << QString() << QStringLiteral("打印日期") << QString() << kReserved;
        QTest::newRow("no type") << QString() << QStringLiteral("电话") << QString() << kNoType;
        QTest::newRow("single-line family full")
            << QStringLiteral("single") << QStringLiteral("电话") << templates::type::Amount << kSingleFull;
        QTest::newRow("single-line full, multi-line has room")
            << QStringLiteral("single") << QStringLiteral("电话") << multi << QString();
        QTest::newRow("multi-line family full")
            << QStringLiteral("multi") << QStringLiteral("电话") << multi << kMultiFull;
        QTest::newRow("multi-line full, single-line has room")
            << QStringLiteral("multi") << QStringLiteral("电话") << single << QString();
        QTest::newRow("full family, no type")
            << QStringLiteral("single") << QStringLiteral("电话") << QString() << kNoType;
        // A control character would reach the log table's SQL as an unreadable token.
        QTest::newRow("NUL in the name") << QString() << u"电\0话"_s << single << control(2, u"0000"_s);
        QTest::newRow("a line break") << QString() << u"电话\n"_s << single << control(3, u"000A"_s);
    }

    // A symbol only where a value is one line of characters; a fixed text is any text without control
    // characters. A new point and a modified one go through the same check, and a new point takes them.
    void pointOptions_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<int>("symbology");
        QTest::addColumn<QString>("fixedText");
        QTest::addColumn<QString>("refusal"); // a part of the message; empty: accepted
        using templates::Symbology;
        QTest::newRow("number as Code 128")
            << templates::type::Number << int(Symbology::Code128) << QString() << QString();
        QTest::newRow("one line as QR")
            << templates::type::SingleLine << int(Symbology::QrCode) << u"本店"_s << QString();
        QTest::newRow("multi-line as PDF417")
            << templates::type::MultiLine << int(Symbology::Pdf417) << QString() << u"“文本多行”输入点"_s;
        QTest::newRow("amount as EAN-13")
            << templates::type::AmountInWords << int(Symbology::Ean13) << QString() << u"“大写金额”输入点"_s;
        QTest::newRow("fixed date") << templates::type::Date << int(Symbology::None) << u"2024-01-01"_s
                                    << QString();
        QTest::newRow("tab in the fixed text")
            << templates::type::SingleLine << int(Symbology::None) << u"城东\t营业部"_s
            << u"固定内容的第3个字符是控制字符（代码U+0009）"_s;
    }
    void pointOptions() {
        QFETCH(QString, type);
        QFETCH(int, symbology);
        QFETCH(QString, fixedText);
        QFETCH(QString, refusal);
        templates::PointOptions options;
        options.symbology = templates::Symbology(symbology);
        options.fixedText = fixedText;
        options.party = templates::Party::Receiver;
        const auto problem =
            templates::checkNewPoint(sample(QString()), PointDraft{u"新点"_s, type, u"无"_s, options});
        QCOMPARE(problem.has_value(), !refusal.isEmpty());
        QCOMPARE(templates::checkPointOptions(type, options).has_value(), !refusal.isEmpty());
        if (problem) {
            QVERIFY2(problem->text.contains(refusal), qPrintable(problem->text));
            return;
        }
        const templates::InputPoint p =
            templates::newPoint(PointDraft{u"新点"_s, type, u"无"_s, options}, {});
        QCOMPARE(templates::optionsOf(p), options);
    }

    // Template names enter through the catalogue and the designer, both checked here.
    void templateNameWithAControlCharacter() {
        QVERIFY(
            templates::TemplateStore::nameProblem(u"运\t单"_s).contains(u"模板名称的第2个字符是控制字符"_s));
        QVERIFY(templates::TemplateStore::nameProblem(u"运单"_s).isEmpty());
    }
    void checkNewPoint() {
        QFETCH(QString, full);
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(QString, refusal);
        const auto problem =
            templates::checkNewPoint(sample(full), PointDraft{name, type, QStringLiteral("客户名称"), {}});
        QCOMPARE(problem.has_value(), !refusal.isEmpty());
        if (problem) {
            QCOMPARE(problem->text, refusal);
            QCOMPARE(problem->title, kResult);
        }
    }

    void pointTypeFor_data() {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("multiLine");
        QTest::addColumn<QString>("type");
        QTest::newRow("文本框") << QStringLiteral("文本框") << false << QStringLiteral("文本一行");
        QTest::newRow("文本框 多行") << QStringLiteral("文本框") << true << QStringLiteral("文本多行");
        // 多行输入 matters only with 文本框.
        QTest::newRow("日期 多行") << QStringLiteral("日期") << true << QStringLiteral("文本日期");
        QTest::newRow("整数") << QStringLiteral("整数") << false << QStringLiteral("整数");
        QTest::newRow("大写金额 多行") << QStringLiteral("大写金额") << true << QStringLiteral("大写金额");
        QTest::newRow("小写金额") << QStringLiteral("小写金额") << false << QStringLiteral("小写金额");
        QTest::newRow("年") << QStringLiteral("年") << false << QStringLiteral("年");
        QTest::newRow("月") << QStringLiteral("月") << true << QStringLiteral("月");
        QTest::newRow("日") << QStringLiteral("日") << false << QStringLiteral("日");
        QTest::newRow("号码") << QStringLiteral("号码") << false << QStringLiteral("号码");
        // Stored type names are not captions of a button.
        QTest::newRow("a stored name") << QStringLiteral("文本日期") << false << QString();
        QTest::newRow("the picture row") << QStringLiteral("背景图片") << false << QString();
        QTest::newRow("nothing") << QString() << true << QString();
    }
    void pointTypeFor() {
        QFETCH(QString, caption);
        QFETCH(bool, multiLine);
        QFETCH(QString, type);
        QCOMPARE(templates::pointTypeFor(caption, multiLine), type);
    }

    void modifyAndDeleteNeedASelection_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("modify");
        QTest::addColumn<bool>("remove");
        QTest::newRow("nothing selected yet") << QString() << false << false;
        QTest::newRow("single-line box") << QStringLiteral("Text_Add") << true << true;
        QTest::newRow("multi-line box") << QStringLiteral("Text_Addscroll") << true << true;
        QTest::newRow("picture area: save only, no deletion") << QStringLiteral("背景图片") << true << false;
        QTest::newRow("kinds are exact") << QStringLiteral("text_add") << false << false;
    }
    void modifyAndDeleteNeedASelection() {
        QFETCH(QString, kind);
        QFETCH(bool, modify);
        QFETCH(bool, remove);
        const auto m = templates::checkModifyPoint(kind);
        const auto d = templates::checkDeletePoint(kind);
        QCOMPARE(!m, modify);
        QCOMPARE(!d, remove);
        for (const auto& p : {m, d})
            if (p)
                QCOMPARE(*p, (templates::Problem{kSelectFirst, kResult}));
    }

    void kinds() {
        QCOMPARE(templates::kindOf(Family::Single), QStringLiteral("Text_Add"));
        QCOMPARE(templates::kindOf(Family::Multi), QStringLiteral("Text_Addscroll"));
        for (Family f : {Family::Single, Family::Multi})
            QCOMPARE(templates::familyOfKind(templates::kindOf(f)), std::optional<Family>(f));
        QCOMPARE(templates::familyOfKind(QStringLiteral("背景图片")), std::nullopt);
        QCOMPARE(templates::familyOfKind(QString()), std::nullopt);
    }

    // The text colour of the sample reaches single-line points only, in all three directions.
    void textColourOnlyForSingleLine_data() {
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("takesTextColour");
        QTest::newRow("文本一行") << QStringLiteral("文本一行") << true;
        QTest::newRow("号码") << QStringLiteral("号码") << true;
        QTest::newRow("文本日期") << QStringLiteral("文本日期") << true;
        QTest::newRow("文本多行") << QStringLiteral("文本多行") << false;
    }
    void textColourOnlyForSingleLine() {
        QFETCH(QString, type);
        QFETCH(bool, takesTextColour);
        const PointStyle s = bigRedSample();
        const Family fam = templates::familyOf(type);

        // Adding.
        const InputPoint p =
            templates::newPoint(PointDraft{QStringLiteral("收件人"), type, QStringLiteral("传真"), {}}, s);
        QCOMPARE(p.name, QStringLiteral("收件人"));
        QCOMPARE(p.type, type);
        QCOMPARE(p.binding, QStringLiteral("传真"));
        QCOMPARE(p.rect, (ui::TwipsRect{5880_tw, 7500_tw, 2055_tw, 315_tw})); // whatever is selected
        QCOMPARE(p.fontName, QStringLiteral("黑体"));
        QCOMPARE(p.fontSize, 14.f);
        QVERIFY(p.bold && p.underline && !p.italic);
        QCOMPARE(p.backColor, s.back);
        QCOMPARE(p.foreColor, takesTextColour ? s.fore : templates::color::kWindowText);

        // Modifying: binding and style, never name, type or place.
        InputPoint q = point(type, QStringLiteral("电话"));
        q.rect = {100_tw, 200_tw, 300_tw, 400_tw};
        q.binding = QStringLiteral("客户名称");
        q.foreColor = 0x123456;
        templates::modifyPoint(q, fam, QStringLiteral("无"), s, templates::optionsOf(q));
        QCOMPARE(q.name, QStringLiteral("电话"));
        QCOMPARE(q.type, type);
        QCOMPARE(q.rect, (ui::TwipsRect{100_tw, 200_tw, 300_tw, 400_tw}));
        QCOMPARE(q.binding, QStringLiteral("无"));
        QCOMPARE(q.fontName, QStringLiteral("黑体"));
        QCOMPARE(q.backColor, s.back);
        QCOMPARE(q.foreColor, takesTextColour ? s.fore : qint32(0x123456));

        // Selecting copies the point's style into the sample.
        PointStyle taken;
        taken.fore = 0x654321;
        templates::takeStyle(taken, q, fam);
        QCOMPARE(taken.font.family(), QStringLiteral("黑体"));
        QCOMPARE(taken.font.pointSizeF(), 14.0);
        QVERIFY(taken.font.bold() && taken.font.underline());
        QCOMPARE(taken.back, s.back);
        QCOMPARE(taken.fore, takesTextColour ? q.foreColor : qint32(0x654321));
    }

    void initialSample() {
        const PointStyle s;
        QCOMPARE(s.font.family(), QStringLiteral("宋体"));
        QCOMPARE(s.font.pointSizeF(), 9.0);
        QCOMPARE(s.back, templates::color::kWindowBackground);
        QCOMPARE(s.fore, templates::color::kWindowText);
    }
};

QTEST_MAIN(TestPointRules)
#include "tst_pointrules.moc"
