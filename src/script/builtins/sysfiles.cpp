#include "script/builtins/sysfiles.h"

#include <fcntl.h>
#include <linux/cdrom.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <chrono>
#include <climits>
#include <filesystem>
#include <mutex>

#include "platform/files.h"
#include "platform/text.h"
#include "script/builtins/builtinargs.h"
#include "script/builtins/modulestate.h"
#include "script/builtins/sysbuiltins.h"
#include "script/scripthost.h"

namespace fs = std::filesystem;
using namespace builtin;

namespace {

fs::path Os(const std::string& path) { return fs::path(platform::ToOsPath(path)); }

// Folder walks stop this deep, so a link that loops back cannot recurse forever.
constexpr int kMaxDepth = 64;

bool Exists(const fs::path& p) {
  std::error_code ec;
  return fs::exists(fs::symlink_status(p, ec));
}

bool IsDir(const fs::path& p) {
  std::error_code ec;
  return fs::is_directory(p, ec);
}

bool HasWildcard(const std::string& name) { return name.find_first_of("*?") != std::string::npos; }

// The entries a path names: itself when it exists, or the entries of its
// folder whose names match the wildcards of its last name.
std::vector<fs::path> Expand(const std::string& path) {
  std::vector<fs::path> out;
  const std::string name = platform::ExtractFileName(path);
  if (!HasWildcard(name)) {
    if (!path.empty() && Exists(Os(path))) out.push_back(Os(path));
    return out;
  }
  std::string folder = platform::ExtractFilePath(path);
  const fs::path dir = folder.empty() ? fs::path(".") : Os(folder);
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    if (WildcardMatch(name, platform::FromOsPath(it->path().filename().string()))) out.push_back(it->path());
  }
  return out;
}

// True when inner is outer or lies inside it.
bool Within(const fs::path& inner, const fs::path& outer) {
  std::error_code ec;
  const fs::path a = fs::weakly_canonical(inner, ec);
  if (ec) return false;
  const fs::path b = fs::weakly_canonical(outer, ec);
  if (ec) return false;
  auto ai = a.begin();
  for (const fs::path& part : b) {
    if (part.empty()) continue;  // a trailing separator
    if (ai == a.end() || *ai != part) return false;
    ++ai;
  }
  return true;
}

// Copies one file or folder to target, replacing files that are there and
// merging into folders that are.
bool CopyOne(const fs::path& src, const fs::path& target) {
  std::error_code ec;
  if (IsDir(src)) {
    if (Within(target, src)) return false;  // a folder into itself would never end
    fs::copy(src, target,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing | fs::copy_options::copy_symlinks, ec);
    return !ec;
  }
  if (target.has_parent_path() && !fs::exists(target.parent_path(), ec)) {
    fs::create_directories(target.parent_path(), ec);
    if (ec) return false;
  }
  return fs::copy_file(src, target, fs::copy_options::overwrite_existing, ec) && !ec;
}

// Files copied so far out of those to copy, told to the progress.
struct CopyCount {
  const CopyProgress& progress;
  int done = 0;
  int total = 0;
  bool ended = false;  // the progress ended the copy

  bool Step() {
    ++done;
    if (progress && !progress(done, total)) ended = true;
    return !ended;
  }
};

// What a copy of src brings: 1 for anything but a folder, else the files
// below it (links are not followed).
int CountFiles(const fs::path& src) {
  std::error_code ec;
  if (!IsDir(src) || fs::is_symlink(fs::symlink_status(src, ec))) return 1;
  int n = 0;
  for (fs::recursive_directory_iterator it(src, ec), end; !ec && it != end; it.increment(ec))
    if (!fs::is_directory(it->symlink_status(ec))) ++n;
  return n;
}

