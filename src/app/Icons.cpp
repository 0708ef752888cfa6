#include "app/Icons.h"

#include <QDirIterator>
#include <QFile>

namespace skyrelle::app {

// A drawing made for 16 pixels serves the 24 list as well unless that list has its own.
QIcon ListIcon(TIconList List, const QString& Name) {
  const QString own = QStringLiteral(":/icons/24/%1.svg").arg(Name);
  if (List == TIconList::Size24 && QFile::exists(own)) return QIcon(own);
  return QIcon(QStringLiteral(":/icons/16/%1.svg").arg(Name));
}

QIcon MainIcon() {
  QIcon icon;
  for (QDirIterator rendering(QStringLiteral(":/mainicon"), {QStringLiteral("*.png")});
       rendering.hasNext();)
    icon.addFile(rendering.next());
  return icon;
}

}  // namespace skyrelle::app
