#pragma once

#include <QDBusConnection>
#include <QString>

namespace skyrelle::about {

// Shows the file selected in the user's file manager through the freedesktop FileManager1
// service on Bus; when no file manager answers, opens the file's folder with the desktop's
// default handler instead. Returns at once: the answer is awaited in the event loop.
void ShowInFileManager(const QDBusConnection& Bus, const QString& FileName);

// The same on the session bus.
void ShowInFileManager(const QString& FileName);

}  // namespace skyrelle::about
