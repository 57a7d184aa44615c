#pragma once
// "迁移到服务器": the local database file copied onto an empty database on a server, with the proof of
// the copy (rows and checksum of every table on both sides) shown in this window.

#include "maintenance/Migration.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace vorlan::maintenance {

// The report of one copy.
class Frm_Migrate : public QDialog {
    Q_OBJECT
public:
    Frm_Migrate(QWidget* parent, const MigrationReport& report);

    enum Column { ColTable, ColKind, ColSourceRows, ColTargetRows, ColSourceSum, ColTargetSum, ColResult };
    QLabel* lblResult = nullptr;
    QTableWidget* grdTables = nullptr;
    QLabel* lblSkipped = nullptr;
    QPushButton* cmdClose = nullptr;
};

// Asks for the server (the dialog 数据库连接 in its migration mode), copies the local database file onto
// it with a progress window, shows the report and, after a proved copy, offers to use the server on this
// computer from the next login on.
void migrateToServer(QWidget* parent);

} // namespace vorlan::maintenance
