#include "converter/pipeline/convert_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "converter/pipeline/converter_context.h"
#include "converter/write/bmp_writer.h"
#include "test_files.h"

namespace quorvel {
namespace {

std::string GradientBmp(uint32_t width, uint32_t height) {
  Image image{width, height, 3, {}};
  image.pixels.resize(image.stride() * height);
  for (size_t i = 0; i < image.pixels.size(); ++i) image.pixels[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> bmp;
  EXPECT_TRUE(EncodeBmp(image, &bmp).ok());
  return {bmp.begin(), bmp.end()};
}

// A batch's pictures share the context: the second picture gets the first
// one's buffers, and what it writes must not depend on what they held.
TEST(ConvertFile, ReusesTheLastPicturesBuffersWithTheSameResult) {
  const kalvenix::testing::ScratchFolder folder;
  const std::string big = GradientBmp(900, 700);
  const std::string small = GradientBmp(300, 200);
  ASSERT_TRUE(kalvenix::testing::WriteFile(folder.Child("big.bmp"), big));
  ASSERT_TRUE(kalvenix::testing::WriteFile(folder.Child("small.bmp"), small));

  ConverterContext context;
  PictureSize size;
  ASSERT_TRUE(ConvertFile(folder.Child("small.bmp"), folder.Child("alone.png"), {0, 0}, false,
                          100, &size)
                  .ok());
  ASSERT_TRUE(ConvertFile(folder.Child("big.bmp"), folder.Child("big.png"), {0, 0}, false, 100,
                          &size, &context)
                  .ok());
  EXPECT_GE(context.buffers().IdleBytes(), big.size()) << "the source's and pixels' storage";
  ASSERT_TRUE(ConvertFile(folder.Child("small.bmp"), folder.Child("after.png"), {0, 0}, false,
                          100, &size, &context)
                  .ok());
  EXPECT_EQ(size, (PictureSize{300, 200}));
  EXPECT_EQ(kalvenix::testing::ReadFile(folder.Child("after.png")),
            kalvenix::testing::ReadFile(folder.Child("alone.png")));

  // A picture that fails still gives its buffers back, and leaves nothing.
  const std::string_view cut = std::string_view(big).substr(0, 5000);
  ASSERT_TRUE(kalvenix::testing::WriteFile(folder.Child("cut.bmp"), cut));
  context.buffers().Clear();
  EXPECT_FALSE(ConvertFile(folder.Child("cut.bmp"), folder.Child("cut.png"), {0, 0}, false, 100,
                           &size, &context)
                   .ok());
  EXPECT_GE(context.buffers().IdleBytes(), size_t{5000});
  EXPECT_FALSE(kalvenix::testing::FileExists(folder.Child("cut.png")));
}

}  // namespace
}  // namespace quorvel
