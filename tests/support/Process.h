#pragma once
// Runs another program to its end, the same on Linux and under Windows, with its standard input,
// output and error in files. Under Wine the program may be a Linux one, named by its Z: path.

#include <string>
#include <vector>

namespace tarrow::test {

// The program's exit status, or -1 when it could not be started. Empty file names leave that
// stream as it is.
int RunProgram(const std::vector<std::string>& arguments, const std::string& inputFile,
               const std::string& outputFile, const std::string& errorFile);

// The path a Linux program has for this test program: as it is on Linux, its Z: drive path under
// Wine.
std::string HostProgramPath(const std::string& linuxPath);

}  // namespace tarrow::test
