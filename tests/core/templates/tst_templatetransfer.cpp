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

#include <functional>

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

// The file of the sample with a PNG picture, as template.json and the picture.
struct Parts {
    QJsonObject json;
    QByteArray picture;
};
Parts sampleParts() {
    const TemplatePackage package{sample(u"运单"_s, image(40, 30, "PNG")), paper()};
    const QByteArray bytes = packageBytes(package);
    return {QJsonDocument::fromJson(entryOf(bytes, u"template.json"_s)).object(), package.tmpl.picture};
}
QByteArray fileOf(const Parts& p) {
    return zipOf({{u"template.json"_s, QJsonDocument(p.json).toJson()}, {u"picture.png"_s, p.picture}});
}

void setPointField(Parts& p, int index, const QString& key, const QJsonValue& value) {
    QJsonArray points = p.json.value(u"points"_s).toArray();
    QJsonObject o = points.at(index).toObject();
    if (value.isUndefined())
        o.remove(key);
    else
        o.insert(key, value);
    points.replace(index, o);
    p.json.insert(u"points"_s, points);
}

void setPaperField(Parts& p, const QString& key, const QJsonValue& value) {
    QJsonObject o = p.json.value(u"paper"_s).toObject();
    if (value.isUndefined())
        o.remove(key);
    else
        o.insert(key, value);
    p.json.insert(u"paper"_s, o);
}

struct Refusal {
    const char* name;
    std::function<QByteArray()> file;
    QString says;
};

