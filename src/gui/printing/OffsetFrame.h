#pragma once
// The print window's frame "模板整体打印位置调整": the two overall offsets, each a box, a scroll bar and a
// label of the millimetres it moves the print. The box takes what the user types; the scroll bar holds
// the last whole value, which is what prints.

#include <QGroupBox>
#include <QString>

class QLabel;
class QLineEdit;
class QScrollBar;

namespace vorlan::printing {

class OffsetFrame : public QGroupBox {
public:
    explicit OffsetFrame(QWidget* parent = nullptr);

    QLineEdit* Allup = nullptr;   // down, in units of 48 twips
    QLineEdit* Allleft = nullptr; // right
    QScrollBar* VScroll1 = nullptr;
    QScrollBar* HScroll1 = nullptr;
    QLabel* Label_Allup = nullptr;
    QLabel* Label_Allleft = nullptr;

    // Puts stored offsets into the boxes, which sets the scroll bars and the labels.
    void setOffsets(int up, int left);
    // The last whole values (the scroll bars), never a half-typed text.
    int up() const;
    int left() const;

private:
    void offsetChanged(QLineEdit* edit, QScrollBar* bar, QLabel* label, QString& lastGood);
    void scrollChanged(QLineEdit* edit, QLabel* label, int value);

    QString lastAllup_ = QStringLiteral("0");
    QString lastAllleft_ = QStringLiteral("0");
};

} // namespace vorlan::printing
