// MD5 of a buffer or a file as 32 lower-case hex digits, to check downloaded files.
//
//   EXPECT_EQ(dorvane::testing::md5_hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
//   EXPECT_EQ(dorvane::testing::md5_file(downloaded), dorvane::testing::md5_hex(payload));
#pragma once

#include <string>
#include <string_view>

namespace dorvane::testing {

std::string md5_hex(std::string_view bytes);
// Empty when the file cannot be read.
std::string md5_file(const std::string& path);

}  // namespace dorvane::testing