// Copies src to target as CopyOne does, file by file so that each one is
// counted: a file (or a link at the top, to a file) by its contents, a link
// below the top as a link, a folder merged into one that is there.
bool CopyCounted(const fs::path& src, const fs::path& target, CopyCount& count, bool top) {
  std::error_code ec;
  const bool link = fs::is_symlink(fs::symlink_status(src, ec));
  if (link && (!top || IsDir(src))) {
    if (Exists(target) && !IsDir(target)) fs::remove(target, ec);
    fs::copy_symlink(src, target, ec);
    return count.Step() && !ec;
  }
  if (!IsDir(src)) {
    const bool ok = CopyOne(src, target);
    return count.Step() && ok;
  }
  if (Within(target, src)) return false;  // a folder into itself would never end
  if (!IsDir(target) && !fs::create_directory(target, ec)) return false;
  bool ok = true;
  for (fs::directory_iterator it(src, ec), end; !ec && it != end && !count.ended; it.increment(ec))
    ok = CopyCounted(it->path(), target / it->path().filename(), count, false) && ok;
  return ok && !ec && !count.ended;
}

bool CompareDirsDepth(const std::string& dir1, const std::string& dir2, int depth);

bool CompareDirOneWay(const std::string& a, const std::string& b, int depth) {
  if (!CheckDirExists(a) || !CheckDirExists(b)) return false;
  if (depth > kMaxDepth) return false;
  std::error_code ec;
  for (fs::directory_iterator it(Os(a), ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = platform::FromOsPath(it->path().filename().string());
    const std::string pa = a + "/" + name;
    const std::string pb = b + "/" + name;
    const bool ok = IsDir(it->path()) ? CompareDirsDepth(pa, pb, depth + 1) : CompareFiles(pa, pb);
    if (!ok) return false;
  }
  return !ec;
}

bool CompareDirsDepth(const std::string& dir1, const std::string& dir2, int depth) {
  return CompareDirOneWay(dir1, dir2, depth) && CompareDirOneWay(dir2, dir1, depth);
}

// One character of CP932 text at i: 1 or 2 bytes.
size_t CharLen(const std::string& s, size_t i) {
  return i + 1 < s.size() && platform::IsSjisLeadByte(static_cast<unsigned char>(s[i])) ? 2 : 1;
}

}  // namespace

bool WildcardMatch(const std::string& pattern, const std::string& name) {
  // "*.*" is every name, with or without a dot, as the shell has it.
  if (pattern == "*.*") return true;
  size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = ++p;
      starN = n;
      continue;
    }
    if (p < pattern.size()) {
      const size_t pl = CharLen(pattern, p), nl = CharLen(name, n);
      if ((pattern[p] == '?' && pl == 1) || (pl == nl && pattern.compare(p, pl, name, n, nl) == 0)) {
        p += pl;
        n += nl;
        continue;
      }
    }
    if (starP == std::string::npos) return false;
    p = starP;
    starN += CharLen(name, starN);
    n = starN;
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

// ---- Line files ----

TJFileAccess* TScriptFiles::Find(int file) {
  auto it = files_.find(file);
  return it == files_.end() ? nullptr : &it->second;
}

