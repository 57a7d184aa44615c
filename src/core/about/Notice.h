#pragma once
// The maker's notice file: where it lives, how it is fetched and how its text is read.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

namespace vorlan::about {

inline constexpr auto kNoticeFileOnServer = "/NewVer.txt";
inline constexpr auto kLocalNoticeName = "NowVer.txt";
// The download blocks the window; the progress text promises about half a minute.
inline constexpr int kNoticeTimeoutMs = 30000;

// The line shown above and below the notice: 62 asterisks.
QString separatorLine();

// The notice's address on the update server and the local copy in the data folder.
QUrl noticeUrl();
QString localNoticePath();

// Downloads url into path (replacing it). True when the whole body arrived within the time limit and
// was written; on failure path is left as it was.
bool downloadToFile(const QUrl& url, const QString& path, int timeoutMs);

// The lines of a notice file, which is GBK text with CR LF line ends (a lone CR or LF also ends a line).
// A line end after the last line does not start another line.
QStringList noticeLines(const QByteArray& gbkText);

// The separate upgrade program beside the executable.
QString upgradeProgramName();
QString upgradeProgramPath();
// What the upgrade button says in an installed program: the package manager upgrades it.
QString packagedUpgradeText();

} // namespace vorlan::about
