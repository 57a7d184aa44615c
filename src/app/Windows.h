#pragma once
// Opening the windows of the other subsystems. Each opener, implemented by its subsystem, is one
// ui::openModal call: the window is created for one modal showing and destroyed when it closes.

class QWidget;
namespace vorlan::data {
class Engine;
}

namespace vorlan::windows {

void openPrintWindow(QWidget* parent);      // Frm_申通快递, on the current template
void openDesigner(QWidget* parent);         // Frm_模板, on the current template
void openHistoryQuery(QWidget* parent);     // Frm_CXdata, on the current template
void openCustomerRegister(QWidget* parent); // Frm_khgl
void openUserAccounts(QWidget* parent);     // Frm_RenYuanGL
void openMaintenance(QWidget* parent);      // Frm_Backup
void openCalendar(QWidget* parent);         // Frm_RiLi
void openAbout(QWidget* parent);            // Frm_NetCorvane
void printTestPage(QWidget* parent);        // the printer test page of the tools panel

// Fills a newly created database with the first-run sample (template, customers).
void seedSampleData(const data::Engine& db);

} // namespace vorlan::windows
