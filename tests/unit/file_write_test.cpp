// Files written under a temporary name and put in place in one step: what is at the real
// name afterwards, and that no temporary file stays behind on any path.
#include "file_write.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "test_support.h"

namespace fs = std::filesystem;

namespace {

TEST(StagedFile, PlacesWholeFilesAndLeavesNothingBehind) {
  test_support::TempRoot root;
  const std::string target = root.path() + "/file.txt";
  auto mode_0644 = [](int fd) { return fchmod(fd, 0644) == 0; };
  auto refused = [](int) {
    errno = EPERM;
    return false;
  };
  struct case_t {
    const char* what;
    bool existing;  // a file of that name is there before
    bool replace;
    bool rights_fail;
    bool placed;
    int error;  // errno when not placed
  };
  const case_t cases[] = {
      {"new file", false, true, false, true, 0},
      {"over an existing file", true, true, false, true, 0},
      {"only when absent, absent", false, false, false, true, 0},
      {"only when absent, present", true, false, false, false, EEXIST},
      {"rights refused", true, true, true, false, EPERM},
  };
  for (const case_t& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove(target);
    if (c.existing) test_support::write_file(target, "old");
    {
      tessaly::staged_file file(root.path() + "/_TMP_XXXXXX");
      ASSERT_TRUE(file.ok());
      bool done = file.write("new\ncontent", c.rights_fail ? std::function<bool(int)>(refused)
                                                           : std::function<bool(int)>(mode_0644)) &&
                  file.place(target, c.replace);
      int error = done ? 0 : errno;
      EXPECT_EQ(done, c.placed);
      EXPECT_EQ(error, c.error);
    }
    std::string want = c.placed ? "new\ncontent" : c.existing ? "old" : "";
    EXPECT_EQ(test_support::read_file(target), want);
    if (c.placed) {
      struct stat st;
      ASSERT_EQ(::stat(target.c_str(), &st), 0);
      EXPECT_EQ(st.st_mode & 07777, 0644u);
    }
    size_t entries = 0;
    for (const auto& e : fs::directory_iterator(root.path())) {
      EXPECT_EQ(e.path().filename(), "file.txt");
      ++entries;
    }
    EXPECT_EQ(entries, c.placed || c.existing ? 1u : 0u);
  }
  // A folder that cannot hold the temporary file.
  tessaly::staged_file missing(root.path() + "/no/such/_TMP_XXXXXX");
  EXPECT_FALSE(missing.ok());
  EXPECT_FALSE(missing.write("x", mode_0644));
  EXPECT_FALSE(missing.place(target, true));
}

}  // namespace
