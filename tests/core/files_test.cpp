#include "core/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include "tests/support/process.h"
#include "tests/support/temp_dir.h"

namespace dorvane {
namespace {

Bytes bytes_of(std::string_view text) {
  return Bytes(text.begin(), text.end());
}
std::string utf8(const char8_t* text) {
  return reinterpret_cast<const char*>(text);
}

class FilesTest : public ::testing::Test {
 protected:
  // The program's form of a path in the folder: a Windows separator on purpose.
  Text at(std::string_view name) const { return dir_.path() + "\\" + Text(name); }
  std::string native(std::string_view name) const { return dir_.file(name); }
  std::string contents(std::string_view name) const { return testing::read_file(native(name)); }

  testing::TempDir dir_;
};

int open_descriptor_count() {
  int count = 0;
  DIR* fds = opendir("/proc/self/fd");
  while (readdir(fds) != nullptr) ++count;
  closedir(fds);
  return count;
}

// Lowers the file size limit so that writes beyond it fail with EFBIG, as they
// would on a full disk, and puts everything back afterwards.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &old_);
    old_handler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit old_{};
  void (*old_handler_)(int) = nullptr;
};

TEST_F(FilesTest, FileExistsFindsEntriesByFirstMatch) {
  dir_.write_file("a.txt", "x");
  dir_.make_dir("sub");
  dir_.write_file(utf8(u8"名字.txt"), "x");
  struct Case {
    Text path;
    bool exists;
  };
  const Case cases[] = {
      {"", false},
      {at("a.txt"), true},
      {at("sub"), true},
      {at("sub\\"), false},  // a folder named with a trailing separator
      {at("sub/"), false},
      {dir_.path(), true},
      {dir_.path() + "\\", false},
      {at("missing"), false},
      {at("sub\\missing"), false},
      {at("*.txt"), true},
      {at("?.txt"), true},
      {at("??.txt"), true},  // "名字.txt": "?" is one character, not one byte
      {at("???.txt"), false},
      {at("s*"), true},  // a folder found by wildcard
      {at("*.bin"), false},
      {at("[a].txt"), false},  // brackets are plain characters in Windows names
      {at("名字.txt"), true},
      {at("名?.txt"), true},
      {at("名??.txt"), false},
      {at("missing\\*"), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(file_exists(c.path), c.exists);
  }
}

TEST_F(FilesTest, MakeDirectoryMakesExactlyOneLevel) {
  dir_.make_dir("present");
  dir_.write_file("present/keep", "k");
  struct Case {
    Text path;
    bool made;
    std::string folder_after;  // native name that must be a folder afterwards, or ""
    std::string absent_after;  // native name that must not exist afterwards, or ""
  };
  const Case cases[] = {
      {at("new"), true, native("new"), ""},
      {at("slash\\"), true, native("slash"), ""},
      {at("present"), false, native("present"), ""},
      {at("missing\\child"), false, "", native("missing")},
      {at("a.txt"), true, native("a.txt"), ""},
      {at("a.txt"), false, native("a.txt"), ""},
      {at("目录"), true, native(utf8(u8"目录")), ""},
      {"", false, "", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    EXPECT_EQ(make_directory(c.path), c.made);
    struct stat info {};
    if (!c.folder_after.empty()) {
      EXPECT_TRUE(stat(c.folder_after.c_str(), &info) == 0 && S_ISDIR(info.st_mode));
    }
    if (!c.absent_after.empty()) {
      EXPECT_NE(stat(c.absent_after.c_str(), &info), 0);
    }
  }
  EXPECT_EQ(contents("present/keep"), "k");
}

TEST_F(FilesTest, WriteWholeFileCreatesOrEmptiesAndWritesEveryPart) {
  dir_.write_file("old.bin", std::string(5000, 'o'));
  const Bytes head = bytes_of("head-");
  const Bytes zeros(3, 0);
  EXPECT_TRUE(write_whole_file(at("new.bin"), {head, Bytes{}, zeros, bytes_of("tail")}));
  EXPECT_EQ(contents("new.bin"), std::string("head-\0\0\0tail", 12));
  EXPECT_TRUE(write_whole_file(at("old.bin"), {bytes_of("short")}));
  EXPECT_EQ(contents("old.bin"), "short");
  EXPECT_TRUE(write_whole_file(at("empty.bin"), {}));
  EXPECT_EQ(testing::file_size(native("empty.bin")), 0);
  EXPECT_TRUE(write_whole_file(at("文件.txt"), {bytes_of("x")}));
  EXPECT_EQ(contents(utf8(u8"文件.txt")), "x");  // named in UTF-8 on disk

  EXPECT_FALSE(write_whole_file("", {head}));
  EXPECT_FALSE(write_whole_file(at("missing\\file"), {head}));
  dir_.make_dir("folder");
  EXPECT_FALSE(write_whole_file(at("folder"), {head}));
}

TEST_F(FilesTest, WriteWholeFileKeepsWhatWasWrittenBeforeAFailure) {
  FileSizeLimit limit(1000);
  EXPECT_FALSE(write_whole_file(at("cut.bin"), {Bytes(600, 'a'), Bytes(600, 'b')}));
  EXPECT_EQ(contents("cut.bin"), std::string(600, 'a') + std::string(400, 'b'));
  const std::int32_t file = open_file(at("cut.bin"), 1, 4);  // closed: a no-sharing open gets in
  EXPECT_NE(file, 0);
  close_file(file);
}

TEST_F(FilesTest, OpenModesCreateEmptyOrKeepAsTheirTableSays) {
  struct Case {
    std::int32_t mode;
    bool present;
    bool opened;
    std::int32_t length;  // after opening
    bool writable;
  };
  const Case cases[] = {
      {1, false, false, 0, false}, {1, true, true, 4, false},  //
      {2, false, false, 0, false}, {2, true, true, 4, true},   //
      {3, false, false, 0, false}, {3, true, true, 4, true},   //
      {4, false, true, 0, true},   {4, true, true, 0, true},   //
      {5, false, true, 0, true},   {5, true, true, 4, true},   //
      {6, false, true, 0, true},   {6, true, true, 4, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message()
                 << "mode " << c.mode << (c.present ? " present" : " missing"));
    const std::string name = "m" + std::to_string(c.mode) + (c.present ? "p" : "m");
    if (c.present) dir_.write_file(name, "abcd");
    const std::int32_t file = open_file(at(name), c.mode, 1);
    EXPECT_EQ(file != 0, c.opened);
    EXPECT_EQ(testing::file_exists(native(name)), c.present || c.opened);
    if (file == 0) continue;
    EXPECT_EQ(file_length(file), c.length);
    // Writes go to the position, which starts at the beginning.
    EXPECT_EQ(write_bytes(file, {bytes_of("XY")}), c.writable);
    close_file(file);
    const std::string before = c.length == 4 ? "abcd" : "";
    EXPECT_EQ(contents(name),
              c.writable ? "XY" + before.substr(std::min<std::size_t>(2, before.size())) : before);
  }
}

TEST_F(FilesTest, OpenRefusesBadArgumentsAndWhatIsNotARegularFile) {
  dir_.write_file("f", "abcd");
  dir_.make_dir("folder");
  ASSERT_EQ(mkfifo(native("fifo").c_str(), 0600), 0);
  struct Case {
    Text path;
    std::int32_t mode;
    std::int32_t sharing;
  };
  const Case cases[] = {
      {at("f"), 0, 1},      {at("f"), 7, 1},    {at("f"), 3, 0},
      {at("f"), 3, 5},      {at("f"), -1, 1},   {"", 5, 4},
      {at("folder"), 1, 1}, {at("fifo"), 1, 1}, {at("fifo"), 2, 1},  // neither may hang nor open
      {at("f\\"), 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.path << " mode " << c.mode << " sharing " << c.sharing);
    EXPECT_EQ(open_file(c.path, c.mode, c.sharing), 0);
  }
  EXPECT_EQ(contents("f"), "abcd");
}

TEST_F(FilesTest, AppendAfterSeekToEndKeepsTheOldContents) {
  const std::string old(1000, 'o');
  dir_.write_file("part", old);
  const std::int32_t file = open_file(at("part"), 5, 4);
  ASSERT_NE(file, 0);
  EXPECT_EQ(file_length(file), 1000);
  EXPECT_TRUE(seek_to_end(file));
  EXPECT_TRUE(write_bytes(file, {bytes_of("0123456789")}));
  EXPECT_EQ(file_length(file), 1010);
  EXPECT_TRUE(write_bytes(file, {}));  // empty parts write nothing and succeed
  EXPECT_TRUE(write_bytes(file, {Bytes{}}));
  EXPECT_TRUE(write_bytes(file, {bytes_of("ab"), Bytes{}, bytes_of("c")}));
  close_file(file);
  EXPECT_EQ(contents("part"), old + "0123456789abc");

  const std::int32_t created = open_file(at("fresh"), 5, 4);
  ASSERT_NE(created, 0);
  EXPECT_EQ(file_length(created), 0);
  close_file(created);
  EXPECT_EQ(testing::file_size(native("fresh")), 0);
}

TEST_F(FilesTest, FailedWriteMovesThePositionBackToWhereTheCallBegan) {
  dir_.write_file("limited", std::string(900, 'o'));
  FileSizeLimit limit(1000);
  const std::int32_t file = open_file(at("limited"), 5, 4);
  ASSERT_NE(file, 0);
  ASSERT_TRUE(seek_to_end(file));
  // 50 bytes fit, the second part is cut short at the limit and then refused.
  EXPECT_FALSE(write_bytes(file, {Bytes(50, 'a'), Bytes(100, 'b')}));
  EXPECT_EQ(file_length(file), 1000);  // what was written stays
  EXPECT_TRUE(write_bytes(file, {bytes_of("0123456789")}));
  close_file(file);
  EXPECT_EQ(contents("limited"),
            std::string(900, 'o') + "0123456789" + std::string(40, 'a') + std::string(50, 'b'));
}

TEST_F(FilesTest, TruncateCutsBackAndPutsThePositionAtTheNewEnd) {
  dir_.write_file("cut", "0123456789");
  const std::int32_t file = open_file(at("cut"), 5, 4);
  ASSERT_NE(file, 0);
  ASSERT_TRUE(seek_to_end(file));
  EXPECT_FALSE(truncate_file(file, -1));
  EXPECT_TRUE(truncate_file(file, 4));
  EXPECT_EQ(file_length(file), 4);
  EXPECT_TRUE(write_bytes(file, {bytes_of("ab")}));  // lands right after the cut
  close_file(file);
  EXPECT_FALSE(truncate_file(file, 0));  // a closed number
  EXPECT_EQ(contents("cut"), "0123ab");
}

TEST_F(FilesTest, SharingDecidesWhetherASecondOpenGetsIn) {
  struct Case {
    std::int32_t first_mode, first_sharing, second_mode, second_sharing;
    bool second_opens;
  };
  const Case cases[] = {
      {5, 4, 5, 4, false},  // the downloader's open twice
      {5, 4, 1, 1, false}, {1, 1, 5, 4, false}, {1, 1, 1, 1, true},
      {1, 1, 3, 1, true},  {1, 3, 2, 1, false},  // writing denied
      {1, 3, 1, 1, true},                        // a second reader is fine
      {1, 3, 1, 3, true},  {2, 2, 1, 1, false},  // reading denied
      {2, 2, 2, 2, true},  {3, 1, 1, 3, false},  // a writer is present, the second denies it
      {1, 2, 2, 1, true},                        // denying reading still lets a writer in
      {1, 1, 4, 4, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.first_mode << "/" << c.first_sharing << " then "
                                      << c.second_mode << "/" << c.second_sharing);
    dir_.write_file("shared", "data");
    const std::int32_t first = open_file(at("shared"), c.first_mode, c.first_sharing);
    ASSERT_NE(first, 0);
    const std::int32_t second = open_file(at("shared"), c.second_mode, c.second_sharing);
    EXPECT_EQ(second != 0, c.second_opens);
    EXPECT_EQ(contents("shared"), "data");  // a refused mode 4 empties nothing
    close_file(second);
    close_file(first);
    const std::int32_t after = open_file(at("shared"), c.second_mode, c.second_sharing);
    EXPECT_NE(after, 0);  // closing lets it in
    close_file(after);
  }
}

TEST_F(FilesTest, SharingReachesOtherProcesses) {
  if (!testing::have_program("flock")) GTEST_SKIP() << "flock(1) is not installed";
  dir_.write_file("locked", "data");
  struct Case {
    std::int32_t sharing;
    const char* other_lock;  // what another process asks of flock(1)
    bool other_gets_it;
  };
  const Case cases[] = {
      {4, "--shared", false},    {4, "--exclusive", false}, {1, "--shared", true},
      {1, "--exclusive", false}, {3, "--exclusive", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "sharing " << c.sharing << " " << c.other_lock);
    const std::int32_t file = open_file(at("locked"), 1, c.sharing);
    ASSERT_NE(file, 0);
    const auto result =
        testing::run_command({"flock", "--nonblock", c.other_lock, native("locked"), "true"});
    EXPECT_EQ(result.exit_code == 0, c.other_gets_it) << result.output;
    close_file(file);
  }
  // The other way round: another holder's lock keeps a sharing-4 open out.
  const int other = open(native("locked").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(flock(other, LOCK_SH), 0);
  EXPECT_EQ(open_file(at("locked"), 5, 4), 0);
  const std::int32_t beside = open_file(at("locked"), 1, 1);
  EXPECT_NE(beside, 0);
  close_file(beside);
  close(other);
}

TEST_F(FilesTest, FileNumbersAreNeverReused) {
  dir_.write_file("one", "1");
  dir_.write_file("two", "22");
  const std::int32_t stale = open_file(at("one"), 3, 1);
  ASSERT_NE(stale, 0);
  close_file(stale);
  const std::int32_t live = open_file(at("two"), 3, 1);
  ASSERT_NE(live, 0);
  EXPECT_NE(live, stale);
  for (const std::int32_t bad : {stale, 0, -1, live + 1000}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(file_length(bad), -1);
    EXPECT_FALSE(seek_to_end(bad));
    EXPECT_FALSE(write_bytes(bad, {bytes_of("x")}));
    close_file(bad);  // does nothing, and must not close the live file
  }
  EXPECT_EQ(file_length(live), 2);
  EXPECT_TRUE(write_bytes(live, {bytes_of("!")}));
  close_file(live);
  EXPECT_EQ(contents("one"), "1");
  EXPECT_EQ(contents("two"), "!2");
}

TEST_F(FilesTest, NoPathLeaksADescriptor) {
  dir_.write_file("held", "data");
  dir_.make_dir("folder");
  ASSERT_EQ(mkfifo(native("fifo").c_str(), 0600), 0);
  const std::int32_t holder = open_file(at("held"), 5, 4);
  ASSERT_NE(holder, 0);
  const int before = open_descriptor_count();
  for (int i = 0; i < 300; ++i) {
    EXPECT_EQ(open_file(at("missing"), 1, 1), 0);
    EXPECT_EQ(open_file(at("folder"), 1, 1), 0);
    EXPECT_EQ(open_file(at("fifo"), 1, 1), 0);
    EXPECT_EQ(open_file(at("held"), 1, 1), 0);
    EXPECT_FALSE(write_whole_file(at("held"), {bytes_of("x")}));
    EXPECT_FALSE(write_whole_file(at("missing\\x"), {bytes_of("x")}));
    EXPECT_TRUE(file_exists(at("f*")));
    EXPECT_FALSE(file_exists(at("missing\\*")));
    const std::int32_t file = open_file(at("other"), 6, 1);
    EXPECT_TRUE(write_bytes(file, {bytes_of("y")}));
    close_file(file);
  }
  EXPECT_EQ(open_descriptor_count(), before);
  close_file(holder);
}

}  // namespace
}  // namespace dorvane
