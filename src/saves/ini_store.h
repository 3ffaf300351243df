// The INI store behind the save files: "[Section]" lines followed by
// "key=value" lines, read and written the way the private-profile calls of
// desktop systems do, with these choices:
//
// * Values come back byte for byte as written. Nothing is trimmed and no
//   quotes are stripped: a position text that starts with a blank (an empty
//   first cell) must keep that blank, or every cell shifts by one.
// * Section and key names are matched without regard to ASCII case, as the
//   desktop calls do; blanks and tabs around a name in the file are ignored.
//   The first matching key wins, searching every section of that name in file
//   order; a new key goes after the last key of the first such section. Keys
//   before the first section, lines without '=', lines starting with ';', a
//   '[' line without its ']' and anything else not understood are kept as
//   they stand, line ends included.
// * Values are single lines. A line break in a value to be written is unsafe
//   input (it could add keys or sections of its own), so every CR and LF in it
//   is written as a blank.
// * A file is read once and served from memory, until Forget lets go of it.
//   Every call compares the file's stamp (device, inode, size, modification
//   and change time) from one stat() with the one it was read with and reads
//   it again only when they differ. Any write to the file, or any change of
//   its times, sets its change time, so an edit that keeps size and
//   modification time is seen as well (one that falls in the same tick of
//   the file system's clock as the read, a few milliseconds, is not).
// * Every write replaces the whole file atomically: the temporary file
//   ".<name>.tmp" in the same folder, written, fsync'ed, renamed over the old
//   one, then the folder fsync'ed. Whatever moment the program dies at, the
//   path holds the old file or the new one; at worst the temporary is left
//   behind, to be truncated by the next write. One name per file is enough
//   because the writer holds the file's lock. A file that its owner made
//   read-only is never replaced.
// * Any bytes are accepted: junk, NULs, lines of any length, CR LF line ends
//   (the CR is not part of the value; nor is a CR that ends the file).
//   Missing files, folders, sections and
//   keys give the defaults. A path that is not a regular file (a folder, a
//   FIFO) or cannot be read gives the defaults and refuses writes, so an
//   unreadable file is never replaced by one holding a single key.
// * Every change is a read-modify-write under an exclusive lock (flock) on a
//   lock file beside the file, ".<name>.lock" (made readable by its owner
//   only), with the file read afresh inside the lock when its stamp has
//   changed. Two programs writing the same file at once therefore never lose
//   each other's keys. Several keys can be changed in one transaction, which
//   replaces the file once. The lock is waited for 2 s at most: a program
//   that holds it longer makes the change fail as Busy, with nothing written.
//   The wait is a blocking flock that a timer of the waiting thread ends;
//   its signal, SIGRTMIN + 5, is the store's (its handler does nothing).
// * All operations are safe to call from several threads: one mutex guards
//   the cache and is held for the whole of each call.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kovalo {

// A value read with ReadString holds at most this many characters (a buffer
// of 3000 characters with its terminator).
constexpr std::size_t kIniValueCapacity = 3000;

// What identifies one version of a file on disk without reading it.
struct FileStamp {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t modifiedNs = 0;
  int64_t changedNs = 0;
  bool operator==(const FileStamp&) const = default;
};

enum class FileState { Missing, Present, Unreadable };

struct DiskFile {
  FileState state = FileState::Missing;
  FileStamp stamp;
  std::string contents;  // filled by IniDisk::Read only
};

// The store's way to the disk. The defaults use POSIX calls; tests derive
// from it to count reads or make a step fail. A step that fails leaves the
// reason in errno (0 when it has none to give).
class IniDisk {
 public:
  virtual ~IniDisk() = default;
  // How long Lock waits for a lock that someone else holds.
  std::chrono::milliseconds lockWait{2000};

  // State and stamp of path, without reading it. Missing when the file or one
  // of its folders does not exist; Unreadable for anything that is not a
  // regular file or cannot be looked at.
  virtual DiskFile Look(const std::string& path);
  // State, stamp and contents. Never blocks on a FIFO.
  virtual DiskFile Read(const std::string& path);
  // Replaces path by a file holding contents; see ReplaceFileAtomically.
  virtual bool Replace(const std::string& path, const std::string& contents);
  // Takes the exclusive lock that guards path's changes, waiting lockWait at
  // most; returns a descriptor to hand to Unlock, or -1 when it cannot be
  // taken (errno EWOULDBLOCK: someone else holds it). A lock file it makes is
  // readable and writable by its owner only.
  virtual int Lock(const std::string& path);
  virtual void Unlock(int lock);
};

// The lock file that guards path: ".<name>.lock" in the same folder.
std::string LockFilePath(const std::string& path);

// The temporary file that a write of path goes through: ".<name>.tmp" in the
// same folder.
std::string TemporaryFilePath(const std::string& path);

// Writes contents to TemporaryFilePath(path), fsyncs it and renames it over
// path, keeping the old file's permission bits; the caller holds the file's
// lock. Returns false, with the temporary file removed, path untouched and
// errno telling why, when any step fails (a missing folder among them), and
// with errno EPERM, before anything is written, when path is a file whose
// mode bits do not let this user write it (root included).
bool ReplaceFileAtomically(const std::string& path, const std::string& contents);

// Why a change of a file did not happen.
enum class StoreProblem {
  None,          // it was not asked for (the edit refused)
  Busy,          // another program held the file's lock beyond the wait
  Unreadable,    // the file is there but cannot be read
  DiskFull,      // no room, or over quota
  NotAllowed,    // no permission for the folder or the file
  ReadOnlyFile,  // the file's owner made it read-only
  ReadOnlyDisk,  // the file system is mounted read-only
  Other,
};
struct StoreFailure {
  StoreProblem problem = StoreProblem::None;
  std::string path;
  int error = 0;  // the errno behind it, 0 when none
};
StoreProblem ProblemOfError(int error);
// The failure as one sentence for a message box, naming the file, such as
// 'Another program is using the file "<path>".'; empty for None.
std::string StoreFailureText(const StoreFailure& failure);