int TScriptFiles::Open(const std::string& fileName, int mode) {
  std::lock_guard<std::mutex> hold(lock_);
  if (files_.empty()) counter_ = 0;
  if (counter_ == INT_MAX) return -1;
  TJFileAccess entry;
  entry.name = fileName;
  if (mode == fileAPPEND) {
    if (!platform::ReadLines(fileName, entry.lines)) return -1;
  } else {
    const int fd = ::open(platform::ToOsPath(fileName).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return -1;
    ::close(fd);
  }
  files_.emplace(counter_, std::move(entry));
  return counter_++;
}

int TScriptFiles::GetLineCount(int file) {
  std::lock_guard<std::mutex> hold(lock_);
  TJFileAccess* f = Find(file);
  return f ? static_cast<int>(f->lines.size()) : -1;
}

int TScriptFiles::GetLine(int file, int lineNo, std::string& buff) {
  std::lock_guard<std::mutex> hold(lock_);
  TJFileAccess* f = Find(file);
  if (!f || lineNo < 0 || static_cast<size_t>(lineNo) >= f->lines.size()) return -1;
  buff = f->lines[static_cast<size_t>(lineNo)];
  return 0;
}

int TScriptFiles::SetLine(int file, int lineNo, const std::string& buff) {
  std::lock_guard<std::mutex> hold(lock_);
  TJFileAccess* f = Find(file);
  if (!f || lineNo < 0 || static_cast<size_t>(lineNo) >= f->lines.size()) return -1;
  f->lines[static_cast<size_t>(lineNo)] = buff;
  return 0;
}

int TScriptFiles::AddLine(int file, const std::string& buff) {
  std::lock_guard<std::mutex> hold(lock_);
  TJFileAccess* f = Find(file);
  if (!f) return -1;
  f->lines.push_back(buff);
  return 0;
}

int TScriptFiles::InsertLine(int file, int lineNo, const std::string& buff) {
  std::lock_guard<std::mutex> hold(lock_);
  TJFileAccess* f = Find(file);
  if (!f || lineNo < 0 || static_cast<size_t>(lineNo) >= f->lines.size()) return -1;
  f->lines.insert(f->lines.begin() + lineNo, buff);
  return 0;
}

int TScriptFiles::DeleteLine(int file, int lineNo) {
  std::lock_guard<std::mutex> hold(lock_);
  TJFileAccess* f = Find(file);
  if (!f || lineNo < 0 || static_cast<size_t>(lineNo) >= f->lines.size()) return -1;
  f->lines.erase(f->lines.begin() + lineNo);
  return 0;
}

namespace {

int WriteLines(const std::string& fileName, const std::vector<std::string>& lines) {
  // A read-only file is not replaced behind its back.
  if (fileName.empty() || platform::IsReadOnly(fileName)) return -1;
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return platform::WriteFileAtomic(fileName, text) ? 0 : -1;
}

}  // namespace

int TScriptFiles::Save(int file) {
  std::lock_guard<std::mutex> hold(lock_);
  TJFileAccess* f = Find(file);
  return f ? WriteLines(f->name, f->lines) : -1;
}

int TScriptFiles::SaveAs(int file, const std::string& fileName) {
  std::lock_guard<std::mutex> hold(lock_);
  TJFileAccess* f = Find(file);
  return f ? WriteLines(fileName, f->lines) : -1;
}

int TScriptFiles::Close(int file) {
  std::lock_guard<std::mutex> hold(lock_);
  return files_.erase(file) ? 0 : -1;
}

void TScriptFiles::CloseAll() {
  std::lock_guard<std::mutex> hold(lock_);
  files_.clear();
}

// ---- Files, folders and disks ----

bool CopyFileSilently(const std::string& dest, const std::string& src) {
  const std::vector<fs::path> sources = Expand(src);
  if (sources.empty() || dest.empty()) return false;
  const fs::path to = Os(dest);
  const bool intoFolder = IsDir(to) || sources.size() > 1;
  if (intoFolder && !IsDir(to)) {
    std::error_code ec;
    fs::create_directories(to, ec);
    if (ec) return false;
  }
  bool ok = true;
  for (const fs::path& s : sources) ok = CopyOne(s, intoFolder ? to / s.filename() : to) && ok;
  return ok;
}

bool DeleteFileSilently(const std::string& path) {
  const std::vector<fs::path> targets = Expand(path);
  if (targets.empty()) return false;
  bool ok = true;
  for (const fs::path& t : targets) {
    std::error_code ec;
    fs::remove_all(t, ec);
    ok = ok && !ec;
  }
  return ok;
}

bool RenameFileWithUndo(const std::string& org, const std::string& newName) {
  if (org.empty() || newName.empty() || !Exists(Os(org))) return false;
  // The shell would ask before replacing; nobody can be asked here, so an
  // existing name is refused.
  if (Exists(Os(newName))) return false;
  std::error_code ec;
  fs::rename(Os(org), Os(newName), ec);
  return !ec;
}

bool CheckFileExists(const std::string& path) { return platform::FileExists(path); }

bool CompareFiles(const std::string& path1, const std::string& path2) {
  if (!platform::FileExists(path1) || !platform::FileExists(path2)) return false;
  std::string a, b;
  if (!platform::ReadFileBytes(path1, a) || !platform::ReadFileBytes(path2, b)) return false;
  return a == b;
}

bool CheckDirExists(const std::string& dir) { return !dir.empty() && platform::DirectoryExists(dir); }

bool CreateDirectoryPath(const std::string& dir) {
  if (dir.empty()) return false;
  return ::mkdir(platform::ToOsPath(dir).c_str(), 0777) == 0;
}

bool IsDirEmpty(const std::string& dir) {
  if (dir.empty()) return true;
  std::error_code ec;
  fs::directory_iterator it(Os(dir), ec);
  return ec || it == fs::directory_iterator();
}

bool CopyDirContents(const std::string& dest, const std::string& src, const CopyProgress& progress) {
  if (!CheckDirExists(src) || dest.empty()) return false;
  const fs::path to = Os(dest);
  // A destination inside the source would take a copy of itself: refused
  // before anything is written, not half-way through.
  if (Within(to, Os(src))) return false;
  if (!Exists(to) && !CreateDirectoryPath(dest)) return false;
  if (!IsDir(to)) return false;
  std::error_code ec;
  std::vector<fs::path> entries;
  for (fs::directory_iterator it(Os(src), ec), end; !ec && it != end; it.increment(ec)) entries.push_back(it->path());
  if (ec) return false;
  CopyCount count{progress};
  if (progress) {
    for (const fs::path& e : entries) count.total += CountFiles(e);
    if (!progress(0, count.total)) return false;
  }
  bool ok = true;
  for (const fs::path& e : entries) {
    ok = CopyCounted(e, to / e.filename(), count, true) && ok;
    if (count.ended) return false;
  }
  return ok;
}

bool SynchronizeDir(const std::string& dest, const std::string& src, const CopyProgress& progress) {
  // Emptying dest must never reach the root, nor the source the copy needs,
  // whether the source lies in dest or dest in the source.
  if (dest.empty() || Within(fs::path("/"), Os(dest)) || Within(Os(src), Os(dest)) || Within(Os(dest), Os(src)))
    return false;
  for (int pass = 1; !IsDirEmpty(dest); ++pass) {
    if (pass == 7) return false;
    const std::string all = dest.back() == '/' ? dest + "*.*" : dest + "/*.*";
    if (!DeleteFileSilently(all)) return false;
  }
  return CopyDirContents(dest, src, progress);
}

bool CompareDirs(const std::string& dir1, const std::string& dir2) { return CompareDirsDepth(dir1, dir2, 0); }

bool CheckDiskMedia(const std::string& drive) {
  if (drive.empty()) return false;
  const std::string os = platform::ToOsPath(drive);
  struct stat st;
  if (::stat(os.c_str(), &st) != 0) return false;
  if (S_ISBLK(st.st_mode)) {
    const int fd = ::open(os.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;  // no medium in a removable drive refuses the open
    bool present = false;
    const int cd = ::ioctl(fd, CDROM_DRIVE_STATUS, CDSL_CURRENT);
    if (cd >= 0) {
      present = cd == CDS_DISC_OK;
    } else {
      unsigned long long size = 0;
      present = ::ioctl(fd, BLKGETSIZE64, &size) == 0 && size > 0;
    }
    ::close(fd);
    return present;
  }
  if (!S_ISDIR(st.st_mode)) return false;
  // A folder stands for a drive's root: the medium is there when something
  // is mounted on it (its device differs from its parent's, or it is "/").
  struct stat parent;
  if (::stat((os + "/..").c_str(), &parent) != 0) return false;
  const bool mountPoint = st.st_dev != parent.st_dev || st.st_ino == parent.st_ino;
  struct statvfs vfs;
  return mountPoint && ::statvfs(os.c_str(), &vfs) == 0;
}

// ---- Handlers ----

void BuiltinFileOpen(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().files.Open(Str(args, 0), Int(args, 1)));
}

void BuiltinFileGetLineCount(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().files.GetLineCount(Int(args, 0)));
}

