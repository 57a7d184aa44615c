#include "Shots.h"

#include "TestEnv.h"
#include "app/Startup.h"

#include <QApplication>
#include <QDir>
#include <QMap>
#include <QPixmap>

#include <cstdio>

namespace vorlan::shots {

static QMap<QString, ShotFunction>& registry() {
    static QMap<QString, ShotFunction> r;
    return r;
}

Registrar::Registrar(const char* name, ShotFunction f) {
    registry().insert(QString::fromUtf8(name), std::move(f));
}

void save(QWidget* w, const QString& folder, const QString& file) {
    w->show();
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents();
    const QPixmap pix = w->grab();
    const QString path = QDir(folder).filePath(file + QStringLiteral(".png"));
    if (!pix.save(path))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    else
        std::printf("%s\n", qPrintable(path));
}

} // namespace vorlan::shots

int main(int argc, char** argv) {
    // Show the windows as a Chinese desktop would (system date formats).
    qputenv("LC_ALL", "zh_CN.UTF-8");
    qputenv("LANG", "zh_CN.UTF-8");
    const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("docs/screenshots");
    if (folder.startsWith(u'-')) {
        // An option is no folder: say how to call it instead of filling a folder named "--help".
        std::fprintf(stderr, "usage: vorlan_screenshots [FOLDER]   (default docs/screenshots)\n");
        return folder == QStringLiteral("--help") || folder == QStringLiteral("-h") ? 0 : 2;
    }
    QApplication app(argc, argv);
    vorlan::test::initTestApplication();
    vorlan::app::installChineseTranslations();
    QDir().mkpath(folder);
    for (auto it = vorlan::shots::registry().cbegin(); it != vorlan::shots::registry().cend(); ++it)
        it.value()(folder);
    return 0;
}
