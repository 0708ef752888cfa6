#include "about/FileManager.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace skyrelle::about {
namespace {

// Long enough for the bus to start a file manager that is not running yet.
constexpr int ShowItemsTimeout = 10000;

void OpenFolder(const QString& FileName) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(FileName).absolutePath()));
}

}  // namespace

void ShowInFileManager(const QDBusConnection& Bus, const QString& FileName) {
  if (!Bus.isConnected()) {
    OpenFolder(FileName);
    return;
  }
  QDBusMessage call = QDBusMessage::createMethodCall(
      QStringLiteral("org.freedesktop.FileManager1"),
      QStringLiteral("/org/freedesktop/FileManager1"),
      QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItems"));
  call << QStringList{QUrl::fromLocalFile(FileName).toString(QUrl::FullyEncoded)} << QString();
  // Owned by the application: the About window may be gone before the answer comes.
  auto* answer = new QDBusPendingCallWatcher(Bus.asyncCall(call, ShowItemsTimeout),
                                             QCoreApplication::instance());
  QObject::connect(answer, &QDBusPendingCallWatcher::finished, answer,
                   [FileName](QDBusPendingCallWatcher* Answer) {
                     if (Answer->isError()) OpenFolder(FileName);
                     Answer->deleteLater();
                   });
}

void ShowInFileManager(const QString& FileName) {
  ShowInFileManager(QDBusConnection::sessionBus(), FileName);
}

}  // namespace skyrelle::about
