#pragma once
// The main window's template files. "导入模板": what the file holds and the name it takes in the
// catalogue; 确定 checks the name (free in every letter case) and closes only on a usable one.

#include "templates/TemplateTransfer.h"

#include <QDialog>
#include <QStringList>

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vorlan::app {

class TemplateImportDialog : public QDialog {
    Q_OBJECT

public:
    // place: where the node goes, as the user reads it ("模板目录的最上一层", "节点“快递”的下面").
    // otherNames: the node texts of the tree on screen.
    TemplateImportDialog(QWidget* parent, const QString& fileName, const templates::TemplatePackage& package,
                         const QString& place, const QStringList& otherNames);

    // The name typed, without surrounding blanks.
    QString name() const;

    QLabel* lblContents = nullptr;
    QLineEdit* txtTemplateName = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

    void cmdOK_Click();

private:
    QStringList otherNames_;
};

// "导出模板" of the template: asks for the file and writes it, saying how it went.
void exportTemplateFile(QWidget* parent, const QString& name);

// "导入模板" up to the name: asks for the file, reads and checks it, and asks for the name. Nothing when
// the user cancelled or the file was refused (the message has said why). parentNode: the text of the node
// the template goes under, empty for the top level.
struct ChosenTemplate {
    templates::TemplatePackage package;
    QString name;
};
std::optional<ChosenTemplate> chooseTemplateFile(QWidget* parent, const QString& parentNode,
                                                 const QStringList& otherNames);

// What the user is told once it came in; savedAlong: other changes of the tree were saved with it.
QString importedText(const QString& name, const templates::TemplatePackage& package, bool savedAlong);

} // namespace vorlan::app
