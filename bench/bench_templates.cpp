// Template save/load with 200 input points and a 5 MB picture; catalogue of 2,000 nodes.
#include "BenchUtil.h"
#include "TestEnv.h"
#include "app/AppState.h"
#include "app/Catalogue.h"
#include "app/Frm_main.h"
#include "templates/TemplateStore.h"

#include <QApplication>
#include <QRandomGenerator>
#include <QTreeView>

using namespace vorlan;
using namespace vorlan::templates;

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    test::TestEnv env;
    bool ok = true;

    Template t;
    t.name = QStringLiteral("基准模板");
    for (int i = 1; i <= 100; ++i) {
        InputPoint p;
        p.type = i % 10 == 0 ? type::AmountInWords : type::SingleLine;
        p.name = QStringLiteral("单行%1").arg(i);
        p.binding = kNoBinding;
        p.rect = {ui::Twips(i * 40), ui::Twips(i * 30), 2055_tw, 315_tw};
        t.single.append(p);
        p.type = type::MultiLine;
        p.name = QStringLiteral("多行%1").arg(i);
        t.multi.append(p);
    }
    QByteArray picture(5 * 1024 * 1024, Qt::Uninitialized);
    QRandomGenerator gen(42);
    gen.fillRange(reinterpret_cast<quint32*>(picture.data()), picture.size() / 4);
    TemplateStore store(env.db());
    PendingColumns pending;
    store.save(t, picture, pending); // first save creates the log table

    const double saveMs = bench::bestOf(5, [&] {
        PendingColumns p;
        store.save(t, picture, p);
    });
    ok &= bench::report("save template: 200 points + 5 MB picture", saveMs, 150);
    const double loadMs = bench::bestOf(5, [&] {
        LoadResult r = store.load(t.name);
        if (r.tmpl.livePointCount() != 200 || r.tmpl.picture.size() != picture.size())
            std::abort();
    });
    ok &= bench::report("load template: 200 points + 5 MB picture", loadMs, 100);

    QList<app::CatalogueRow> rows;
    for (int i = 1; i <= 2000; ++i) {
        const QString parent =
            i % 20 == 1 ? QStringLiteral("0_") : QStringLiteral("%1_").arg(((i - 1) / 20) * 20 + 1);
        rows << app::CatalogueRow{parent, QStringLiteral("%1_").arg(i), QStringLiteral("模板%1").arg(i), 1,
                                  2};
    }
    app::CatalogueStore catalogue(env.db());
    catalogue.save(rows);
    app::Frm_main w;
    const double treeLoadMs = bench::bestOf(5, [&] {
        w.loadCatalogue();
        if (w.catalogue->nodeCount() != 2000)
            std::abort();
    });
    ok &= bench::report("catalogue of 2,000 nodes: load into the tree", treeLoadMs, 100);
    const double treeSaveMs = bench::bestOf(5, [&] { catalogue.save(w.catalogue->rows()); });
    ok &= bench::report("catalogue of 2,000 nodes: save", treeSaveMs, 200);
    return ok ? 0 : 1;
}