void BuiltinFileGetLine(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  std::string line;
  const int rc = env.Host().ModuleState().files.GetLine(Int(args, 0), Int(args, 1), line);
  if (rc == 0) SetStr(Ref(args, 2), line);
  ReturnInt(result, rc);
}

void BuiltinFileSetLine(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().files.SetLine(Int(args, 0), Int(args, 1), Str(args, 2)));
}

void BuiltinFileAddLine(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().files.AddLine(Int(args, 0), Str(args, 1)));
}

void BuiltinFileInsertLine(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().files.InsertLine(Int(args, 0), Int(args, 1), Str(args, 2)));
}

void BuiltinFileDeleteLine(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().files.DeleteLine(Int(args, 0), Int(args, 1)));
}

void BuiltinFileSave(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().files.Save(Int(args, 0)));
}

void BuiltinFileSaveAs(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().files.SaveAs(Int(args, 0), Str(args, 1)));
}

void BuiltinFileClose(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  ReturnInt(result, env.Host().ModuleState().files.Close(Int(args, 0)));
}

void BuiltinFileCopy(TStackData* args, vmcode_t* result, ScriptEnv&) {
  ReturnInt(result, CopyFileSilently(Str(args, 0), Str(args, 1)) ? 0 : -1);
}

void BuiltinFileDelete(TStackData* args, vmcode_t* result, ScriptEnv&) {
  ReturnInt(result, DeleteFileSilently(Str(args, 0)) ? 0 : -1);
}

