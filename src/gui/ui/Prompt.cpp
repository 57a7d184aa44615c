#include "ui/Prompt.h"

#include "app/AppState.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>
#include <QProcess>

namespace vorlan::ui {

namespace {

QMessageBox::Icon toQt(Icon icon) {
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Exclamation:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

class WidgetPrompter final : public Prompter {
public:
    Answer message(QWidget* parent, const Message& m) override {
        QMessageBox box(toQt(m.icon), m.title.isEmpty() ? QApplication::applicationName() : m.title, m.text,
                        QMessageBox::NoButton, parent);
        switch (m.buttons) {
        case Buttons::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        case Buttons::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case Buttons::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case Buttons::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        }
        if (m.defaultNo)
            box.setDefaultButton(QMessageBox::No);
        if (auto* b = box.button(QMessageBox::Ok))
            b->setText(QStringLiteral("确定"));
        if (auto* b = box.button(QMessageBox::Cancel))
            b->setText(QStringLiteral("取消"));
        if (auto* b = box.button(QMessageBox::Yes))
            b->setText(QStringLiteral("是(&Y)"));
        if (auto* b = box.button(QMessageBox::No))
            b->setText(QStringLiteral("否(&N)"));
        switch (box.exec()) {
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Cancel:
            return Answer::Cancel;
        default:
            return m.buttons == Buttons::YesNo ? Answer::No : Answer::Ok;
        }
    }

    QString fileName(QWidget* parent, const FileRequest& r) override {
        if (r.save)
            return QFileDialog::getSaveFileName(parent, r.title, r.directory, r.filter);
        return QFileDialog::getOpenFileName(parent, r.title, r.directory, r.filter);
    }

    QString directory(QWidget* parent, const QString& title, const QString& start) override {
        return QFileDialog::getExistingDirectory(parent, title, start);
    }

    std::optional<QColor> color(QWidget* parent, const QColor& initial, const QString& title) override {
        const QColor c = QColorDialog::getColor(initial, parent, title);
        if (!c.isValid())
            return std::nullopt;
        return c;
    }

    std::optional<QFont> font(QWidget* parent, const QFont& initial, const QString& title) override {
        bool ok = false;
        const QFont f = QFontDialog::getFont(&ok, initial, parent, title);
        if (!ok)
            return std::nullopt;
        return f;
    }

    int exec(QDialog* dialog) override { return dialog->exec(); }

    bool startProgram(const QString& program, const QStringList& arguments) override {
        return QProcess::startDetached(program, arguments);
    }

    bool openUrl(const QUrl& url) override { return QDesktopServices::openUrl(url); }

    void quit() override {
        QApplication::closeAllWindows();
        QCoreApplication::exit(0);
    }
};

WidgetPrompter& production() {
    static WidgetPrompter p;
    return p;
}

} // namespace

Prompter& prompter() {
    Prompter* chosen = app::environment().prompter;
    return chosen ? *chosen : production();
}

Answer show(QWidget* parent, const QString& text, const QString& title, Icon icon, Buttons buttons) {
    return prompter().message(parent, Message{text, title, icon, buttons});
}

Answer information(QWidget* parent, const QString& text, const QString& title) {
    return show(parent, text, title, Icon::Information);
}

Answer exclamation(QWidget* parent, const QString& text, const QString& title) {
    return show(parent, text, title, Icon::Exclamation);
}

Answer critical(QWidget* parent, const QString& text, const QString& title) {
    return show(parent, text, title, Icon::Critical);
}

Answer question(QWidget* parent, const QString& text, const QString& title, Buttons buttons) {
    return show(parent, text, title, Icon::Question, buttons);
}

bool mayCloseUnsaved(QWidget* parent, const QString& question, const std::function<bool()>& save) {
    switch (ui::question(parent, question, QStringLiteral("提示"), Buttons::YesNoCancel)) {
    case Answer::Yes:
        return save();
    case Answer::No:
        return true;
    default:
        return false;
    }
}

Answer confirmDeletion(QWidget* parent, const QString& text, const QString& title) {
    Message m{text, title, Icon::Exclamation, Buttons::YesNo};
    m.defaultNo = true;
    return prompter().message(parent, m);
}

void reportError(QWidget* parent, const QString& action, const QString& description) {
    exclamation(parent, QStringLiteral("vorlan") + action + QStringLiteral("：") + description,
                QStringLiteral("提示"));
}

} // namespace vorlan::ui
