// Template files: a round trip of every field between two databases, the refusals of a file that is not
// one of ours or is wrong in one field, the name rules of the import, and the one transaction.
#include "BothEngines.h"
#include "TestEnv.h"
#include "TestServer.h"
#include "app/Catalogue.h"
#include "data/Schema.h"
#include "data/Sql.h"
#include "printing/PrintSettingsStore.h"
#include "templates/PrintLogStore.h"
#include "templates/TemplateStore.h"
#include "templates/TemplateTransfer.h"

#include <QBuffer>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <quazip.h>
#include <quazipfile.h>
#include <quazipnewinfo.h>

using namespace vorlan;
using namespace vorlan::templates;
using namespace Qt::StringLiterals;

namespace {

QByteArray image(int w, int h, const char* format) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 7) & 255, (y * 13) & 255, (x * y) & 255));
    QByteArray bytes;
    QBuffer buf(&bytes);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, format);
    return bytes;
}

// Every field of a point away from its default.
InputPoint point(const QString& type, const QString& name, int n) {
    InputPoint p;
    p.type = type;
    p.name = name;
    p.binding = n % 2 ? u"客户名称"_s : kCommonUseBinding;
    p.rect = ui::TwipsRect{ui::Twips(100.25 * n), ui::Twips(-40 + 333.5 * n), 2055_tw, 315_tw}.toSingle();
    p.fontName = u"黑体"_s;
    p.fontSize = 10.5f + float(n);
    p.italic = true;
    p.bold = n % 2 == 0;
    p.underline = true;
    p.backColor = color::encode(QColor(1, 2, 3 + n));
    p.foreColor = qint32(0x80000012u);
    p.tabOrder = 10 - n;
    p.symbology = type == type::Number ? Symbology::QrCode : Symbology::None;
    p.symbolText = false;
    p.fixedText = u"固定%1"_s.arg(n);
    p.party = Party::Receiver;
    return p;
}

Template sample(const QString& name, const QByteArray& picture) {
    Template t;
    t.name = name;
    t.single[1] = point(type::SingleLine, u"收件人"_s, 1);
    t.single[3] = point(type::Number, u"单号"_s, 2); // a gap at slot 2
    t.single.count = 3;
    t.multi[1] = point(type::MultiLine, u"备注"_s, 3);
    t.multi.count = 1;
    t.pictureRect = {15_tw, 30_tw, 11000_tw, 6000_tw};
    t.picture = picture;
    return t;
}

printing::PrintSettings paper() {
    printing::PrintSettings s = printing::withCustomPaper({}, QSizeF(230, 127.5));
    s.orientation = QPageLayout::Landscape;
    s.origin = printing::PrintOrigin::Paper;
    return s;
}

// Stores the template with a printer and offsets of this computer, which a file does not carry.
void store(const data::Engine& db, const Template& t, const printing::PrintSettings& s) {
    PendingColumns pending;
    for (const QString& n : {u"收件人"_s, u"单号"_s, u"备注"_s})
        pending.added << n;
    TemplateStore(db).save(t, t.picture.isEmpty() ? std::nullopt : std::optional<QByteArray>(t.picture),
                           pending);
    Template moved = TemplateStore(db).load(t.name).tmpl;
    moved.allup = 7;
    moved.allleft = -3;
    TemplateStore(db).saveGeometry(moved);
    printing::PrintSettings withPrinter = s;
    withPrinter.printer = u"柜台打印机"_s;
    printing::PrintSettingsStore(db).save(t.name, withPrinter);
}

QByteArray zipOf(const QList<std::pair<QString, QByteArray>>& entries) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    QuaZip zip(&buffer);
    zip.open(QuaZip::mdCreate);
    for (const auto& [name, content] : entries) {
        QuaZipFile f(&zip);
        f.open(QIODevice::WriteOnly, QuaZipNewInfo(name));
        f.write(content);
        f.close();
    }
    zip.close();
    return bytes;
}