void BuiltinFileRename(TStackData* args, vmcode_t* result, ScriptEnv&) {
  ReturnInt(result, RenameFileWithUndo(Str(args, 0), Str(args, 1)) ? 0 : -1);
}

void BuiltinFileExists(TStackData* args, vmcode_t* result, ScriptEnv&) {
  ReturnInt(result, CheckFileExists(Str(args, 0)) ? 1 : 0);
}

void BuiltinFileCompare(TStackData* args, vmcode_t* result, ScriptEnv&) {
  ReturnInt(result, CompareFiles(Str(args, 0), Str(args, 1)) ? 0 : 1);
}

void BuiltinDirExists(TStackData* args, vmcode_t* result, ScriptEnv&) {
  ReturnInt(result, CheckDirExists(Str(args, 0)) ? 1 : 0);
}

void BuiltinDirCreate(TStackData* args, vmcode_t* result, ScriptEnv&) {
  ReturnInt(result, CreateDirectoryPath(Str(args, 0)) ? 0 : -1);
}

void BuiltinDirIsEmpty(TStackData* args, vmcode_t* result, ScriptEnv&) {
  ReturnInt(result, IsDirEmpty(Str(args, 0)) ? 1 : 0);
}

namespace {

// The progress of a script's folder copy: a stop ends the copy; with a
// window, "Dir Copy..." shows the files copied out of those to copy and is
// closed however the copy ends.
class DirCopyProgress {
 public:
  DirCopyProgress(ScriptEnv& env, bool window) : env_(env), window_(window) {}
  ~DirCopyProgress() {
    if (shown_) env_.Host().CloseProgress();
  }
  DirCopyProgress(const DirCopyProgress&) = delete;
  DirCopyProgress& operator=(const DirCopyProgress&) = delete;

  CopyProgress Callback() {
    return [this](int done, int total) {
      if (env_.StopRequested()) return false;
      // Thousands of small files would flood the window with changes it
      // cannot show that fast.
      const auto now = std::chrono::steady_clock::now();
      if (window_ && (!shown_ || done == total || now - last_ >= kRefresh)) {
        env_.Host().ShowProgress(kDirCopyCaption, done, total);
        shown_ = true;
        last_ = now;
      }
      return true;
    };
  }

 private:
  static constexpr std::chrono::milliseconds kRefresh{50};
  ScriptEnv& env_;
  const bool window_;
  bool shown_ = false;
  std::chrono::steady_clock::time_point last_;
};

}  // namespace

void BuiltinDirCopy(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  DirCopyProgress progress(env, Int(args, 2) != 0);
  ReturnInt(result, CopyDirContents(Str(args, 0), Str(args, 1), progress.Callback()) ? 0 : -1);
}

void BuiltinDirSynchronize(TStackData* args, vmcode_t* result, ScriptEnv& env) {
  DirCopyProgress progress(env, Int(args, 2) != 0);
  ReturnInt(result, SynchronizeDir(Str(args, 0), Str(args, 1), progress.Callback()) ? 0 : -1);
}

void BuiltinDirCompare(TStackData* args, vmcode_t* result, ScriptEnv&) {
  ReturnInt(result, CompareDirs(Str(args, 0), Str(args, 1)) ? 0 : 1);
}

void BuiltinDiskCheckMedia(TStackData* args, vmcode_t* result, ScriptEnv&) {
  ReturnInt(result, CheckDiskMedia(Str(args, 0)) ? 1 : 0);
}

void BuiltinCrcNothing(TStackData*, vmcode_t* result, ScriptEnv&) { ReturnInt(result, 0); }
