// Saves that cannot be written: another program holding a month file's
// lock, a full disk, a read-only month file and a folder this user may not
// write. Each act ends at once with the reason as text naming the file, and
// the file and the book stay as they were.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>

#include "save_program.h"
#include "saves/save_book.h"
#include "support/local_time.h"
#include "temp_dir.h"

namespace kovalo {
namespace {

using testing::CurrentPath;
using testing::ReadBytes;
using testing::TempDir;
using testing::WriteBytes;

std::unique_ptr<IniDisk> DiskWaiting(std::chrono::milliseconds wait) {
  auto disk = std::make_unique<IniDisk>();
  disk->lockWait = wait;
  return disk;
}

// A program whose locks are waited for 200 ms, with its acts on the first
// save of the current month.
struct Program : testing::Program {
  explicit Program(const std::string& folder,
                   std::unique_ptr<IniDisk> disk = DiskWaiting(std::chrono::milliseconds(200)))
      : testing::Program(folder, std::move(disk)) {}
  std::vector<std::string> RowTexts() const {
    std::vector<std::string> texts;
    for (const ListedRow& row : book.Rows()) texts.push_back(row.text);
    return texts;
  }
  // What Save or Delete of the first current-month save says; empty when done.
  std::string Save() {
    const SaveBook::SaveOutcome outcome =
        book.Save("7 12/07/26 ,PM,02:05:09 PM", "1 0", "1", "Sudoku 7, new");
    return outcome.written ? std::string() : outcome.message;
  }
  std::string Delete() {
    std::string message;
    return book.Delete(0u, &message) == SaveBook::DeleteOutcome::Failed ? message : "";
  }
};

void WriteMonths(const TempDir& dir, const std::string& current) {
  std::filesystem::create_directories(dir / "Saves");
  WriteBytes(dir / "Saves/Sudoku 11-2026.ini", "[Sudoku]\nItems=1\nItem 0 A=5 11/20/26 x\n");
  WriteBytes(CurrentPath(dir), current);
}

const std::string kOneSave = "[Sudoku]\nItems=1\nItem 0 A=6 12/01/26 x\nItem 0 D=Sudoku 6, a\n";

// Another process that holds path's lock until this object goes.
class LockHolder {
 public:
  explicit LockHolder(const std::string& path) {
    int ready[2], release[2];
    if (::pipe(ready) != 0 || ::pipe(release) != 0) std::abort();
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(release[1]);
      const int fd = ::open(LockFilePath(path).c_str(), O_RDWR | O_CREAT, 0600);
      if (fd < 0 || ::flock(fd, LOCK_EX) != 0) ::_exit(1);
      char c = 'h';
      if (::write(ready[1], &c, 1) != 1) ::_exit(1);
      // Until the test closes its end.
      while (::read(release[0], &c, 1) > 0) {
      }
      ::_exit(0);
    }
    ::close(ready[1]);
    ::close(release[0]);
    char c;
    held_ = ::read(ready[0], &c, 1) == 1;
    ::close(ready[0]);
    releaseFd_ = release[1];
  }
  ~LockHolder() { Release(); }
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
  bool held() const { return held_; }
  void Release() {
    if (releaseFd_ < 0) return;
    ::close(releaseFd_);
    releaseFd_ = -1;
    ::waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_ = -1;
  int releaseFd_ = -1;
  bool held_ = false;
};

TEST(SaveFailures, ALockHeldElsewhereEndsTheActWithNothingChanged) {
  struct Case {
    const char* act;
    std::function<std::string(const std::string& folder, Program& program)> run;
  };
  const Case cases[] = {
      {"Save", [](const std::string&, Program& p) { return p.Save(); }},
      {"Delete", [](const std::string&, Program& p) { return p.Delete(); }},
      // Start-up lists both months all the same.
      {"start-up",
       [](const std::string& folder, Program&) {
         Program other(folder);
         EXPECT_EQ(other.RowTexts().size(), 2u);
         return other.startUpMessage;
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.act);
    TempDir dir;
    WriteMonths(dir, kOneSave);
    Program program(dir.path());
    const std::vector<std::string> rows = program.RowTexts();
    LockHolder holder(CurrentPath(dir));
    ASSERT_TRUE(holder.held());

    EXPECT_EQ(c.run(dir.path(), program)
                  .rfind("Another program is using the file \"" + CurrentPath(dir) + "\".", 0),
              0u);
    EXPECT_EQ(ReadBytes(CurrentPath(dir)), kOneSave);
    EXPECT_EQ(program.RowTexts(), rows);

    holder.Release();
    EXPECT_EQ(c.run(dir.path(), program), "") << "the act can be repeated";
  }
}

TEST(SaveFailures, TheSavesFolderAndTheLockFilesAreTheOwnersAlone) {
  TempDir dir;
  Program program(dir.path());
  ASSERT_EQ(program.Save(), "");
  // A lock file of ours left readable by an older version.
  const std::string oldLock = LockFilePath(dir / "Saves/Sudoku 11-2026.ini");
  WriteBytes(oldLock, "");
  ASSERT_EQ(::chmod(oldLock.c_str(), 0644), 0);
  ASSERT_TRUE(program.store.LockIsFree(dir / "Saves/Sudoku 11-2026.ini"));
  struct Case {
    std::string path;
    mode_t mode;
  };
  for (const Case& c : {Case{dir / "Saves", 0700}, Case{LockFilePath(CurrentPath(dir)), 0600},
                        Case{oldLock, 0600}}) {
    struct stat st;
    ASSERT_EQ(::stat(c.path.c_str(), &st), 0) << c.path;
    EXPECT_EQ(st.st_mode & 0777, c.mode) << c.path;
  }
}

// Mounts a 64 KB tmpfs on the Saves folder while it lives; mounted() is
// false where this machine does not allow it.
class SmallDisk {
 public:
  explicit SmallDisk(const std::string& folder) : folder_(folder) {
    std::filesystem::create_directories(folder);
    mounted_ = ::mount("tmpfs", folder.c_str(), "tmpfs", 0, "size=64k") == 0;
  }
  ~SmallDisk() {
    if (mounted_) ::umount(folder_.c_str());
  }
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;
  bool mounted() const { return mounted_; }

 private:
  std::string folder_;
  bool mounted_ = false;
};

// Where no tmpfs can be mounted, a disk that is full for every replace.
class FullDisk : public IniDisk {
 public:
  bool Replace(const std::string&, const std::string&) override {
    errno = ENOSPC;
    return false;
  }
};

// Runs act in a child that has become another user (when this process is
// root, who may write anything) and gives back what it said.
std::string AsAnotherUser(const std::function<std::string()>& act) {
  int out[2];
  if (::pipe(out) != 0) return "no pipe";
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(out[0]);
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(1);
    const std::string said = act();
    if (::write(out[1], said.data(), said.size()) < 0) ::_exit(1);
    ::_exit(0);
  }
  ::close(out[1]);
  std::string said;
  char buffer[512];
  for (ssize_t n; (n = ::read(out[0], buffer, sizeof buffer)) > 0;)
    said.append(buffer, static_cast<std::size_t>(n));
  ::close(out[0]);
  ::waitpid(child, nullptr, 0);
  return said;
}

TEST(SaveFailures, AWriteThatFailsSaysWhyAndChangesNothing) {
  // Big enough that the file and its new copy do not fit in 64 KB together.
  std::string big = kOneSave + "Padding=" + std::string(40000, 'p') + "\n";
  struct Case {
    const char* name;
    std::string contents;
    std::function<std::string(const TempDir&)> prepareAndSave;
    std::string reason;
  };
  const Case cases[] = {
      {"disk full", big,
       [&](const TempDir& dir) {
         SmallDisk disk(dir / "Saves");
         if (!disk.mounted()) {
           WriteMonths(dir, big);
           return Program(dir.path(), std::make_unique<FullDisk>()).Save();
         }
         WriteMonths(dir, big);
         Program program(dir.path());
         const std::string said = program.Save();
         const std::string kept = ReadBytes(CurrentPath(dir));
         EXPECT_EQ(kept, big);
         EXPECT_FALSE(std::filesystem::exists(TemporaryFilePath(CurrentPath(dir))));
         return said;
       },
       "the disk is full"},
      {"read-only file", kOneSave,
       [](const TempDir& dir) {
         EXPECT_EQ(::chmod(CurrentPath(dir).c_str(), 0444), 0);
         Program program(dir.path());
         std::string said = program.Save();
         const std::string deleted = program.Delete();
         EXPECT_NE(deleted.find("it is a read-only file"), std::string::npos) << deleted;
         struct stat st;
         EXPECT_EQ(::stat(CurrentPath(dir).c_str(), &st), 0);
         EXPECT_EQ(st.st_mode & 0777, 0444u);
         return said;
       },
       "it is a read-only file"},
      {"folder not ours", kOneSave,
       [](const TempDir& dir) {
         // Others may look, not write.
         EXPECT_EQ(::chmod(dir.path().c_str(), 0755), 0);
         EXPECT_EQ(::chmod((dir / "Saves").c_str(), ::geteuid() == 0 ? 0755 : 0555), 0);
         return AsAnotherUser([&] {
           Program program(dir.path());
           return program.RowTexts().size() == 2 ? program.Save() : "not listed";
         });
       },
       "not allowed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    WriteMonths(dir, c.contents);
    const std::string said = c.prepareAndSave(dir);
    EXPECT_EQ(said, "The file \"" + CurrentPath(dir) + "\" could not be written: " + c.reason +
                        ". The position was not saved.");
    EXPECT_EQ(ReadBytes(CurrentPath(dir)), c.contents);
    ::chmod((dir / "Saves").c_str(), 0755);
  }
}

}  // namespace
}  // namespace kovalo
