#include "app/ApplicationTitle.h"

#include <QLocale>

namespace skyrelle::app {

QString ApplicationTitle(const QString& ProgramPath) {
  const QString name = ProgramPath.section(QLatin1Char('/'), -1).section(QLatin1Char('.'), 0, 0);
  if (name.isEmpty()) return name;
  return name.left(1) + QLocale::system().toLower(name.mid(1));
}

}  // namespace skyrelle::app
