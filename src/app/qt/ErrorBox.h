#pragma once

#include <QString>
#include <functional>

namespace skyrelle::app {

// The error box's text, by the rule of app/ErrorText.h.
QString ErrorBoxText(const QString& Message);

// Shows an error box: the caption, the text, an error icon and OK.
using TErrorPresenter = std::function<void(const QString& Caption, const QString& Text)>;

// Replaces how error boxes are shown (tests record them instead of waiting for OK) and
// returns the presenter it replaced.
TErrorPresenter SetErrorPresenter(TErrorPresenter NewPresenter);

// The text of the exception in flight; call inside a catch block.
QString CurrentExceptionText();

// Shows Text in the application's error box, with the application's name as its caption.
void ShowErrorBox(const QString& Text) noexcept;

// Shows the exception in flight in the application's error box; call inside a catch block.
void ShowCurrentException() noexcept;

// Runs Action and shows whatever it raises, so that nothing escapes into the event loop.
template <typename TAction>
void Guarded(TAction&& Action) noexcept {
  try {
    Action();
  } catch (...) {
    ShowCurrentException();
  }
}

}  // namespace skyrelle::app