QByteArray entryOf(const QByteArray& zipBytes, const QString& name) {
    QBuffer buffer;
    buffer.setData(zipBytes);
    QuaZip zip(&buffer);
    zip.open(QuaZip::mdUnzip);
    zip.setCurrentFile(name);
    QuaZipFile f(&zip);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// The sample's file with one field of template.json set ("points/1/slot", "paper/origin", "version"; an
// undefined value removes it) or its picture replaced.
QByteArray sampleFile(const QString& path = {}, const QJsonValue& value = {},
                      const QByteArray* picture = nullptr) {
    const TemplatePackage package{sample(u"运单"_s, image(40, 30, "PNG")), paper()};
    QJsonObject root = QJsonDocument::fromJson(entryOf(packageBytes(package), u"template.json"_s)).object();
    const QStringList parts = path.split(u'/', Qt::SkipEmptyParts);
    const auto set = [&value](QJsonObject o, const QString& key) {
        if (value.isUndefined())
            o.remove(key);
        else
            o.insert(key, value);
        return o;
    };
    if (parts.size() == 1) {
        root = set(root, parts.at(0));
    } else if (parts.size() == 2) {
        root.insert(parts.at(0), set(root.value(parts.at(0)).toObject(), parts.at(1)));
    } else if (parts.size() == 3) {
        QJsonArray points = root.value(parts.at(0)).toArray();
        points.replace(parts.at(1).toInt(), set(points.at(parts.at(1).toInt()).toObject(), parts.at(2)));
        root.insert(parts.at(0), points);
    }
    return zipOf({{u"template.json"_s, QJsonDocument(root).toJson()},
                  {u"picture.png"_s, picture ? *picture : package.tmpl.picture}});
}

int count(const QSqlDatabase& db, const QString& sql, const QVariantList& params = {}) {
    return data::scalar(db, sql, params).toInt();
}

// Everything of a template in the database, in a few numbers: rows of its points, its header, its print
// settings and catalogue nodes, and whether it has a log.
QString footprint(const QSqlDatabase& db, const QString& name) {
    return u"points %1, header %2, settings %3, nodes %4, log %5"_s
        .arg(count(db, u"SELECT count(*) FROM mobanxywh WHERE mobanname = ?"_s, {name}))
        .arg(count(db, u"SELECT count(*) FROM moban WHERE mobanname = ?"_s, {name}))
        .arg(count(db,
                   u"SELECT count(*) FROM %1 WHERE mobanname = ?"_s.arg(
                       QString::fromLatin1(data::schema::kPrintSettingsTable)),
                   {name}))
        .arg(count(db, u"SELECT count(*) FROM mobantabe WHERE text = ?"_s, {name}))
        .arg(test::hasLog(db, name) ? u"yes"_s : u"no"_s);
}

} // namespace

class TestTemplateTransfer : public QObject {
    Q_OBJECT
private slots:
    // Out to a file and in under another name: every field of every point, the picture's bytes, its
    // rectangle, the paper and origin come back; the printer and the offsets stay behind.
    void roundTrip_data() {
        QTest::addColumn<QByteArray>("picture");
        QTest::addColumn<bool>("withPaper");
        QTest::newRow("PNG picture, custom paper") << image(64, 48, "PNG") << true;
        QTest::newRow("JPEG picture, the printer's paper") << image(300, 200, "JPEG") << false;
        QTest::newRow("no picture") << QByteArray() << true;
    }
    void roundTrip() {
        QFETCH(QByteArray, picture);
        QFETCH(bool, withPaper);
        test::TestEnv env;
        const data::Engine db = data::sharedEngine();
        const printing::PrintSettings settings = withPaper ? paper() : printing::PrintSettings();
        store(db, sample(u"运单"_s, picture), settings);
        const QString file = env.folder() + u"/运单.vtpl"_s;
        const ExportResult written = exportTemplate(db, u"运单"_s, file);
        QVERIFY2(written.ok(), qPrintable(written.problem));
        QCOMPARE(written.points, 3);

        const PackageReading read = readPackageFile(file);
        QVERIFY2(read.package, qPrintable(read.problem));
        QCOMPARE(read.package->tmpl.name, u"运单"_s);
        QCOMPARE(importNameProblem(db, u"运单二"_s), QString());
        importTemplate(db, *read.package, u"运单二"_s,
                       withNode(app::CatalogueStore(db).load(), {}, u"运单二"_s));

        const Template in = TemplateStore(db).load(u"运单二"_s).tmpl;
        const Template expected = sample(u"运单二"_s, picture);
        for (const SlotRef ref :
             {SlotRef{Family::Single, 1}, SlotRef{Family::Single, 3}, SlotRef{Family::Multi, 1}})
            QCOMPARE(in.point(ref), expected.point(ref));
        QVERIFY(!in.single[2].inUse());
        QCOMPARE(in.single.count, 3);
        QCOMPARE(in.multi.count, 1);
        QCOMPARE(in.pictureRect, expected.pictureRect);
        QCOMPARE(in.picture, picture);
        QCOMPARE(in.allup, 0);
        QCOMPARE(in.allleft, 0);
        QCOMPARE(printing::PrintSettingsStore(db).load(u"运单二"_s), settings); // no printer
        QVERIFY(test::logColumns(env.db(), u"运单二"_s).contains(u"单号"_s));
        const QList<app::CatalogueRow> tree = app::CatalogueStore(db).load();
        QCOMPARE(tree.size(), 1);
        QCOMPARE(tree.first().parent, u"0_"_s);
        QCOMPARE(tree.first().text, u"运单二"_s);
    }

