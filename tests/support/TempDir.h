#pragma once
// A scratch directory under the system's temporary directory, removed with everything in it.

#include <string>

namespace tarrow::test {

class TTempDir {
public:
    TTempDir();
    ~TTempDir();
    TTempDir(const TTempDir&) = delete;
    TTempDir& operator=(const TTempDir&) = delete;

    // The directory, ending with "/".
    const std::string& Path() const { return path_; }

    // Writes a file with exactly these bytes and returns its full name.
    std::string Write(const std::string& name, const std::string& bytes) const;
    // The bytes of a file in the directory (empty when it does not exist).
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;

private:
    std::string path_;
};

}  // namespace tarrow::test
