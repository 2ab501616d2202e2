#pragma once
// Files and folders: paths stored with '\' separators, folder listings with
// Windows-style patterns, known folders and folder creation.
//
// Listings are sorted by name without regard to case (ties broken by the
// exact bytes), so every run on every machine sees one order.
#include <boost/filesystem.hpp>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace plat {

// text with every '\' turned into '/'.
std::string NormaliseSeparators(const std::string& text);
// A stored or configured path (which may use '\') as a native path.
boost::filesystem::path ToPath(const std::string& stored);

// Windows-style pattern match of one file name: '*' any run of characters,
// '?' any one character, letters compared without regard to case. A pattern
// ending in ".*" also matches names without that dot ("*.*" matches every
// name, "readme.*" matches "readme"); a pattern ending in "." matches names
// that hold no dot ("*." matches "readme").
bool MatchPattern(const std::string& pattern, const std::string& name);

struct FolderEntry {
  std::string name;          // file name only
  bool isDirectory = false;  // a folder, or a link to one
  bool isLink = false;       // a symbolic link (walks do not follow these)
};

// Lists the direct entries of a folder ("." and ".." left out), sorted.
// false, with an error text when error is given, when the folder cannot be
// read; out then holds nothing.
bool ListFolder(const boost::filesystem::path& folder, std::vector<FolderEntry>& out, std::string* error = nullptr);

// Tests only: while set, ListFolder fails for every folder the predicate
// accepts, as it does for a folder the user may not read (an empty function
// clears it). Needed where the tests run as root, who can read any folder.
using ListFolderFailure = std::function<bool(const boost::filesystem::path& folder)>;
void SetListFolderFailure(ListFolderFailure failure);

// Enumerates a pattern such as "Boards\*.bdz" the way the Windows find
// functions do: the part up to the last '/', '\' or ':' names the folder
// (none: the current folder), the rest is the mask. Entries are sorted;
// "." and ".." are never reported. false when nothing matches or the folder
// cannot be read.
bool FindFiles(const std::string& pattern, std::vector<FolderEntry>& out);

// fopen of a path as it stands (a name a folder listing gave may hold a
// '\', which is then part of the name). A read-only mode ("r", "rb") opens
// regular files only: a folder, device, pipe or socket gives null, and the
// open never waits (a pipe without a writer cannot hold it up).
FILE* OpenFile(const boost::filesystem::path& path, const char* mode);
// The same for stored text: '\' read as a separator.
FILE* OpenFile(const std::string& stored, const char* mode);

// true when relative, joined to any folder, names something inside that
// folder: it is not empty and has no root and no ".." element (after a link
// to another folder even "a/../b" would leave).
bool StaysInside(const boost::filesystem::path& relative);

// Why a write failed.
struct WriteFailure {
  int error = 0;  // the errno value
  // false: the file could not be created at all (no folder, no right to
  // write there); true: it was, and writing, syncing or renaming it failed.
  bool created = false;
};

// Writes bytes to a temporary file beside path and renames it over path, so
// an interrupted or failed write keeps the old file. true on success; on
// failure errno (and *failure, when given) says why. A '\' in path is read
// as a separator, as in stored paths, unless backslashSeparates is false:
// then it is part of a name, as in a name a folder listing gave.
//
// Before writing, the temporaries that interrupted saves of the same target
// left beside it (".NAME.XXXXXX") are removed once they are more than a
// minute old (by UnixTime, fake or real): by then no running save owns them.
bool WriteFileAtomic(const boost::filesystem::path& path, const void* bytes, size_t size,
                     bool backslashSeparates = true, WriteFailure* failure = nullptr);

// Test hook: the next `count` calls of WriteFileAtomic fail with `error`
// (an errno value such as ENOSPC) once their temporary file exists, as a
// full disk fails them, or, with atCreate, as the temporary cannot be made
// (a folder the user may not write in fails so); the target keeps what it
// held. A count of 0 ends it.
void FailNextAtomicWrites(int count, int error, bool atCreate = false);

// The process's current folder (empty on failure).
boost::filesystem::path CurrentFolder();

// Creates one folder (its parent must exist).
enum class MakeDirResult { Created, AlreadyExists, PathNotFound, Failed };
MakeDirResult MakeDirectory(const std::string& path);

// Creates a folder and its missing parents; true when it exists afterwards.
bool MakeDirs(const boost::filesystem::path& path);

// The two known folders the programs use:
//   SavedGames: $XDG_DATA_HOME, else ~/.local/share
//   Documents:  XDG_DOCUMENTS_DIR from $XDG_CONFIG_HOME/user-dirs.dirs
//               (default ~/.config/user-dirs.dirs), else ~/Documents
enum class KnownFolder { SavedGames, Documents };
// The folder's path; with create, the folder is made when missing. Empty
// when it cannot be found (or, with create, cannot be made).
boost::filesystem::path GetKnownFolder(KnownFolder folder, bool create);

// A program name as the programs give it ("Tools/Sheetwright.exe") turned
// into the name of the program file on this system ("Tools/Sheetwright").
std::string ExecutableName(const std::string& windowsName);

// Reading a whole file, telling a file that is not there from one that is
// there but cannot be read (no right to read it, a failing disk, not a
// regular file) and from one too large to take in.
enum class ReadFileResult { kRead, kMissing, kCannotRead, kTooLarge };
// Reads the regular file at path (as it stands, no '\' conversion) into out.
// Opens without waiting, so a pipe cannot hold the reader up. On anything
// but kRead, out is empty and *error (when given) holds the errno value.
ReadFileResult ReadWholeFile(const boost::filesystem::path& path, std::string& out, size_t maxBytes,
                             int* error = nullptr);
// Tests only: while set, ReadWholeFile of a path the function gives a
// non-zero errno value for (EACCES, EIO, ...) fails with that value as the
// system would: the file stays where it is. An empty function clears it.
// Needed where the tests run as root, who may read any file.
using ReadFailure = std::function<int(const boost::filesystem::path& path)>;
void SetReadFailure(ReadFailure failure);

// Renames path to the first name of path + suffix, path + suffix + ".1",
// path + suffix + ".2", ... that does not exist, never replacing a file an
// earlier keep left. The name used, or empty (with *error set to the errno
// value) when the file could not be moved.
boost::filesystem::path KeepAside(const boost::filesystem::path& path, const std::string& suffix, int* error = nullptr);

}  // namespace plat
