// "打印校准页": reached from 打印设置, it prints the sheet, reads the distances, shows the error and sets the
// offsets only after the confirmation; the print window takes them up.
#include "PrintFixture.h"
#include "TestEnv.h"
#include "TestServer.h"
#include "app/AppState.h"
#include "printing/CalibrationDialog.h"
#include "printing/FineTune.h"
#include "printing/Frm_PrintWindow.h"
#include "printing/PrintSetupDialog.h"
#include "templates/TemplateStore.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace vorlan;
using namespace vorlan::test::printfixture;
using namespace Qt::StringLiterals;
using printing::CalibrationDialog;
namespace calibration = vorlan::printing::calibration;

namespace {

const QString kName = u"汇款单"_s;

printing::PrintSettings waybillPaper() {
    printing::PrintSettings s = printing::withCustomPaper({}, QSizeF(230, 127));
    s.origin = printing::PrintOrigin::Paper;
    return s;
}

// Types the distances (cross index, to the left, to the top; empty leaves a box empty).
void type(CalibrationDialog& d, const QList<std::tuple<int, QString, QString>>& distances) {
    for (const auto& [i, left, top] : distances) {
        d.txtLeft.at(i)->setText(left);
        d.txtTop.at(i)->setText(top);
    }
}

calibration::Offsets storedOffsets() {
    const templates::Template t = templates::TemplateStore(data::sharedEngine()).load(kName).tmpl;
    return {t.allup, t.allleft};
}

} // namespace

class TestCalibrationDialog : public QObject {
    Q_OBJECT
private slots:
    // Only a Yes sets the offsets; the sheet then prints with them.
    void apply_data() {
        QTest::addColumn<bool>("yes");
        QTest::newRow("confirmed") << true;
        QTest::newRow("declined") << false;
    }
    void apply() {
        QFETCH(bool, yes);
        test::TestEnv env;
        addRow(env.db(), kName, {templates::type::SingleLine, u"收款人"_s, u"无"_s, 1, 1440, 720});
        CalibrationDialog d(nullptr, kName, waybillPaper(), {3, 2});
        type(d, {{0, u"23"_s, u"22"_s}, {3, u"203"_s, QString()}});
        d.cmdCompute_Click();
        env.prompter.answers.enqueue(yes ? ui::Answer::Yes : ui::Answer::No);
        d.cmdApply_Click();
        const ui::Message asked = env.prompter.shown.first().message;
        QCOMPARE(asked.title, u"关键操作的确认"_s);
        QVERIFY2(asked.text.contains(u"把模板“汇款单”的整体偏移由 上下 3、左右 2 改为 上下 7、左右 4 吗？"_s),
                 qPrintable(asked.text));
        QCOMPARE(asked.text.contains(u"只改本机"_s), test::onServer());
        const calibration::Offsets wanted{7, 4};
        QCOMPARE(storedOffsets(), yes ? wanted : calibration::Offsets{});
        QCOMPARE(d.applied().has_value(), yes);
        if (yes) {
            QVERIFY(d.txtLeft.first()->text().isEmpty());
            QVERIFY(!d.cmdApply->isEnabled());
            QVERIFY(d.lblIntro->text().contains(u"上下 7、左右 4"_s));
        }
    }

    // From 打印设置 to the print window: the offsets boxes show what was set, which counts as saved.
    void printWindowTakesTheOffsets() {
        test::TestEnv env;
        addRow(env.db(), kName, {templates::type::SingleLine, u"收款人"_s, u"无"_s, 1, 1440, 720});
        app::state().currentTemplate = kName;
        printing::Frm_PrintWindow w;
        QVERIFY(w.load());
        QString button;
        env.prompter.onExec = [&](QDialog* dialog) -> int {
            if (auto* setup = dynamic_cast<printing::PrintSetupDialog*>(dialog)) {
                button = setup->cmdCalibrate->objectName() + u' ' + setup->cmdCalibrate->text();
                setup->cmdCalibrate->click();
                return QDialog::Rejected; // the settings are not confirmed; the offsets are stored all the
                                          // same
            }
            auto* c = dynamic_cast<CalibrationDialog*>(dialog);
            if (!c)
                return QDialog::Rejected;
            type(*c, {{0, u"26"_s, u"27"_s}});
            c->cmdCompute_Click();
            env.prompter.answers.enqueue(ui::Answer::Yes);
            c->cmdApply_Click();
            return QDialog::Accepted;
        };
        w.cmdPrintSetup->click();
        QCOMPARE(env.prompter.dialogsShown, (QStringList{u"PrintSetupDialog"_s, u"CalibrationDialog"_s}));
        QCOMPARE(button, u"cmdCalibrate 打印校准页(&J)"_s);
        QCOMPARE(storedOffsets(), (calibration::Offsets{-2, -1}));
        QCOMPARE(w.currentSheet().allupText, u"-2"_s);
        QCOMPARE(w.currentSheet().allleftText, u"-1"_s);
        env.prompter.clear();
        QVERIFY(w.close());
        QVERIFY2(!env.prompter.texts().contains(printing::kUnsavedFineTuneQuestion),
                 qPrintable(env.prompter.texts().join(u'\n')));
    }
};

QTEST_MAIN(TestCalibrationDialog)
#include "tst_calibrationdialog.moc"
