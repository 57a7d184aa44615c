#pragma once
// The first-run sample: a waybill template with a drawn background form, two customers and a few
// common uses, so that a new user can open, fill and print at once.

#include "templates/TemplateModel.h"

#include <QByteArray>
#include <QImage>

namespace vorlan::data {
class Engine;
}

namespace vorlan::printing::sample {

inline const QString kTemplateName = QStringLiteral("示例运单");
inline const QString kCatalogueGroup = QStringLiteral("快递单");

// The blank form, drawn at 150 dots per inch over the template's picture rectangle.
QImage formImage();
// The form as PNG file bytes, as the template stores its picture.
QByteArray formPng();
// The template: its input points over the boxes of the form.
templates::Template sampleTemplate();

// Fills a newly created database with the first-run sample (template, customers).
void seedSampleData(const data::Engine& db);

} // namespace vorlan::printing::sample
