#include "app/TemplateImportDialog.h"

#include "app/AppState.h"
#include "ui/Controls.h"
#include "ui/Guarded.h"
#include "ui/Prompt.h"
#include "ui/TwipsLayout.h"

#include <QDir>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vorlan::app {

TemplateImportDialog::TemplateImportDialog(QWidget* parent, const QString& fileName,
                                           const templates::TemplatePackage& package, const QString& place,
                                           const QStringList& otherNames)
    : QDialog(parent), otherNames_(otherNames) {
    setObjectName(QStringLiteral("TemplateImportDialog"));
    setWindowTitle(QStringLiteral("导入模板"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    lblContents = ui::makeLabel(
        this, QStringLiteral("lblContents"),
        QStringLiteral("模板文件“%1”：%2。\n新的模板放在%3；打印机和整体偏移请在打印窗口中设定。")
            .arg(fileName, templates::packageSummary(package), place));
    lblContents->setWordWrap(true);
    txtTemplateName = new QLineEdit(package.tmpl.name, this);
    txtTemplateName->setObjectName(QStringLiteral("txtTemplateName"));
    txtTemplateName->selectAll();
    auto* nameLabel = new QLabel(QStringLiteral("模板名称(&N)："), this);
    nameLabel->setBuddy(txtTemplateName);
    auto* form = new QFormLayout;
    form->addRow(nameLabel, txtTemplateName);

    cmdOK = new QPushButton(QStringLiteral("确  定"), this);
    cmdOK->setObjectName(QStringLiteral("cmdOK"));
    cmdCancel = new QPushButton(QStringLiteral("取  消"), this);
    cmdCancel->setObjectName(QStringLiteral("cmdCancel"));
    for (QPushButton* b : {cmdOK, cmdCancel})
        ui::prepareButton(b);
    cmdOK->setDefault(true); // Enter in the name box confirms, Escape cancels
    QVBoxLayout* root = ui::dialogRows(this, 150_tw);
    root->addWidget(lblContents);
    root->addLayout(form);
    root->addLayout(ui::buttonRow({cmdOK, cmdCancel}));
    setMinimumWidth(ui::toPixels(6600_tw));

    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    txtTemplateName->setFocus();
}

QString TemplateImportDialog::name() const {
    return txtTemplateName->text().trimmed();
}

void TemplateImportDialog::cmdOK_Click() {
    QString problem;
    if (!ui::guarded(this, u"cmdOK_Click",
                     [&] { problem = templates::importNameProblem(state().engine(), name(), otherNames_); }))
        return;
    if (!problem.isEmpty()) {
        ui::show(this, problem, QStringLiteral("输入提示"), ui::Icon::Exclamation);
        txtTemplateName->setFocus();
        txtTemplateName->selectAll();
        return;
    }
    accept();
}

void exportTemplateFile(QWidget* parent, const QString& name) {
    QString path =
        ui::prompter().fileName(parent, {QStringLiteral("导出模板"), name + u'.' + templates::kTransferSuffix,
                                         templates::kTransferFilter, true});
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += u'.' + templates::kTransferSuffix;
    templates::ExportResult done;
    if (!ui::guarded(parent, u"cmdExportTemplate_Click",
                     [&] { done = templates::exportTemplate(state().engine(), name, path); }))
        return;
    if (!done.ok()) {
        ui::exclamation(parent, done.problem, QStringLiteral("提示"));
        return;
    }
    QString text = QStringLiteral("模板“%1”（%2 个输入点）已导出到“%3”。")
                       .arg(name)
                       .arg(done.points)
                       .arg(QDir::toNativeSeparators(path));
    if (!done.notes.isEmpty())
        text += u'\n' + done.notes.join(u'\n');
    ui::information(parent, text, QStringLiteral("系统提示"));
}

std::optional<ChosenTemplate> chooseTemplateFile(QWidget* parent, const QString& parentNode,
                                                 const QStringList& otherNames) {
    const QString path = ui::prompter().fileName(
        parent, {QStringLiteral("导入模板"), QString(), templates::kTransferFilter, false});
    if (path.isEmpty())
        return std::nullopt;
    templates::PackageReading read = templates::readPackageFile(path);
    if (!read.package) {
        ui::exclamation(parent, read.problem, QStringLiteral("提示"));
        return std::nullopt;
    }
    const QString place = parentNode.isEmpty() ? QStringLiteral("模板目录的最上一层")
                                               : QStringLiteral("节点“%1”的下面").arg(parentNode);
    TemplateImportDialog dialog(parent, QFileInfo(path).fileName(), *read.package, place, otherNames);
    if (ui::prompter().exec(&dialog) != QDialog::Accepted)
        return std::nullopt;
    return ChosenTemplate{std::move(*read.package), dialog.name()};
}

QString importedText(const QString& name, const templates::TemplatePackage& package, bool savedAlong) {
    QString text = QStringLiteral("模板“%1”已导入：%2。").arg(name, templates::packageSummary(package));
    if (savedAlong)
        text += QStringLiteral("\n模板目录的其他改动也一并结构保存了。");
    return text;
}

} // namespace vorlan::app
