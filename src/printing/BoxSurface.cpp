#include "printing/BoxSurface.h"

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

BoxSurface::BoxSurface(QWidget* parent) : QWidget(parent) {
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
                createBox(fam[k], f, k, handles, watcher);
    }
    setTexts(initial);

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

void BoxSurface::createBox(const templates::InputPoint& p, Family family, int k,
                           templates::HandleSet* handles, QObject* watcher) {
    Box b;
    if (family == Family::Single) {
        b.line = new QLineEdit(this);
        b.line->setObjectName(QStringLiteral("Text_Add"));
        b.widget = b.line;
    } else {
        b.multi = new QPlainTextEdit(this);
        b.multi->setObjectName(QStringLiteral("Text_Addscroll"));
        b.multi->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        b.multi->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        b.multi->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        b.multi->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
        b.multi->setTabChangesFocus(true);
        b.widget = b.multi;
    }
    QWidget* w = b.widget;
    w->setProperty("Index", k);
    w->setToolTip(p.name);
    w->setFont(p.font());
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, templates::color::decode(p.backColor, pal));
    pal.setColor(QPalette::Text, templates::color::decode(p.foreColor, pal));
    w->setPalette(pal);
    ui::place(w, p.rect);
    (family == Family::Multi ? multi_ : single_)[size_t(k)] = b;
    slotByObject_.insert(w, SlotRef{family, k});

    if (handles)
        handles->attachBox(w);
    // Installed after the handles' filter, so the watcher sees every event first.
    if (watcher)
        w->installEventFilter(watcher);
    if (b.multi) {
        slotByObject_.insert(b.multi->viewport(), SlotRef{family, k});
        if (watcher)
            b.multi->viewport()->installEventFilter(watcher);
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

const BoxSurface::Box* BoxSurface::find(const SlotRef& ref) const {
    if (ref.slot < 1 || ref.slot > templates::kMaxSlot)
        return nullptr;
    return &(ref.family == Family::Multi ? multi_ : single_)[size_t(ref.slot)];
}

QLineEdit* BoxSurface::line(int k) const {
    const Box* b = find({Family::Single, k});
    return b ? b->line : nullptr;
}

QPlainTextEdit* BoxSurface::multi(int k) const {
    const Box* b = find({Family::Multi, k});
    return b ? b->multi : nullptr;
}

QWidget* BoxSurface::box(const SlotRef& ref) const {
    const Box* b = find(ref);
    return b ? b->widget : nullptr;
}

std::optional<SlotRef> BoxSurface::slotOf(const QObject* object) const {
    const auto it = slotByObject_.constFind(object);
    if (it == slotByObject_.constEnd())
        return std::nullopt;
    return *it;
}

QString BoxSurface::text(const SlotRef& ref) const {
    const Box* b = find(ref);
    if (b && b->line)
        return b->line->text();
    if (b && b->multi)
        return b->multi->toPlainText();
    return QString();
}

void BoxSurface::setText(const SlotRef& ref, const QString& text) {
    const Box* b = find(ref);
    if (b && b->line)
        b->line->setText(text);
    else if (b && b->multi)
        b->multi->setPlainText(text);
}

void BoxSurface::setTexts(const BoxTexts& texts) {
    for (auto it = texts.cbegin(); it != texts.cend(); ++it)
        setText(it.key(), it.value());
}

BoxTexts BoxSurface::texts() const {
    BoxTexts out;
    for (Family f : {Family::Single, Family::Multi})
        for (int k = 1; k <= templates::kMaxSlot; ++k)
            if (box({f, k}))
                out.insert({f, k}, text({f, k}));
    return out;
}

void BoxSurface::setBoxesVisible(bool visible) {
    for (const Slots* s : {&single_, &multi_})
        for (const Box& b : *s)
            if (b.widget)
                b.widget->setVisible(visible);
}

} // namespace vorlan::printing
