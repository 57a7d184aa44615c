#include "printing/Calibration.h"

#include "printing/FineTune.h"
#include "templates/CounterStore.h"
#include "templates/TemplateStore.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace vorlan::printing::calibration {

namespace {

constexpr double kArmMm = 5;          // each arm of a cross, from its centre
constexpr double kBarMm = 0.25;       // the thickness of an arm and of a ruler's base line
constexpr double kTickMm = 0.15;      // the thickness of a tick
constexpr double kCaptionSize = 8;    // points: the captions and the title
constexpr double kNumberSize = 7;     // points: the rulers' numbers
constexpr double kCaptionGapMm = 1.5; // between a cross's centre and its caption
constexpr double kFirstNumberMm = 20; // the rulers are numbered from here, clear of their corner

ui::Twips mm(double v) {
    return ui::Twips(v * kTwipsPerMm);
}

// The width of a text as placeText advances it.
ui::Twips textWidth(const QString& text, double size) {
    const double full = fullAdvance(size).value();
    double w = 0;
    for (const QChar c : text)
        w += isDoubleByte(c.unicode()) ? full : full / 2;
    return ui::Twips(w);
}

bool fits(double v) {
    return v >= -32768 && v <= 32767;
}

class SheetBuilder {
public:
    SheetBuilder(const PageGeometry& page, int allup, int allleft)
        : shift_{ui::Twips(allleft * kOffsetUnit.value()) - page.origin.x,
                 ui::Twips(allup * kOffsetUnit.value()) - page.origin.y} {}

    // A bar given in millimetres from the paper's corner.
    void bar(double leftMm, double topMm, double widthMm, double heightMm) {
        const ui::TwipsRect r{mm(leftMm) + shift_.x, mm(topMm) + shift_.y, mm(widthMm), mm(heightMm)};
        if (!fits(r.left.value()) || !fits(r.top.value()) || !fits(r.right().value()) ||
            !fits(r.bottom().value()))
            out.ok = false;
        out.sheet.bars << r;
    }
    // A text whose cell's top-left corner lies there, in millimetres from the paper's corner.
    void text(const QString& t, double leftMm, double topMm, double size) {
        const ui::TwipsPoint at{ui::Twips(std::round((mm(leftMm) + shift_.x).value())),
                                ui::Twips(std::round((mm(topMm) + shift_.y).value()))};
        const Placement p = placeText(t, at, size);
        out.ok = out.ok && p.ok;
        out.sheet.texts += p.items;
    }

    struct Built {
        Sheet sheet;
        bool ok = true;
    } out;

private:
    ui::TwipsPoint shift_;
};

QString number(double v) {
    return QLocale::c().toString(v, 'f', 2).remove(QRegularExpression(QStringLiteral("\\.?0+$")));
}

} // namespace

QList<Cross> crosses(QSizeF paperMm) {
    const double w = paperMm.width(), h = paperMm.height();
    return {{QStringLiteral("A"), QStringLiteral("左上"), {kInsetMm, kInsetMm}},
            {QStringLiteral("B"), QStringLiteral("右上"), {w - kInsetMm, kInsetMm}},
            {QStringLiteral("C"), QStringLiteral("左下"), {kInsetMm, h - kInsetMm}},
            {QStringLiteral("D"), QStringLiteral("右下"), {w - kInsetMm, h - kInsetMm}},
            {QStringLiteral("E"), QStringLiteral("中心"), {w / 2, h / 2}}};
}

QString paperProblem(QSizeF paperMm) {
    if (paperMm.width() + 1e-6 < kMinPaperMm || paperMm.height() + 1e-6 < kMinPaperMm)
        return QStringLiteral(
                   "纸张只有 %1 x %2 毫米，校准页至少要 %3 x %3 毫米的纸张，请换一种纸张再打印校准页。")
            .arg(number(paperMm.width()), number(paperMm.height()))
            .arg(kMinPaperMm);
    return QString();
}

QSizeF paperMillimetres(const PageGeometry& page) {
    return {page.paper.width.value() / kTwipsPerMm, page.paper.height.value() / kTwipsPerMm};
}

QString crossCaption(const Cross& c) {
    return QStringLiteral("%1 %2,%3").arg(c.label, number(c.mm.x()), number(c.mm.y()));
}

