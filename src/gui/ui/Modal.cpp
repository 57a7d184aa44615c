#include "ui/Modal.h"

#include "ui/OptionGroups.h"

#include <QPointer>

namespace vorlan::ui {

int execModal(std::unique_ptr<QDialog> dialog) {
    dialog->setAttribute(Qt::WA_DeleteOnClose, false);
    tabToTickedOptions(dialog.get()); // in every window: Tab reaches the ticked option of a group
    const QPointer<QDialog> alive(dialog.get());
    const int result = prompter().exec(dialog.get());
    // Its parent may have gone while it was shown (the program ended from inside it), taking it along.
    if (!alive)
        (void)dialog.release();
    return result;
}

} // namespace vorlan::ui
