#include "Shots.h"

#include "TestEnv.h"
#include "printing/PrintSetupDialog.h"

#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

using namespace vorlan;

// The print setup of a template laid on a scan of a whole 230 x 127 mm form: its own paper size, positions
// from the paper's corner.
static shots::Registrar printSetup("printsetup", [](const QString& folder) {
    test::TestEnv env;
    printing::PrintSettings s = printing::withCustomPaper({}, QSizeF(230, 127));
    s.orientation = QPageLayout::Portrait;
    s.origin = printing::PrintOrigin::Paper;
    printing::PrintSetupDialog d(nullptr, QStringLiteral("快递运单"), s);
    shots::save(&d, folder, QStringLiteral("print-setup"));
});