    // A file written before points had symbols, fixed texts and parties reads with their defaults.
    void olderFile() {
        QJsonObject p{{u"slot"_s, 2},         {u"type"_s, type::Amount},
                      {u"name"_s, u"金额"_s}, {u"x"_s, 10},
                      {u"y"_s, 20},           {u"w"_s, 900},
                      {u"h"_s, 300}};
        const QJsonObject root{{u"format"_s, kTransferFormat},
                               {u"version"_s, 1},
                               {u"name"_s, u"汇款单"_s},
                               {u"points"_s, QJsonArray{p}}};
        const PackageReading read =
            readPackage(zipOf({{u"template.json"_s, QJsonDocument(root).toJson()}}), u"旧.vtpl"_s);
        QVERIFY2(read.package, qPrintable(read.problem));
        InputPoint expected;
        expected.type = type::Amount;
        expected.name = u"金额"_s;
        expected.rect = {10_tw, 20_tw, 900_tw, 300_tw};
        QCOMPARE(read.package->tmpl.single[2], expected);
        QCOMPARE(read.package->tmpl.single.count, 2);
        QCOMPARE(read.package->tmpl.pictureRect, kDefaultPictureRect);
        QCOMPARE(read.package->paper, printing::PrintSettings());
    }

    // Each wrong file is refused whole, naming the field at fault.
    void refused_data() {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("says");
        const QJsonValue none(QJsonValue::Undefined);
        const QByteArray noPicture(5000, 'x'), hugePicture = image(30000, 2, "PNG");
        QList<std::pair<QString, QByteArray>> many{{u"template.json"_s, "{}"}};
        for (int i = 0; i < kMaxTransferEntries; ++i)
            many.append({u"x%1"_s.arg(i), "x"});
        const QString s1 = u"第1个输入点“收件人”的"_s;
        QTest::newRow("no zip") << QByteArray("PK\3\4 nothing more") << u"不是本程序导出的模板文件"_s;
        QTest::newRow("a zip of something else")
            << zipOf({{u"a.txt"_s, "hello"}}) << u"其中没有 template.json"_s;
        QTest::newRow("not json") << zipOf({{u"template.json"_s, "{points: oops"}})
                                  << u"template.json 无法读取"_s;
        QTest::newRow("another format")
            << sampleFile(u"format"_s, u"sheet"_s) << u"不是本程序导出的模板文件"_s;
        QTest::newRow("a newer version")
            << sampleFile(u"version"_s, 2) << u"较新版本的程序导出的（格式版本 2）"_s;
        QTest::newRow("slot 0") << sampleFile(u"points/0/slot"_s, 0)
                                << s1 + u"序号（slot）应是 1 到 100 之间的数"_s;
        QTest::newRow("two points in one slot")
            << sampleFile(u"points/1/slot"_s, 1) << u"第2个输入点“单号”的序号（slot）1与输入点“收件人”相同"_s;
        QTest::newRow("a name twice")
            << sampleFile(u"points/1/name"_s, u"收件人"_s) << u"与另一个输入点重复"_s;
        QTest::newRow("unknown type")
            << sampleFile(u"points/0/type"_s, u"图章"_s) << u"类型（type）“图章”不是输入点的类型"_s;
        QTest::newRow("unknown binding") << sampleFile(u"points/0/binding"_s, u"身份证号"_s)
                                         << u"关联（binding）“身份证号”不是可以关联的内容"_s;
        QTest::newRow("font size as text") << sampleFile(u"points/2/fontSize"_s, u"12"_s)
                                           << u"第3个输入点“备注”的字号（fontSize）应是 1 到 1638 之间的数"_s;
        QTest::newRow("left beyond the page")
            << sampleFile(u"points/0/x"_s, 40000) << s1 + u"左边位置（x）应是 -32768 到 32767 之间的数"_s;
        QTest::newRow("a symbol on a multi-line point") << sampleFile(u"points/2/symbology"_s, u"QR"_s)
                                                        << u"只有“号码”和单行“文本框”输入点能打印为条码"_s;
        QTest::newRow("custom paper without its width")
            << sampleFile(u"paper/widthMm"_s, none) << u"纸张（paper）的纸张宽度（widthMm）缺少"_s;
        QTest::newRow("picture not in the file") << sampleFile(u"picture"_s, u"picture.jpg"_s)
                                                 << u"背景图片（picture）“picture.jpg”在文件中没有"_s;
        QTest::newRow("picture that is no picture")
            << sampleFile({}, {}, &noPicture) << u"背景图片（picture）“picture.png”无法识别"_s;
        QTest::newRow("picture of too many pixels")
            << sampleFile({}, {}, &hugePicture) << u"有 30000 x 2 像素，太大了"_s;
        QTest::newRow("too many entries") << zipOf(many) << u"中有 17 项内容，模板文件最多 16 项"_s;
        QTest::newRow("bomb: a small entry inflating past its bound")
            << sampleFile(u"padding"_s, QString(3 << 20, u' ')) << u"中的“template.json”超过 2 MB"_s;
    }
    void refused() {
        QFETCH(QByteArray, file);
        QFETCH(QString, says);
        const PackageReading read = readPackage(file, u"寄来的.vtpl"_s);
        QVERIFY(!read.package);
        QVERIFY2(read.problem.startsWith(u"模板文件“寄来的.vtpl”"_s) && read.problem.contains(says) &&
                     read.problem.endsWith(u"没有导入任何内容。"_s),
                 qPrintable(read.problem));
    }

