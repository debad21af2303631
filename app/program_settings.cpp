#include "app/program_settings.h"

#include <QSettings>
#include <QVariant>

namespace settings {
namespace {

QVariant Value(const char* key, const QVariant& fallback = {}) { return QSettings().value(key, fallback); }
void SetValue(const char* key, const QVariant& value) { QSettings().setValue(key, value); }

}  // namespace

QStringList RecentFiles() { return Value("recentFiles").toStringList(); }
void SetRecentFiles(const QStringList& paths) { SetValue("recentFiles", paths); }

QString ExportDestination() { return Value("export/destination").toString(); }
void SetExportDestination(const QString& folder) { SetValue("export/destination", folder); }
QString ExportFormat() { return Value("export/format").toString(); }
void SetExportFormat(const QString& name) { SetValue("export/format", name); }

bool ShowSystemTables() { return Value("view/systemTables", false).toBool(); }
void SetShowSystemTables(bool shown) { SetValue("view/systemTables", shown); }

QByteArray MainWindowGeometry() { return Value("mainWindow/geometry").toByteArray(); }
void SetMainWindowGeometry(const QByteArray& geometry) { SetValue("mainWindow/geometry", geometry); }
double TreeShare() { return Value("mainWindow/treeShare", 0.0).toDouble(); }
void SetTreeShare(double share) { SetValue("mainWindow/treeShare", share); }

}  // namespace settings
