#include "app/qt/ErrorBox.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <cstdio>
#include <exception>
#include <utility>

namespace skyrelle::app {
namespace {

void ShowMessageBox(const QString& Caption, const QString& Text) {
  QMessageBox::critical(nullptr, Caption, Text, QMessageBox::Ok);
}

TErrorPresenter& Presenter() {
  static TErrorPresenter presenter = ShowMessageBox;
  return presenter;
}

}  // namespace

QString CurrentExceptionText() {
  try {
    throw;
  } catch (const std::exception& error) {
    return QString::fromUtf8(error.what());
  } catch (...) {
    return QStringLiteral("Unknown error");
  }
}

QString ErrorBoxText(const QString& Message) {
  if (!Message.isEmpty() && Message.back() > QLatin1Char('.')) return Message + QLatin1Char('.');
  return Message;
}

TErrorPresenter SetErrorPresenter(TErrorPresenter NewPresenter) {
  return std::exchange(Presenter(), std::move(NewPresenter));
}

void ShowCurrentException() noexcept { ShowErrorBox(ErrorBoxText(CurrentExceptionText())); }

void ShowErrorBox(const QString& Text) noexcept {
  try {
    Presenter()(QCoreApplication::applicationName(), Text);
  } catch (...) {
    // The box itself failed (out of memory): the message can only go to the log.
    std::fputs("Skyrelle: an error could not be shown\n", stderr);
  }
}

}  // namespace skyrelle::app
