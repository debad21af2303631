// What the program remembers between runs, all in one small file of the
// per-user configuration folder ($XDG_CONFIG_HOME/Corvanel/brevantis.conf,
// through QSettings under the names main() gives): the files opened last,
// the export's last destination and format, whether system tables are
// shown, and the windows' sizes. Nothing of a database is kept.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace settings {

// Most recent first.
QStringList RecentFiles();
void SetRecentFiles(const QStringList& paths);

QString ExportDestination();
void SetExportDestination(const QString& folder);
// The format's short name ("xls", "xlsx", ...), empty when none was chosen.
QString ExportFormat();
void SetExportFormat(const QString& name);

bool ShowSystemTables();
void SetShowSystemTables(bool shown);

QByteArray MainWindowGeometry();
void SetMainWindowGeometry(const QByteArray& geometry);
// The tree's share of the main window's width, 0 when the user never set it.
double TreeShare();
void SetTreeShare(double share);

}  // namespace settings