    // A name taken in any letter case, by a template, a node or a log, is refused.
    void names_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("says"); // empty: free
        QTest::newRow("free") << u"运单二"_s << QString();
        QTest::newRow("a stored template") << u"运单"_s << u"已经有名为“运单”的模板"_s;
        QTest::newRow("letter case aside") << u"ems"_s << u"EMS"_s;
        QTest::newRow("a node not yet designed") << u"空节点"_s << u"已经有名为“空节点”的模板"_s;
        QTest::newRow("a node on screen only") << u"屏幕上的"_s << u"已经有名为“屏幕上的”的模板"_s;
        QTest::newRow("blanks around") << u" 运单二"_s << u"前后有空格"_s;
        QTest::newRow("a base table") << u"moban"_s << u"moban"_s;
    }
    void names() {
        QFETCH(QString, name);
        QFETCH(QString, says);
        test::TestEnv env;
        const data::Engine db = data::sharedEngine();
        store(db, sample(u"运单"_s, {}), {});
        store(db, sample(u"EMS"_s, {}), {});
        app::CatalogueStore(db).save({{u"0_"_s, u"1_"_s, u"空节点"_s, 1, 2}});
        const QString problem = importNameProblem(db, name, {u"屏幕上的"_s});
        QVERIFY2(problem.contains(says) && problem.isEmpty() == says.isEmpty(), qPrintable(problem));
    }

    // A failure anywhere in the import leaves nothing of it: the points and header written before the
    // failing print settings, the log table, the node.
    void oneTransaction_data() {
        QTest::addColumn<bool>("treeChanged"); // else the print settings' row is refused
        QTest::newRow("the tree changed meanwhile") << true;
        QTest::newRow("the last write fails") << false;
    }
    void oneTransaction() {
        QFETCH(bool, treeChanged);
        test::TestEnv env;
        const data::Engine db = data::sharedEngine();
        const QSqlDatabase raw = env.db();
        const QList<app::CatalogueRow> loaded = app::CatalogueStore(db).load();
        if (treeChanged) {
            app::CatalogueStore(db).save({{u"0_"_s, u"1_"_s, u"别处加的"_s, 1, 2}});
        } else if (test::onServer()) {
            data::exec(raw, u"CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS "
                            "$$BEGIN RAISE EXCEPTION 'disk full'; END$$"_s);
            data::exec(
                raw,
                u"CREATE TRIGGER refuse BEFORE INSERT ON %1 FOR EACH ROW EXECUTE FUNCTION refuse()"_s.arg(
                    QString::fromLatin1(data::schema::kPrintSettingsTable)));
        } else {
            data::exec(
                raw,
                u"CREATE TRIGGER refuse BEFORE INSERT ON %1 BEGIN SELECT RAISE(ABORT, 'disk full'); END"_s
                    .arg(QString::fromLatin1(data::schema::kPrintSettingsTable)));
        }
        const TemplatePackage package{sample(u"运单"_s, image(40, 30, "PNG")), paper()};
        bool thrown = false;
        try {
            importTemplate(db, package, u"运单"_s, withNode(loaded, {}, u"运单"_s));
        } catch (const app::CatalogueChanged&) {
            thrown = treeChanged;
        } catch (const data::DbError& e) {
            thrown = !treeChanged && e.description().contains(u"disk full"_s);
        }
        QVERIFY(thrown);
        QCOMPARE(footprint(raw, u"运单"_s), u"points 0, header 0, settings 0, nodes 0, log no"_s);
        QCOMPARE(count(raw, u"SELECT count(*) FROM mobantabe"_s), treeChanged ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestTemplateTransfer)
#include "tst_templatetransfer.moc"
