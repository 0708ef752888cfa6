#pragma once

#include <string>
#include <vector>

namespace skyrelle::bench {

// What one run of a program cost, as the system counted it.
struct TChildRun {
  int ExitCode = -1;  // -1 when it did not exit normally (killed, or could not start)
  double WallSeconds = 0;
  double CpuSeconds = 0;  // user and system
  long PeakKilobytes = 0;
  std::string ErrorOutput;  // what it wrote to its standard error
};

// Runs Command (a program path and its arguments) to its end and measures it; a run longer
// than TimeoutSeconds is killed.
TChildRun RunChild(const std::vector<std::string>& Command, double TimeoutSeconds = 300);

}  // namespace skyrelle::bench
