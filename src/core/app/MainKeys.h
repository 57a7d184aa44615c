#pragma once
// The main window's keys, toolbar buttons and help text: one table each, so that a key, its tooltip and its
// line in the help text cannot disagree.

#include <QIcon>
#include <QKeySequence>
#include <QRgb>
#include <QString>

#include <span>

namespace vorlan::app {

// A toolbar button, left to right. Buttons without a tooltip of their own say what they do, so that their
// key can be shown next to it.
struct ToolbarButton {
    const char* key;
    const char* caption;
    const char* tip;
    const char* glyph;
    QRgb colour;
    const char* keys; // QKeySequence::PortableText
    const char* help; // the line of the help text
};

// A tools-panel button by objectName with its key. The keys work while the panel is hidden too (the tree
// they act on is always there); a button disabled for the user level ignores its key as it ignores a click.
struct PanelKey {
    const char* button;
    const char* keys;
    const char* help;
};

std::span<const ToolbarButton> toolbarButtons();
std::span<const PanelKey> panelKeys();

// Read and written in the portable form: the native one follows the installed translations.
QKeySequence portableKeys(const char* keys);
// "text（key）", as tooltips show it.
QString withKeys(const QString& text, const QKeySequence& keys);

// The help text shown by "帮助显示", with the table of every key.
QString helpHtml();

// Toolbar pictures: a coloured tile with one character, drawn so every button matches.
QIcon tileIcon(const QString& glyph, const QColor& colour);

// Finds the first calculator program on this system, or an empty text.
QString findCalculator();

} // namespace vorlan::app
