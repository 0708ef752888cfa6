#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>

#include "ImageFixtures.h"
#include "imaging/ImageError.h"
#include "imaging/Picture.h"

namespace skyrelle::imaging {
namespace {

using namespace test_support;

// Opening a pipe for reading waits for a writer that never comes; the program would hang.
TEST(PictureTest, APipeNamedLikeAPictureIsRefusedWithoutWaiting) {
  TTempFolder folder;
  const std::string fileName = folder / "pipe.jpg";
  ASSERT_EQ(::mkfifo(fileName.c_str(), 0600), 0);
  auto opening = std::async(std::launch::async, [&]() -> std::string {
    try {
      TPicture picture(fileName);
      return "opened";
    } catch (const EImageError& error) {
      return error.what();
    }
  });
  if (opening.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
    ADD_FAILURE() << "opening the pipe blocked";
    // A writer lets the blocked open return, so the test can end.
    const int writer = ::open(fileName.c_str(), O_WRONLY | O_NONBLOCK);
    opening.wait();
    if (writer >= 0) ::close(writer);
    return;
  }
  EXPECT_NE(opening.get().find("not a regular file"), std::string::npos);
}

}  // namespace
}  // namespace skyrelle::imaging