const QList<Refusal>& refusals() {
    static const QList<Refusal> all{
        {"no zip", [] { return QByteArray("PK\3\4 but nothing of a zip"); }, u"不是本程序导出的模板文件"_s},
        {"a zip of something else",
         [] {
             return zipOf({{u"readme.txt"_s, "hello"}});
         },
         u"其中没有 template.json"_s},
        {"not json",
         [] {
             return zipOf({{u"template.json"_s, "{points: oops"}});
         },
         u"template.json 无法读取"_s},
        {"another format",
         [] {
             Parts p = sampleParts();
             p.json.insert(u"format"_s, u"spreadsheet"_s);
             return fileOf(p);
         },
         u"不是本程序导出的模板文件"_s},
        {"a newer version",
         [] {
             Parts p = sampleParts();
             p.json.insert(u"version"_s, kTransferVersion + 1);
             return fileOf(p);
         },
         u"较新版本的程序导出的（格式版本 2）"_s},
        {"slot 0",
         [] {
             Parts p = sampleParts();
             setPointField(p, 0, u"slot"_s, 0);
             return fileOf(p);
         },
         u"第1个输入点“收件人”的序号（slot）应是 1 到 100 之间的数"_s},
        {"slot not whole",
         [] {
             Parts p = sampleParts();
             setPointField(p, 0, u"slot"_s, 1.5);
             return fileOf(p);
         },
         u"序号（slot）应是整数"_s},
        {"two points in one slot",
         [] {
             Parts p = sampleParts();
             setPointField(p, 1, u"slot"_s, 1);
             return fileOf(p);
         },
         u"第2个输入点“单号”的序号（slot）1与输入点“收件人”相同"_s},
        {"names differing in case",
         [] {
             Parts p = sampleParts();
             setPointField(p, 0, u"name"_s, u"ab"_s);
             setPointField(p, 1, u"name"_s, u"AB"_s);
             return fileOf(p);
         },
         u"第2个输入点“AB”的名称（name）与另一个输入点重复（不计大小写）"_s},
        {"the date column's name",
         [] {
             Parts p = sampleParts();
             setPointField(p, 0, u"name"_s, u"打印日期"_s);
             return fileOf(p);
         },
         u"不能是打印记录表的日期列"_s},
        {"a name with a line break",
         [] {
             Parts p = sampleParts();
             setPointField(p, 0, u"name"_s, u"收\n件人"_s);
             return fileOf(p);
         },
         u"名称（name）的第2个字符是控制字符"_s},
        {"unknown type",
         [] {
             Parts p = sampleParts();
             setPointField(p, 0, u"type"_s, u"图章"_s);
             return fileOf(p);
         },
         u"类型（type）“图章”不是输入点的类型"_s},
        {"unknown binding",
         [] {
             Parts p = sampleParts();
             setPointField(p, 0, u"binding"_s, u"身份证号"_s);
             return fileOf(p);
         },
         u"关联（binding）“身份证号”不是可以关联的内容"_s},
        {"font size as text",
         [] {
             Parts p = sampleParts();
             setPointField(p, 2, u"fontSize"_s, u"12"_s);
             return fileOf(p);
         },
         u"第3个输入点“备注”的字号（fontSize）应是 1 到 1638 之间的数"_s},
        {"left beyond the page",
         [] {
             Parts p = sampleParts();
             setPointField(p, 0, u"x"_s, 40000);
             return fileOf(p);
         },
         u"左边位置（x）应是 -32768 到 32767 之间的数"_s},
        {"height missing",
         [] {
             Parts p = sampleParts();
             setPointField(p, 0, u"h"_s, QJsonValue(QJsonValue::Undefined));
             return fileOf(p);
         },
         u"高度（h）缺少"_s},
        {"colour beyond 32 bits",
         [] {
             Parts p = sampleParts();
             setPointField(p, 0, u"backColor"_s, 4294967296.0);
             return fileOf(p);
         },
         u"背景颜色（backColor）"_s},
        {"bold as a number",
         [] {
             Parts p = sampleParts();
             setPointField(p, 0, u"bold"_s, 1);
             return fileOf(p);
         },
         u"粗体（bold）应是 true 或 false"_s},
        {"unknown symbology",
         [] {
             Parts p = sampleParts();
             setPointField(p, 1, u"symbology"_s, u"Aztec"_s);
             return fileOf(p);
         },
         u"打印为（symbology）“Aztec”不是条码的种类"_s},
        {"a symbol on a multi-line point",
         [] {
             Parts p = sampleParts();
             setPointField(p, 2, u"symbology"_s, u"QR"_s);
             return fileOf(p);
         },
         u"只有“号码”和单行“文本框”输入点能打印为条码"_s},
        {"unknown party",
         [] {
             Parts p = sampleParts();
             setPointField(p, 0, u"party"_s, u"both"_s);
             return fileOf(p);
         },
         u"所属方（party）应是 sender 或 receiver"_s},
        {"custom paper without its width",
         [] {
             Parts p = sampleParts();
             setPaperField(p, u"widthMm"_s, QJsonValue(QJsonValue::Undefined));
             return fileOf(p);
         },
         u"纸张（paper）的纸张宽度（widthMm）缺少"_s},
        {"paper too small",
         [] {
             Parts p = sampleParts();
             setPaperField(p, u"heightMm"_s, 5);
             return fileOf(p);
         },
         u"纸张高度（heightMm）应是 10 到 1000 之间的数"_s},
        {"unknown origin",
         [] {
             Parts p = sampleParts();
             setPaperField(p, u"origin"_s, u"centre"_s);
             return fileOf(p);
         },
         u"位置起点（origin）应是 printable 或 paper"_s},
        {"picture not in the file",
         [] {
             Parts p = sampleParts();
             return zipOf({{u"template.json"_s, QJsonDocument(p.json).toJson()}});
         },
         u"背景图片（picture）“picture.png”在文件中没有"_s},
        {"picture that is no picture",
         [] {
             Parts p = sampleParts();
             p.picture = QByteArray(5000, 'x');
             return fileOf(p);
         },
         u"背景图片（picture）“picture.png”无法识别"_s},
        {"picture of too many pixels",
         [] {
             Parts p = sampleParts();
             p.picture = image(30000, 2, "PNG");
             return fileOf(p);
         },
         u"有 30000 x 2 像素，太大了"_s},
        {"too many entries",
         [] {
             QList<std::pair<QString, QByteArray>> entries{{u"template.json"_s, "{}"}};
             for (int i = 0; i < kMaxTransferEntries; ++i)
                 entries.append({u"x%1"_s.arg(i), "x"});
             return zipOf(entries);
         },
         u"中有 17 项内容，模板文件最多 16 项"_s},
        {"bomb: a small entry that inflates past its bound",
         [] {
             Parts p = sampleParts();
             p.json.insert(u"padding"_s, QString(3 << 20, u' '));
             return fileOf(p);
         },
         u"中的“template.json”超过 2 MB"_s},
    };
    return all;
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

    // Each wrong file is refused whole, naming what is wrong.
    void refused_data() {
        QTest::addColumn<int>("index");
        for (int i = 0; i < refusals().size(); ++i)
            QTest::newRow(refusals().at(i).name) << i;
    }
    void refused() {
        QFETCH(int, index);
        const Refusal& r = refusals().at(index);
        const PackageReading read = readPackage(r.file(), u"寄来的.vtpl"_s);
        QVERIFY(!read.package);
        QVERIFY2(read.problem.startsWith(u"模板文件“寄来的.vtpl”"_s), qPrintable(read.problem));
        QVERIFY2(read.problem.contains(r.says), qPrintable(read.problem));
        QVERIFY2(read.problem.endsWith(u"没有导入任何内容。"_s), qPrintable(read.problem));
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
