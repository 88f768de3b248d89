#pragma once
// Where the running program file lies. Configuration and list files live beside the program, not
// in the working directory.

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

}  // namespace tarrow
