// Script file built-ins: line files kept in memory under integer handles, and
// file, folder and disk operations. Paths are CP932 like every other text.
#pragma once
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "script/machine/vmcode.h"

class ScriptEnv;

// Modes of fileOpen.
enum : int { fileNEW = 0, fileAPPEND = 1 };

// One open line file.
struct TJFileAccess {
  std::string name;
  std::vector<std::string> lines;
};

// The open-file map: handles count up from 0 while any file is open and start
// again at 0 once all are closed. Every operation holds the module lock.
class TScriptFiles {
 public:
  explicit TScriptFiles(std::mutex& moduleLock) : lock_(moduleLock) {}

  // fileAPPEND loads the existing file; any other mode empties (or creates)
  // it on disk at once. The new handle, or -1.
  int Open(const std::string& fileName, int mode);
  // -1 for an unknown handle or a line number outside 0..count-1.
  int GetLineCount(int file);
  int GetLine(int file, int lineNo, std::string& buff);
  int SetLine(int file, int lineNo, const std::string& buff);
  int AddLine(int file, const std::string& buff);
  int InsertLine(int file, int lineNo, const std::string& buff);
  int DeleteLine(int file, int lineNo);
  // Writes every line with CR LF; SaveAs keeps the entry's own name.
  int Save(int file);
  int SaveAs(int file, const std::string& fileName);
  int Close(int file);
  // Drops every entry (tests; the program keeps them until fileClose).
  void CloseAll();

 private:
  TJFileAccess* Find(int file);

  std::mutex& lock_;
  std::map<int, TJFileAccess> files_;
  int counter_ = 0;
};

// File and folder routines (true on success).
bool CopyFileSilently(const std::string& dest, const std::string& src);
bool DeleteFileSilently(const std::string& path);  // wildcards * and ? in the last name
bool RenameFileWithUndo(const std::string& org, const std::string& newName);
bool CheckFileExists(const std::string& path);
bool CompareFiles(const std::string& path1, const std::string& path2);
bool CheckDirExists(const std::string& dir);
bool CreateDirectoryPath(const std::string& dir);
bool IsDirEmpty(const std::string& dir);
// The caption of the progress window of dirCopy and dirSynchronize.
constexpr const char* kDirCopyCaption = "Dir Copy...";
// Told how a folder copy goes: first (0, files to copy), then (files copied,
// files to copy) after each file. Returning false ends the copy, which then
// fails.
using CopyProgress = std::function<bool(int done, int total)>;
bool CopyDirContents(const std::string& dest, const std::string& src, const CopyProgress& progress = {});
bool SynchronizeDir(const std::string& dest, const std::string& src, const CopyProgress& progress = {});
bool CompareDirs(const std::string& dir1, const std::string& dir2);
// drive is a mount point (a medium is present when something is mounted on
// it) or a block device node (a medium is in the drive).
bool CheckDiskMedia(const std::string& drive);

// Windows-style wildcard match over CP932 names: * any run, ? one character.
bool WildcardMatch(const std::string& pattern, const std::string& name);

void BuiltinFileOpen(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinFileGetLineCount(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinFileGetLine(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinFileSetLine(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinFileAddLine(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinFileInsertLine(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinFileDeleteLine(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinFileSave(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinFileSaveAs(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinFileClose(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinFileCopy(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinFileDelete(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinFileRename(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinFileExists(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinFileCompare(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinDirExists(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinDirCreate(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinDirIsEmpty(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinDirCopy(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinDirSynchronize(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinDirCompare(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinDiskCheckMedia(TStackData* args, vmcode_t* result, ScriptEnv& env);
void BuiltinCrcNothing(TStackData* args, vmcode_t* result, ScriptEnv& env);  // the four crc built-ins
