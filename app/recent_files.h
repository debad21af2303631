// File > Open Recent: the last files opened, most recent first, kept in the
// settings. A file that has gone is dropped from the list when picked.
#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QMenu;

class RecentFiles : public QObject {
 public:
  static constexpr int kKept = 8;

  // `open` is called with the path picked from the menu.
  RecentFiles(QMenu& menu, std::function<void(const QString&)> open);

  // The file goes to the top of the list.
  void Add(const QString& path);
  void Remove(const QString& path);
  QStringList Paths() const;

 private:
  void Rebuild();

  QMenu& menu_;
  std::function<void(const QString&)> open_;
};
