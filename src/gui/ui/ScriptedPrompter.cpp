#include "ui/ScriptedPrompter.h"

#include <QDialog>

namespace vorlan::ui {

QStringList ScriptedPrompter::texts() const {
    QStringList out;
    for (const auto& s : shown)
        out << s.message.text;
    return out;
}

QString ScriptedPrompter::lastText() const {
    return shown.isEmpty() ? QString() : shown.last().message.text;
}

Message ScriptedPrompter::last() const {
    return shown.isEmpty() ? Message{} : shown.last().message;
}

void ScriptedPrompter::clear() {
    shown.clear();
    fileRequests.clear();
    colorTitles.clear();
    fontTitles.clear();
    dialogsShown.clear();
    programsStarted.clear();
    urlsOpened.clear();
    quitCount = 0;
}

Answer ScriptedPrompter::message(QWidget*, const Message& m) {
    Answer a;
    if (!answers.isEmpty()) {
        a = answers.dequeue();
    } else {
        switch (m.buttons) {
        case Buttons::YesNo:
        case Buttons::YesNoCancel:
            a = Answer::Yes;
            break;
        default:
            a = Answer::Ok;
            break;
        }
    }
    shown.append({m, a});
    return a;
}

QString ScriptedPrompter::fileName(QWidget*, const FileRequest& r) {
    fileRequests.append(r);
    return fileNames.isEmpty() ? QString() : fileNames.dequeue();
}

QString ScriptedPrompter::directory(QWidget*, const QString&, const QString&) {
    return directories.isEmpty() ? QString() : directories.dequeue();
}

std::optional<QColor> ScriptedPrompter::color(QWidget*, const QColor&, const QString& title) {
    colorTitles << title;
    return colors.isEmpty() ? std::nullopt : colors.dequeue();
}

std::optional<QFont> ScriptedPrompter::font(QWidget*, const QFont&, const QString& title) {
    fontTitles << title;
    return fonts.isEmpty() ? std::nullopt : fonts.dequeue();
}

int ScriptedPrompter::exec(QDialog* dialog) {
    dialogsShown << dialog->objectName();
    if (onExec)
        return onExec(dialog);
    return QDialog::Rejected;
}

bool ScriptedPrompter::startProgram(const QString& program, const QStringList& arguments) {
    programsStarted << (arguments.isEmpty() ? program
                                            : program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')));
    return startSucceeds;
}

bool ScriptedPrompter::openUrl(const QUrl& url) {
    urlsOpened << url;
    return true;
}

void ScriptedPrompter::quit() {
    ++quitCount;
}

} // namespace vorlan::ui
