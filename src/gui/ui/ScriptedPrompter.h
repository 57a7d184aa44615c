#pragma once
// A prompter for tests and screenshots: answers come from a script, everything asked is recorded.
// It does nothing until it is the environment's prompter (test::ScopedEnvironment installs one).

#include "ui/Prompt.h"

#include <QList>
#include <QQueue>

namespace vorlan::ui {

class ScriptedPrompter final : public Prompter {
public:
    struct Shown {
        Message message;
        Answer answer;
    };

    // Answers handed out in order; when the queue is empty, Ok / Yes / the first button is taken.
    QQueue<Answer> answers;
    QQueue<QString> fileNames;
    QQueue<QString> directories;
    QQueue<std::optional<QColor>> colors;
    QQueue<std::optional<QFont>> fonts;
    // Called with every dialog shown modally; returns the dialog's result. Default: Rejected without showing.
    std::function<int(QDialog*)> onExec;
    bool startSucceeds = true;

    QList<Shown> shown;
    QList<FileRequest> fileRequests;
    QStringList colorTitles;
    QStringList fontTitles;
    QStringList dialogsShown; // objectName of every modal dialog
    QStringList programsStarted;
    QList<QUrl> urlsOpened;
    int quitCount = 0;

    // Convenience for tests.
    QStringList texts() const;
    QString lastText() const;
    Message last() const;
    void clear();

    Answer message(QWidget* parent, const Message& m) override;
    QString fileName(QWidget* parent, const FileRequest& r) override;
    QString directory(QWidget* parent, const QString& title, const QString& start) override;
    std::optional<QColor> color(QWidget* parent, const QColor& initial, const QString& title) override;
    std::optional<QFont> font(QWidget* parent, const QFont& initial, const QString& title) override;
    int exec(QDialog* dialog) override;
    bool startProgram(const QString& program, const QStringList& arguments) override;
    bool openUrl(const QUrl& url) override;
    void quit() override;
};

} // namespace vorlan::ui
