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
  TTempFolder Folder;
  const std::string FileName = Folder / "pipe.jpg";
  ASSERT_EQ(::mkfifo(FileName.c_str(), 0600), 0);
  auto Opening = std::async(std::launch::async, [&]() -> std::string {
    try {
      TPicture Picture(FileName);
      return "opened";
    } catch (const EImageError& Error) {
      return Error.what();
    }
  });
  if (Opening.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
    ADD_FAILURE() << "opening the pipe blocked";
    // A writer lets the blocked open return, so the test can end.
    const int Writer = ::open(FileName.c_str(), O_WRONLY | O_NONBLOCK);
    Opening.wait();
    if (Writer >= 0) ::close(Writer);
    return;
  }
  EXPECT_NE(Opening.get().find("not a regular file"), std::string::npos);
}

}  // namespace
}  // namespace skyrelle::imaging
