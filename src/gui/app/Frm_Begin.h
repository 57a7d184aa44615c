#pragma once
// The splash window: a bar of 36 squares drawn one every 50 ms, then the login.

#include "ui/Twips.h"

#include <QTimer>
#include <QWidget>

namespace vorlan::app {

class Frm_Begin : public QWidget {
    Q_OBJECT
public:
    explicit Frm_Begin(QWidget* parent = nullptr);

    static constexpr int kSteps = 36;
    static constexpr int kIntervalMs = 50;

    int step() const { return step_; }
    // The square of step n in client twips, and its colour.
    static ui::TwipsRect squareTwips(int n);
    static QColor squareColor(int n);

    void start();

signals:
    void finished(); // after the 36th square; the window has closed itself

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void Timer1_Timer();

    QTimer Timer1;
    qint16 step_ = 0;
};

} // namespace vorlan::app
