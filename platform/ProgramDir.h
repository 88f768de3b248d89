#pragma once
// Where the running program file lies. Configuration and list files live beside the program, not
// in the working directory.

#include <filesystem>
#include <string>

namespace tarrow {

// Full path of the running program file.
std::string ProgramFilePath();

// Directory of the running program file, ending with the path separator, so that a file name can
// be appended directly.
std::string ProgramDirectory();

// The program file's name without directory and extension (the application's title).
std::string ProgramTitle();

// The characters that end a directory in a path: "/" on Linux; "\\", "/" and the drive's ":" on
// Windows.
bool IsPathSeparator(char c);

// Directory part of a path, with its trailing separator ("" when the path has none).
std::string ExtractFilePath(const std::string& path);

// A file name of ours (UTF-8) as the system's file functions take it, and back. Windows' narrow
// file functions, and the standard library's narrow paths over them, read the ANSI code page, so
// every file the programs open or list is named through these. A malformed sequence becomes
// U+FFFD on Windows, never an error.
std::filesystem::path PathFromUtf8(const std::string& utf8);
std::string Utf8FromPath(const std::filesystem::path& path);

}  // namespace tarrow
