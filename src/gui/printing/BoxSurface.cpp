#include "printing/BoxSurface.h"

#include "printing/BoxFill.h"
#include "printing/BoxOrder.h"
#include "templates/Handles.h"
#include "ui/Controls.h"
#include "ui/TwipsLayout.h"

#include <QBuffer>
#include <QImageReader>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <future>

namespace vorlan::printing {

using finetune::SlotRef;
using templates::Family;

namespace {

// Decoded straight from the stored bytes, at the size it is shown: a large scan is scaled while it is
// decoded, which is far quicker than decoding it whole.
QImage decodePicture(const QByteArray& bytes, QSize size) {
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    reader.setScaledSize(size);
    return reader.read();
}

} // namespace

BoxSurface::BoxSurface(QWidget* parent) : QWidget(parent), boxes_(this) {
    setObjectName(QStringLiteral("surface"));
    setAutoFillBackground(true);
    Image1 = ui::makeLabel(this, QStringLiteral("Image1"), QString());
    Image1->setScaledContents(true);
    Image1->hide();
}

void BoxSurface::build(const templates::Template& t, const BoxTexts& initial, templates::HandleSet* handles,
                       QObject* watcher) {
    picture_ = QPixmap();
    Image1->hide();
    // A scan of several megabytes takes a while to decode; the boxes are built meanwhile.
    std::future<QImage> decoding;
    const QRect target = ui::toPixels(t.pictureRect);
    if (templates::pictureShown(t.picture) && target.width() > 0 && target.height() > 0) {
        const qreal dpr = devicePixelRatioF();
        const QSize size(qRound(target.width() * dpr), qRound(target.height() * dpr));
        decoding = std::async(std::launch::async, decodePicture, t.picture, size);
    }

    for (Family f : {Family::Single, Family::Multi}) {
        const templates::PointFamily& fam = t.family(f);
        for (int k = 1; k <= fam.count; ++k)
            if (fam[k].isLive())
                createBox(fam[k], {f, k}, handles, watcher);
    }
    setTexts(initial);
    for (const SlotRef& ref : readingOrder(t)) {
        QWidget* b = box(ref);
        if (b && pickerForBox(t, ref) != PickerKind::None)
            b->setToolTip(b->toolTip() + QStringLiteral("（F4 或双击：选择）"));
    }

    if (decoding.valid())
        showPicture(decoding.get(), t.pictureRect);
    fit(t);
}

void BoxSurface::showPicture(const QImage& image, const ui::TwipsRect& r) {
    if (image.isNull())
        return;
    picture_ = QPixmap::fromImage(image);
    picture_.setDevicePixelRatio(devicePixelRatioF());
    Image1->setPixmap(picture_);
    ui::place(Image1, r);
    Image1->lower(); // the boxes lie above the picture
    Image1->show();
}

void BoxSurface::createBox(const templates::InputPoint& p, const SlotRef& ref, templates::HandleSet* handles,
                           QObject* watcher) {
    QWidget* w = boxes_.ensure(ref, handles);
    boxes_.show(ref, p);
    // Installed after the handles' filter, so the watcher sees every event first.
    if (watcher) {
        w->installEventFilter(watcher);
        if (ref.family == Family::Multi)
            boxes_.multi(ref.slot)->viewport()->installEventFilter(watcher);
    }
}

void BoxSurface::fit(const templates::Template& t) {
    // Large enough for the picture and every box; the scroll area stretches it over its whole view.
    // Edges in single precision, as the model keeps its rectangles.
    ui::Twips right, bottom;
    auto extend = [&](const ui::TwipsRect& r) {
        right = std::max(right, r.right().toSingle());
        bottom = std::max(bottom, r.bottom().toSingle());
    };
    if (!picture_.isNull())
        extend(t.pictureRect);
    for (const templates::PointFamily* fam : {&t.single, &t.multi})
        for (int k = 1; k <= fam->count; ++k)
            if ((*fam)[k].isLive())
                extend((*fam)[k].rect);
    setMinimumSize(ui::toPixels(ui::TwipsSize{right + 120_tw, bottom + 120_tw}));
}

QLineEdit* BoxSurface::line(int k) const {
    return k >= 1 ? boxes_.line(k) : nullptr;
}

QPlainTextEdit* BoxSurface::multi(int k) const {
    return k >= 1 ? boxes_.multi(k) : nullptr;
}

QWidget* BoxSurface::box(const SlotRef& ref) const {
    return ref.slot >= 1 ? boxes_.box(ref) : nullptr;
}

std::optional<SlotRef> BoxSurface::slotOf(const QObject* object) const {
    return boxes_.slotOf(object);
}

QString BoxSurface::text(const SlotRef& ref) const {
    if (ref.family == Family::Single) {
        const QLineEdit* e = line(ref.slot);
        return e ? e->text() : QString();
    }
    const QPlainTextEdit* m = multi(ref.slot);
    return m ? m->toPlainText() : QString();
}

void BoxSurface::setText(const SlotRef& ref, const QString& text) {
    if (ref.family == Family::Single) {
        if (QLineEdit* e = line(ref.slot))
            e->setText(text);
    } else if (QPlainTextEdit* m = multi(ref.slot)) {
        m->setPlainText(text);
    }
}

void BoxSurface::setTexts(const BoxTexts& texts) {
    for (auto it = texts.cbegin(); it != texts.cend(); ++it)
        setText(it.key(), it.value());
}

BoxTexts BoxSurface::texts() const {
    BoxTexts out;
    boxes_.forEach([&](const SlotRef& ref, QWidget*) {
        if (ref.slot >= 1)
            out.insert(ref, text(ref));
    });
    return out;
}

void BoxSurface::setBoxesVisible(bool visible) {
    boxes_.forEach([&](const SlotRef&, QWidget* w) { w->setVisible(visible); });
}

} // namespace vorlan::printing
