#pragma once
// The seam to the window system. Every message box, confirmation, standard dialog, modal window,
// external program and URL goes through the current Prompter, so a test can script the answers and
// read what was shown without a modal box blocking.

#include <QColor>
#include <QFont>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <optional>

class QWidget;
class QDialog;

namespace vorlan::ui {

enum class Icon { None, Information, Exclamation, Critical, Question };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

struct Message {
    QString text;
    QString title;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    bool defaultNo = false; // Enter answers No: the question is about destroying something
};

struct FileRequest {
    QString title;
    QString directory;
    QString filter; // Qt name filter, e.g. "图片 (*.bmp *.jpg)"
    bool save = false;
};

class Prompter {
public:
    virtual ~Prompter() = default;
    virtual Answer message(QWidget* parent, const Message& m) = 0;
    // Empty text when the user cancels.
    virtual QString fileName(QWidget* parent, const FileRequest& r) = 0;
    virtual QString directory(QWidget* parent, const QString& title, const QString& start) = 0;
    virtual std::optional<QColor> color(QWidget* parent, const QColor& initial, const QString& title) = 0;
    virtual std::optional<QFont> font(QWidget* parent, const QFont& initial, const QString& title) = 0;
    // Shows a dialog modally and returns its result code (QDialog::Accepted / Rejected). The dialog stays
    // the caller's; windows are opened through ui::openModal (ui/Modal.h).
    virtual int exec(QDialog* dialog) = 0;
    // Starts a program detached; false when it could not be started.
    virtual bool startProgram(const QString& program, const QStringList& arguments) = 0;
    virtual bool openUrl(const QUrl& url) = 0;
    // Ends the program (exit buttons, the upgrade start).
    virtual void quit() = 0;
};

// The prompter of this run: the real dialogs unless the environment names another (app/Environment.h).
Prompter& prompter();

// Shorthands.
Answer show(QWidget* parent, const QString& text, const QString& title, Icon icon = Icon::None,
            Buttons buttons = Buttons::Ok);
Answer information(QWidget* parent, const QString& text, const QString& title);
Answer exclamation(QWidget* parent, const QString& text, const QString& title);
Answer critical(QWidget* parent, const QString& text, const QString& title);
Answer question(QWidget* parent, const QString& text, const QString& title, Buttons buttons = Buttons::YesNo);
// Before a window closes over unsaved work: asks the question (title "提示") with 是 / 否 / 取消. 是 runs
// save, and the window may close only when it succeeded (a failed save has said why); 否 closes without
// saving; 取消 keeps the window open. Whether the window may close.
bool mayCloseUnsaved(QWidget* parent, const QString& question, const std::function<bool()>& save);

// Yes / No before something that cannot be undone, with No as the default button.
Answer confirmDeletion(QWidget* parent, const QString& text, const QString& title);

// The usual failure report: source text + action name + "：" + description, title "提示".
void reportError(QWidget* parent, const QString& action, const QString& description);

} // namespace vorlan::ui
