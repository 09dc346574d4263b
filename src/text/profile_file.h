// INI profile files with the behaviour of the Windows private-profile
// functions, for tool_set.ini, cmd.ini and configuration files.
//
//  - Section and key names are compared without regard to ASCII letter case
//    (the second byte of a GBK character is compared exactly); blanks around
//    names and values and inside "[ section ]" are ignored; a value written
//    as "text" in double quotes reads as text.
//  - A line without "=" is not a key; a line starting with ";" is a comment.
//    CR, LF and CR LF all end a line.
//  - An absent file, section or key gives the caller's default; a file that
//    cannot be read counts as absent.
//  - A write replaces the key's value in place, or adds the key after the
//    last key of its section, or adds the section at the end of the file,
//    creating the file when it is missing. Lines the write does not touch
//    keep their bytes; new lines end in CR LF. The file is replaced
//    atomically (a temporary file in the same folder is renamed over it), so
//    a failed write leaves the old file as it was.
//
// Thread safety: a ProfileFile object is not shared; the free functions may
// be called from any thread (concurrent writers of one file are not merged).
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

// The Windows functions read into a caller's buffer; a buffer of n bytes
// yields at most n - 1 bytes of value. Most of the tool's reads use 512.
inline constexpr std::size_t kProfileDefaultBuffer = 512;

class ProfileFile {
 public:
  ProfileFile() = default;

  // Reads `path`; an absent or unreadable file gives an empty profile.
  static ProfileFile Load(const std::string& path);
  // For a read-modify-write: an absent file gives an empty profile, but a file
  // that exists and cannot be read gives nothing, so that it is not replaced.
  static std::optional<ProfileFile> LoadForUpdate(const std::string& path);
  // For a file that must be there: nothing when `path` is missing, is not a
  // plain file (a folder, a FIFO: nothing blocks) or cannot be read.
  static std::optional<ProfileFile> LoadExisting(const std::string& path);
  // Parses text as the contents of a file.
  static ProfileFile Parse(std::string_view text);

  // The value of the first matching key, or nothing when section or key is absent.
  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Replaces or adds the key (see the rules above).
  void Set(std::string_view section, std::string_view key, std::string_view value);
  // True when the section exists.
  bool HasSection(std::string_view section) const;

  // The whole file as it would be written.
  std::string Text() const;
  // Writes the file atomically; false when it could not be written.
  bool Save(const std::string& path) const;

 private:
  struct Line {
    std::string text;  // without its line end
    std::string end;   // "\r\n", "\n", "\r" or "" for a last line without one
  };
  std::vector<Line> lines_;
};

// GetPrivateProfileString: the value cut to buffer_size - 1 bytes, or
// `fallback` (cut the same way) when the key is absent.
std::string ProfileReadString(const std::string& path, std::string_view section,
                              std::string_view key, std::string_view fallback = {},
                              std::size_t buffer_size = kProfileDefaultBuffer);

// GetPrivateProfileInt: the leading decimal number of the value ("42A9" is 42,
// "B42" is 0), or `fallback` when the key is absent or its value empty.
int ProfileReadInt(const std::string& path, std::string_view section, std::string_view key,
                   int fallback);

// WritePrivateProfileString; false when the file could not be written.
bool ProfileWriteString(const std::string& path, std::string_view section, std::string_view key,
                        std::string_view value);

}  // namespace zt
