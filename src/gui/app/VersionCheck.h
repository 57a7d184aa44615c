#pragma once

#include <QString>

class QWidget;

namespace vorlan::app {

// The published version text at the update server ("/ZovVer.txt"), empty on any failure.
QString fetchPublishedVersion();
// The announcement for a published text, or empty when there is nothing to announce.
QString versionAnnouncement(const QString& published);
// Fetches and, when a different version is published, tells the user. Never reports an error.
void CheckNewVersion(QWidget* parent);

} // namespace vorlan::app
