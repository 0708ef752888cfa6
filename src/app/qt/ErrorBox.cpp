#include "app/qt/ErrorBox.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <exception>
#include <utility>

#include "app/ErrorText.h"

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
  return QString::fromStdString(ExceptionMessage(std::current_exception()));
}

QString ErrorBoxText(const QString& Message) {
  return QString::fromStdString(ErrorBoxText(Message.toStdString()));
}

TErrorPresenter SetErrorPresenter(TErrorPresenter NewPresenter) {
  return std::exchange(Presenter(), std::move(NewPresenter));
}

void ShowCurrentException() noexcept { ShowErrorBox(ErrorBoxText(CurrentExceptionText())); }

void ShowErrorBox(const QString& Text) noexcept {
  try {
    Presenter()(QCoreApplication::applicationName(), Text);
  } catch (...) {
    ReportUnshownError();
  }
}

}  // namespace skyrelle::app