Sheet sheet(const PageGeometry& page, int allup, int allleft) {
    const QSizeF paper = paperMillimetres(page);
    const double w = paper.width(), h = paper.height();
    SheetBuilder b(page, allup, allleft);

    for (const Cross& c : crosses(paper)) {
        const double x = c.mm.x(), y = c.mm.y();
        b.bar(x - kArmMm, y - kBarMm / 2, 2 * kArmMm, kBarMm);
        b.bar(x - kBarMm / 2, y - kArmMm, kBarMm, 2 * kArmMm);
        // Captions lie towards the middle of the sheet, so that none runs off the paper.
        const QString caption = crossCaption(c);
        const double width = textWidth(caption, kCaptionSize).value() / kTwipsPerMm;
        const double left = x > w / 2 + 1e-6 ? x - kCaptionGapMm - width : x + kCaptionGapMm;
        b.text(caption, left, y + kCaptionGapMm, kCaptionSize);
    }

    // The rulers: base lines along the top and the left, a tick every millimetre (longer every 5 and 10),
    // numbered every 10 by the distance from the paper's edge.
    b.bar(kRulerMm, kRulerMm, w - 2 * kRulerMm, kBarMm);
    b.bar(kRulerMm, kRulerMm, kBarMm, h - 2 * kRulerMm);
    const auto tickLength = [](int m) { return m % 10 == 0 ? 4.0 : m % 5 == 0 ? 3.0 : 2.0; };
    for (int m = int(std::ceil(kRulerMm)); m <= int(std::floor(w - kRulerMm + 1e-6)); ++m) {
        b.bar(m - kTickMm / 2, kRulerMm, kTickMm, tickLength(m));
        if (m % 10 == 0 && m >= kFirstNumberMm && m <= w - kFirstNumberMm / 2) {
            const QString n = QString::number(m);
            const double width = textWidth(n, kNumberSize).value() / kTwipsPerMm;
            b.text(n, m - width / 2, kRulerMm + 4.5, kNumberSize);
        }
    }
    for (int m = int(std::ceil(kRulerMm)); m <= int(std::floor(h - kRulerMm + 1e-6)); ++m) {
        b.bar(kRulerMm, m - kTickMm / 2, tickLength(m), kTickMm);
        if (m % 10 == 0 && m >= kFirstNumberMm && m <= h - kFirstNumberMm / 2)
            b.text(QString::number(m), kRulerMm + 4.5, m - kNumberSize * 20 / kTwipsPerMm / 2, kNumberSize);
    }

    const QString title = QStringLiteral("打印校准页  纸张 %1 x %2 毫米").arg(number(w), number(h));
    const QString offsets = QStringLiteral("整体偏移 上下 %1  左右 %2").arg(allup).arg(allleft);
    for (const auto& [line, below] : {std::pair{title, 8.0}, std::pair{offsets, 12.0}}) {
        const double width = textWidth(line, kCaptionSize).value() / kTwipsPerMm;
        b.text(line, w / 2 - width / 2, h / 2 + below, kCaptionSize);
    }
    if (!b.out.ok) {
        Sheet refused;
        refused.ok = false;
        return refused;
    }
    return b.out.sheet;
}

Reading readDistance(const QString& text, const QString& what, double maxMm) {
    QString t = text.trimmed();
    if (t.isEmpty())
        return {};
    // Typed with a Chinese input method, digits and the point may come full-width.
    for (QChar& c : t) {
        if (c.unicode() >= 0xFF10 && c.unicode() <= 0xFF19)
            c = QChar(u'0' + (c.unicode() - 0xFF10));
        else if (c == QChar(0xFF0E) || c == QChar(0x3002))
            c = u'.';
    }
    static const QRegularExpression plain(QStringLiteral("^([0-9]+(\\.[0-9]*)?|\\.[0-9]+)$"));
    if (!plain.match(t).hasMatch())
        return {
            std::nullopt,
            QStringLiteral("“%1”的“%2”不是数字，请填写量得的毫米数，如 25.5。").arg(what, text.trimmed())};
    const double v = QLocale::c().toDouble(t);
    if (v > maxMm)
        return {std::nullopt, QStringLiteral("“%1”的 %2 毫米超出了纸张（%3 毫米），请重新量一下。")
                                  .arg(what, t, number(maxMm))};
    return {v, QString()};
}

Result compute(const QList<Cross>& crosses, const QList<Measured>& measured, int allup, int allleft) {
    const auto axis = [&](bool horizontal, int current) {
        Axis a;
        a.offset = current;
        double sum = 0, low = 0, high = 0;
        for (int i = 0; i < crosses.size() && i < measured.size(); ++i) {
            const std::optional<double> m = horizontal ? measured.at(i).leftMm : measured.at(i).topMm;
            if (!m)
                continue;
            const double e = *m - (horizontal ? crosses.at(i).mm.x() : crosses.at(i).mm.y());
            low = a.measured ? std::min(low, e) : e;
            high = a.measured ? std::max(high, e) : e;
            sum += e;
            ++a.measured;
        }
        if (a.measured == 0)
            return a;
        a.errorMm = sum / a.measured;
        a.spreadMm = high - low;
        // Positive offsets move the print right and down: an error to the right is taken back leftwards.
        const double correction = std::nearbyint(-a.errorMm * kTwipsPerMm / kOffsetUnit.value());
        const double wanted = current + correction;
        a.offset = int(std::clamp(wanted, double(finetune::kMinOffset), double(finetune::kMaxOffset)));
        a.limited = a.offset != wanted;
        a.residualMm = a.errorMm + (a.offset - current) * kOffsetUnit.value() / kTwipsPerMm;
        return a;
    };
    return {axis(true, allleft), axis(false, allup)};
}

QString signedMm(double mm) {
    const double r = std::round(mm * 100) / 100;
    if (r == 0)
        return QStringLiteral("0.00");
    return (r > 0 ? QStringLiteral("+") : QString()) + QLocale::c().toString(r, 'f', 2);
}

QString errorText(const Axis& a, bool horizontal) {
    const QString direction = horizontal ? QStringLiteral("水平") : QStringLiteral("垂直");
    if (a.measured == 0)
        return direction + QStringLiteral(" 未量");
    QString text = QStringLiteral("%1 %2 毫米").arg(direction, signedMm(a.errorMm));
    if (std::round(a.errorMm * 100) != 0)
        text += a.errorMm > 0 ? (horizontal ? QStringLiteral("（偏右）") : QStringLiteral("（偏下）"))
                              : (horizontal ? QStringLiteral("（偏左）") : QStringLiteral("（偏上）"));
    return text;
}

void saveOffsets(const data::Engine& engine, const QString& templateName, int allup, int allleft) {
    if (const templates::CounterStore counter(engine); counter.kept()) {
        // This computer's printer only: the other counters keep theirs, the template's rows stay.
        counter.saveOffsets(templateName, allup, allleft);
        return;
    }
    const templates::TemplateStore store(engine);
    templates::Template t = store.load(templateName).tmpl;
    t.allup = allup;
    t.allleft = allleft;
    store.saveGeometry(t); // the positions go back as they were read
}

} // namespace vorlan::printing::calibration
