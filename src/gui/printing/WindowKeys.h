#pragma once
// The print window at the counter is worked from the keyboard: every button has its key (named in its
// tooltip), Tab goes through a chain set once the boxes stand, and a box reached by the keyboard keeps
// what it holds. Helpers for those, so that the window only says which control gets which key.

#include <QList>
#include <QString>

class QPushButton;
class QTabWidget;
class QWidget;

namespace vorlan::printing {

// Gives the button the key (portable text, e.g. "Ctrl+P") as a window-wide shortcut, named in its tooltip
// after `what`. A held key presses once, and a disabled button is not pressed.
void bindButtonKey(QWidget* window, QPushButton* button, const char* keys, const QString& what);

// The preview is a tab, not a button: the same key shows tab 1 and goes back to tab 0.
void bindTabToggleKey(QWidget* window, QTabWidget* tabs, const char* keys);

// The second press of a double click on the button does nothing: the first one has done the work already
// (one press, one sheet).
void ignoreDoubleClick(QPushButton* button);

// Adds to the chain each of the candidates that takes Tab and is not in it yet.
void appendTabStops(QList<QWidget*>& chain, const QList<QWidget*>& candidates);
// Tab goes through the widgets in the order of the chain.
void setTabChain(const QList<QWidget*>& chain);

// Before the typed sheet, never printed, is thrown away (下一张, closing the window): the question, 是 to
// go on. Whether the clerk agreed.
inline const QString kNextUnprintedQuestion =
    QStringLiteral("本张填写的内容尚未打印，清空后不能恢复。\n确定开始下一张吗？");
inline const QString kCloseUnprintedQuestion =
    QStringLiteral("本张填写的内容尚未打印，返回后不能恢复。\n确定返回吗？");
bool mayDropUnprinted(QWidget* window, const QString& question);

// The cursor to the end of a box's text, nothing selected: a typed key must not replace a picked value.
void unselect(QWidget* box);

} // namespace vorlan::printing
