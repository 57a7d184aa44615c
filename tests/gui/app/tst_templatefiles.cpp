// "导出模板" and "导入模板" of the main window: where the new node goes, and a name taken asked again.
#include "BothEngines.h"
#include "TestEnv.h"
#include "app/AppState.h"
#include "app/Catalogue.h"
#include "app/Frm_main.h"
#include "app/TemplateImportDialog.h"
#include "data/Sql.h"
#include "templates/TemplateStore.h"

#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

using namespace vorlan;
using namespace Qt::StringLiterals;

namespace {

void saveTemplate(const QString& name) {
    templates::Template t;
    t.name = name;
    templates::InputPoint p;
    p.type = templates::type::SingleLine;
    p.name = u"收件人"_s;
    p.rect = {1440_tw, 720_tw, 2055_tw, 315_tw};
    t.single.append(p);
    templates::PendingColumns pending{{p.name}, {}};
    templates::TemplateStore(data::sharedEngine()).save(t, std::nullopt, pending);
}

// The tree: 快递 with the template 运单 under it, and 汇款单 at the top.
struct Desk {
    Desk() {
        app::state().userLevel = u"高级用户"_s;
        saveTemplate(u"运单"_s);
        saveTemplate(u"汇款单"_s);
        app::CatalogueStore(data::sharedEngine())
            .save({{u"0_"_s, u"1_"_s, u"快递"_s, 1, 2},
                   {u"1_"_s, u"2_"_s, u"运单"_s, 1, 2},
                   {u"0_"_s, u"3_"_s, u"汇款单"_s, 1, 2}});
        w.load();
    }
    void select(const QString& key) {
        w.TreeView1->selectionModel()->select(w.catalogue->findKey(key), QItemSelectionModel::ClearAndSelect);
    }
    // Exports 运单 into the data folder.
    QString exportWaybill() {
        select(u"2_"_s);
        const QString file = env.folder() + u"/运单.vtpl"_s;
        env.prompter.fileNames.enqueue(file);
        w.cmdExportTemplate_Click();
        return file;
    }
    test::TestEnv env;
    app::Frm_main w;
};

QStringList storedTree() {
    QStringList out;
    for (const app::CatalogueRow& r : app::CatalogueStore(data::sharedEngine()).load())
        out << r.parent + u' ' + r.key + u' ' + r.text;
    return out;
}

} // namespace

class TestTemplateFiles : public QObject {
    Q_OBJECT
private slots:

    // The node goes under a chosen folder, beside a chosen template, or at the top; the names typed into
    // the dialog are tried in turn, a taken one told and asked again.
    void import_data() {
        QTest::addColumn<QString>("selected"); // a key, or empty
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QString>("node"); // parent key and text of the new node
        QTest::addColumn<int>("refusals");
        QTest::newRow("under the folder") << u"1_"_s << QStringList{u"运单二"_s} << u"1_ 运单二"_s << 0;
        QTest::newRow("beside a template") << u"2_"_s << QStringList{u"运单二"_s} << u"1_ 运单二"_s << 0;
        QTest::newRow("at the top") << QString() << QStringList{u"运单二"_s} << u"0_ 运单二"_s << 0;
        QTest::newRow("the file's name is taken")
            << QString() << QStringList{u"运单"_s, u" 新运单 "_s} << u"0_ 新运单"_s << 1;
    }
    void import() {
        QFETCH(QString, selected);
        QFETCH(QStringList, typed);
        QFETCH(QString, node);
        QFETCH(int, refusals);
        Desk d;
        const QString file = d.exportWaybill();
        QVERIFY2(QFile::exists(file), qPrintable(d.env.prompter.texts().join(u'\n')));
        QVERIFY2(d.env.prompter.lastText().contains(u"已导出到"_s), qPrintable(d.env.prompter.lastText()));
        d.env.prompter.clear();
        if (selected.isEmpty())
            d.w.TreeView1->selectionModel()->clearSelection();
        else
            d.select(selected);
        d.env.prompter.fileNames.enqueue(file);
        int shown = 0;
        d.env.prompter.onExec = [&](QDialog* dialog) {
            auto* import = qobject_cast<app::TemplateImportDialog*>(dialog);
            if (!import)
                return int(QDialog::Rejected);
            for (const QString& name : typed) {
                import->txtTemplateName->setText(name);
                import->cmdOK_Click();
                if (import->result() == QDialog::Accepted)
                    return int(QDialog::Accepted);
                ++shown;
            }
            return int(QDialog::Rejected);
        };
        d.w.cmdImportTemplate_Click();
        QCOMPARE(shown, refusals);
        const QString name = node.section(u' ', 1);
        QVERIFY2(d.env.prompter.lastText().startsWith(u"模板“%1”已导入"_s.arg(name)),
                 qPrintable(d.env.prompter.texts().join(u'\n')));
        QVERIFY(storedTree().contains(node.section(u' ', 0, 0) + u" 4_ "_s + name));
        QCOMPARE(templates::TemplateStore(data::sharedEngine()).load(name).tmpl.livePointCount(), 1);
        QCOMPARE(d.w.catalogue->data(d.w.selectedNode()).toString(), name);
        QCOMPARE(d.w.loadedTree_, app::CatalogueStore(data::sharedEngine()).load());
    }
};

QTEST_MAIN(TestTemplateFiles)
#include "tst_templatefiles.moc"