// What ScanSection read.
struct IniScan {
  FileState state = FileState::Missing;
  uint64_t generation = 0;  // as IniEdit::Generation
};

class IniStore;
struct IniFileImage;  // a file parsed into lines, private to the store

// One file as a transaction or a view sees it: reads give what the file
// holds at that moment, together with the transaction's own writes.
class IniEdit {
 public:
  // The value exactly as it stands, not cut; nothing when the key is missing.
  std::optional<std::string_view> Value(const std::string& section, const std::string& key) const;
  // As IniStore::ReadInt and IniStore::ReadString.
  int ReadInt(const std::string& section, const std::string& key, int defaultValue) const;
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& defaultValue = "") const;
  // Calls visit with the name (as written in the file, without the blanks
  // around it) and the value of every key line in section, in file order.
  // A name may come more than once (in any case); Value finds the first.
  void ForEachKey(
      const std::string& section,
      const std::function<void(std::string_view key, std::string_view value)>& visit) const;
  // Sets a key as IniStore::WriteString does, in memory until the
  // transaction ends. False, with nothing changed, for a name the file
  // cannot hold.
  bool Write(const std::string& section, const std::string& key, const std::string& value);

  // Changes whenever the store finds the file changed by someone else (its
  // stamp differs from the one last seen): equal generations of one path in
  // one store mean that nobody else has written it in between.
  uint64_t Generation() const;

 private:
  friend class IniStore;
  explicit IniEdit(IniFileImage& file) : file_(file) {}
  IniFileImage& file_;
  bool changed_ = false;
};

class IniStore {
 public:
  IniStore();
  explicit IniStore(std::unique_ptr<IniDisk> disk);
  ~IniStore();
  IniStore(const IniStore&) = delete;
  IniStore& operator=(const IniStore&) = delete;

  // The value's leading decimal number: blanks and tabs are skipped, then an
  // optional sign and digits are read; a value with no digits reads as 0 and
  // a number beyond the range of int as the nearest limit. A missing key, or
  // one with an empty value, gives defaultValue.
  int ReadInt(const std::string& path, const std::string& section, const std::string& key,
              int defaultValue);

  // The value exactly as it stands after the first '=', cut to
  // kIniValueCapacity - 1 characters; defaultValue (cut the same way) when
  // the key is missing.
  std::string ReadString(const std::string& path, const std::string& section,
                         const std::string& key, const std::string& defaultValue = "");

  // Sets the key's value, adding the key after the last key of the section,
  // or the section at the end of the file, when missing; creates the file
  // but not its folder. One transaction (see Transact). False when the file
  // cannot be locked or replaced (a missing folder), exists but cannot be read, or when section or
  // key is not a name the file can hold (see IsIniName); the file is then unchanged.
  bool WriteString(const std::string& path, const std::string& section, const std::string& key,
                   const std::string& value);

  // Runs edit on the file as it stands on disk, under the file's lock. When
  // edit returns true and has written anything, the file is replaced once,
  // atomically, before the lock is let go. Returns true when that replace
  // (if any) succeeded and edit returned true. False, with file and cache as
  // they were and edit not called, when the lock cannot be taken or the
  // file exists but cannot be read; false when edit returns false (its
  // writes are dropped) or the replace fails. When false, failure (if
  // given) says why; its problem is None when edit refused.
  bool Transact(const std::string& path, const std::function<bool(IniEdit&)>& edit,
                StoreFailure* failure = nullptr);

  // Whether path's lock can be taken within the wait; it is let go at once.
  bool LockIsFree(const std::string& path, StoreFailure* failure = nullptr);

  // Reads path from disk into text (the whole file; empty when it is
  // missing or unreadable), keeping none of it in the cache, and calls visit
  // as IniEdit::ForEachKey does for section, with views into text. A caller
  // that holds on to many values keeps text, and the views stay good for as
  // long as it does not change it: one copy of the file in memory.
  IniScan ScanSection(
      const std::string& path, const std::string& section, std::string& text,
      const std::function<void(std::string_view key, std::string_view value)>& visit);

  // The value of the first key named key in section, not cut, as the file
  // stands on disk; nothing when the file or the key is missing. The file is
  // read a line at a time, keeping none of it: for one key of a large file.
  std::optional<std::string> FindValue(const std::string& path, const std::string& section,
                                       const std::string& key);

  // Lets go of path's cached contents; the next call reads it again, and a
  // change is still counted against the file as last seen.
  void Forget(const std::string& path);

  // Calls read with the file as it stands (fresh against its stamp), without
  // taking the lock. An unreadable file looks empty.
  void View(const std::string& path, const std::function<void(const IniEdit&)>& read);

 private:
  IniFileImage& Load(const std::string& path);  // the cached file, fresh against its stamp

  std::mutex mutex_;
  std::unique_ptr<IniDisk> disk_;
  std::map<std::string, std::unique_ptr<IniFileImage>> files_;
};

// A value's leading decimal number, as IniStore::ReadInt reads a nonempty
// value.
int IniIntOfValue(std::string_view value);

// Whether two names are the same for the store: equal but for the case of
// ASCII letters.
bool IniNamesEqual(std::string_view a, std::string_view b);

// Whether name can be written as a section name (isSection) or a key name and
// found again: not empty, no CR or LF, no blank or tab at either end; a
// section has no ']'; a key has no '=' and does not begin with ';' or '['.
// Names that are not are never found and never written.
bool IsIniName(const std::string& name, bool isSection);

}  // namespace kovalo
