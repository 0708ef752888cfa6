// Starts an app-open event to SKYRELLE_ANALYTICS_URL, waits for a line on standard input, then
// ends as the program does, whatever the event's state.
#include <iostream>
#include <string>

#include "analytics/AppOpenEvent.h"

int main() {
  skyrelle::analytics::SendAppOpenEvent("Skyrelle", "1.0.0.1", "secret");
  std::string line;
  std::getline(std::cin, line);
  return skyrelle::analytics::AbandonAppOpenEvent(0);
}
