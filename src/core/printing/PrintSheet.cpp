#include "printing/PrintSheet.h"

namespace vorlan::printing {

using templates::Family;

PrintSheet buildSheet(const templates::Template& t, const BoxTexts& texts, int allup, int allleft) {
    PrintSheet sheet;
    sheet.templateName = t.name;
    for (Family f : {Family::Single, Family::Multi}) {
        const templates::PointFamily& fam = t.family(f);
        for (int k = 1; k <= fam.count; ++k) {
            const templates::InputPoint& p = fam[k];
            if (!p.isLive())
                continue;
            PrintField field{p.name,     texts.value({f, k}), p.rect.left,   p.rect.top,
                             p.fontSize, p.rect.width,        p.rect.height, ItemKind::Text};
            if (p.isSymbol()) {
                field.symbology = p.symbology;
                field.symbolText = p.symbolText;
            }
            sheet.fields << field;
        }
    }
    sheet.allupText = QString::number(allup);
    sheet.allleftText = QString::number(allleft);
    return sheet;
}

} // namespace vorlan::printing
