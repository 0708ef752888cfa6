#include "about/FileManager.h"

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QProcess>
#include <QTest>
#include <QUrl>
#include <functional>
#include <vector>

#include "app/QtApplication.h"
#include "support/TempFolder.h"

namespace skyrelle::about {
namespace {

// A file manager on the bus that only records what it is asked to show.
class TFakeFileManager : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

 public slots:
  void ShowItems(const QStringList& URIs, const QString& StartupId) {
    Calls.push_back(URIs);
    StartupIds.push_back(StartupId);
  }

 public:
  std::vector<QStringList> Calls;
  std::vector<QString> StartupIds;
};

// Stands in for the desktop's default handler of file addresses.
class TFolderOpener : public QObject {
  Q_OBJECT

 public slots:
  void Open(const QUrl& URL) { Opened.push_back(URL); }

 public:
  std::vector<QUrl> Opened;
};

// A bus of the test's own that starts no services, so no real file manager can answer.
constexpr const char* BusConfig = R"(<!DOCTYPE busconfig PUBLIC
 "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:tmpdir=/tmp</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
)";

bool WaitUntil(const std::function<bool()>& Condition) {
  const QDeadlineTimer deadline(10000);
  while (!Condition() && !deadline.hasExpired()) QTest::qWait(10);
  return Condition();
}

class FileManagerTest : public testing::Test {
 public:
  void SetUp() override {
    test_support::TestApplication();
    FDaemon.start(
        QStringLiteral("dbus-daemon"),
        {QStringLiteral("--nofork"), QStringLiteral("--print-address=1"),
         QString::fromStdString("--config-file=" + FFolder.Write("bus.conf", BusConfig))});
    ASSERT_TRUE(FDaemon.waitForReadyRead(10000)) << "dbus-daemon did not start";
    const QString address = QString::fromUtf8(FDaemon.readLine()).trimmed();
    static int connections = 0;
    const QString name = QStringLiteral("file-manager-test-%1").arg(++connections);
    FClient = std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(address, name));
    FServer = std::make_unique<QDBusConnection>(
        QDBusConnection::connectToBus(address, name + QStringLiteral("-server")));
    ASSERT_TRUE(FClient->isConnected());
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &Folders, "Open");
  }

  void TearDown() override {
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    // The last copy of a connection goes before the connection is closed.
    for (std::unique_ptr<QDBusConnection>* connection : {&FServer, &FClient}) {
      if (!*connection) continue;
      const QString name = (*connection)->name();
      connection->reset();
      QDBusConnection::disconnectFromBus(name);
    }
    FDaemon.terminate();
    FDaemon.waitForFinished(10000);
  }

  void OfferFileManager() {
    ASSERT_TRUE(FServer->registerObject(QStringLiteral("/org/freedesktop/FileManager1"),
                                        &FileManager, QDBusConnection::ExportAllSlots));
    ASSERT_TRUE(FServer->registerService(QStringLiteral("org.freedesktop.FileManager1")));
  }

  const QDBusConnection& Client() const { return *FClient; }

  TFakeFileManager FileManager;
  TFolderOpener Folders;

 private:
  test_support::TTempFolder FFolder;
  QProcess FDaemon;
  std::unique_ptr<QDBusConnection> FClient;
  std::unique_ptr<QDBusConnection> FServer;
};

TEST_F(FileManagerTest, AsksTheFileManagerToSelectTheFile) {
  OfferFileManager();
  ShowInFileManager(Client(), QStringLiteral("/home/ann/Mes Téléchargements/Setup.run"));
  ASSERT_TRUE(WaitUntil([this] { return !FileManager.Calls.empty(); }));
  EXPECT_EQ(FileManager.Calls[0].join(QLatin1Char('|')).toStdString(),
            "file:///home/ann/Mes%20T%C3%A9l%C3%A9chargements/Setup.run");
  EXPECT_EQ(FileManager.StartupIds[0].toStdString(), "");
  QTest::qWait(100);
  EXPECT_TRUE(Folders.Opened.empty());
}

TEST_F(FileManagerTest, WithoutAFileManagerOpensTheFolder) {
  ShowInFileManager(Client(), QStringLiteral("/home/ann/Downloads/Skyrelle.CAB"));
  ASSERT_TRUE(WaitUntil([this] { return !Folders.Opened.empty(); }));
  EXPECT_EQ(Folders.Opened, std::vector<QUrl>{QUrl::fromLocalFile("/home/ann/Downloads")});
}

TEST_F(FileManagerTest, WithoutABusOpensTheFolderAtOnce) {
  ShowInFileManager(QDBusConnection(QStringLiteral("never connected")),
                    QStringLiteral("/home/ann/Downloads/Skyrelle.CAB"));
  EXPECT_EQ(Folders.Opened, std::vector<QUrl>{QUrl::fromLocalFile("/home/ann/Downloads")});
}

}  // namespace
}  // namespace skyrelle::about

#include "FileManagerTest.moc"
