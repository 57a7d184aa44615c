#include "printing/WindowKeys.h"

#include "ui/Prompt.h"

#include <QAction>
#include <QEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

namespace vorlan::printing {

namespace {

// Read and written in the portable form: the native one follows the installed translations.
QKeySequence keysOf(const char* keys) {
    return QKeySequence(QString::fromLatin1(keys), QKeySequence::PortableText);
}

QString withKeys(const QString& what, const QKeySequence& keys) {
    return what + QStringLiteral("（") + keys.toString(QKeySequence::PortableText) + QStringLiteral("）");
}

QAction* windowAction(QWidget* window, const QString& name, const QString& what, const QKeySequence& keys) {
    auto* a = new QAction(what, window);
    a->setObjectName(name);
    a->setShortcut(keys);
    a->setShortcutContext(Qt::WindowShortcut);
    a->setAutoRepeat(false);
    window->addAction(a);
    return a;
}

class DoubleClickFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonDblClick)
            return QObject::eventFilter(watched, event);
        // The press that came before this event has set the button down; releasing it must not click
        // again.
        if (auto* b = qobject_cast<QPushButton*>(watched))
            b->setDown(false);
        return true;
    }
};

} // namespace

void bindButtonKey(QWidget* window, QPushButton* button, const char* keys, const QString& what) {
    const QKeySequence seq = keysOf(keys);
    button->setToolTip(withKeys(what, seq));
    QAction* a = windowAction(window, button->objectName() + QStringLiteral("_key"), what, seq);
    QObject::connect(a, &QAction::triggered, button, [button] {
        if (button->isEnabled())
            button->click();
    });
}

void bindTabToggleKey(QWidget* window, QTabWidget* tabs, const char* keys) {
    const QKeySequence seq = keysOf(keys);
    for (int i = 0; i < 2; ++i)
        tabs->setTabToolTip(i, withKeys(tabs->tabText(i), seq));
    QAction* a = windowAction(window, tabs->objectName() + QStringLiteral("_key"), tabs->tabText(1), seq);
    QObject::connect(a, &QAction::triggered, tabs,
                     [tabs] { tabs->setCurrentIndex(tabs->currentIndex() == 1 ? 0 : 1); });
}

void ignoreDoubleClick(QPushButton* button) {
    button->installEventFilter(new DoubleClickFilter(button));
}

void appendTabStops(QList<QWidget*>& chain, const QList<QWidget*>& candidates) {
    for (QWidget* w : candidates)
        if (w && !chain.contains(w) && (w->focusPolicy() & Qt::TabFocus))
            chain << w;
}

void setTabChain(const QList<QWidget*>& chain) {
    for (qsizetype i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1], chain[i]);
}

void unselect(QWidget* box) {
    if (auto* line = qobject_cast<QLineEdit*>(box)) {
        line->end(false);
    } else if (auto* multi = qobject_cast<QPlainTextEdit*>(box)) {
        QTextCursor c = multi->textCursor();
        c.movePosition(QTextCursor::End);
        multi->setTextCursor(c);
    }
}

bool mayDropUnprinted(QWidget* window, const QString& question) {
    return ui::question(window, question, QStringLiteral("警告")) == ui::Answer::Yes;
}

} // namespace vorlan::printing
