#include "app/recent_files.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include "app/program_settings.h"

RecentFiles::RecentFiles(QMenu& menu, std::function<void(const QString&)> open)
    : menu_(menu), open_(std::move(open)) {
  Rebuild();
}

QStringList RecentFiles::Paths() const { return settings::RecentFiles().mid(0, kKept); }

void RecentFiles::Add(const QString& path) {
  const QString absolute = QFileInfo(path).absoluteFilePath();
  QStringList paths = Paths();
  paths.removeAll(absolute);
  paths.prepend(absolute);
  settings::SetRecentFiles(paths.mid(0, kKept));
  Rebuild();
}

void RecentFiles::Remove(const QString& path) {
  QStringList paths = Paths();
  paths.removeAll(path);
  settings::SetRecentFiles(paths);
  Rebuild();
}

void RecentFiles::Rebuild() {
  menu_.clear();
  const QStringList paths = Paths();
  for (int i = 0; i < paths.size(); ++i) {
    const QString& path = paths[i];
    // "&1 shop.mdb  (/data/shop.mdb)": the number is the key; an '&' of
    // the name is no key.
    auto plain = [](QString text) { return text.replace(QLatin1Char('&'), QStringLiteral("&&")); };
    QAction* item = menu_.addAction(QStringLiteral("&%1 %2  (%3)")
                                        .arg(i + 1)
                                        .arg(plain(QFileInfo(path).fileName()), plain(path)));
    item->setData(path);
    connect(item, &QAction::triggered, this, [this, path] { open_(path); });
  }
  menu_.setEnabled(!paths.isEmpty());
}
