#pragma once
// A scratch directory under the system's temporary directory, removed with everything in it.
// Names are UTF-8 on every platform.

#include <filesystem>
#include <string>

namespace tarrow::test {

class TTempDir {
public:
    TTempDir();
    // A folder of that name inside a fresh scratch directory ("Loja São João ✓"): the path a
    // store's folder may have. An empty name is the scratch directory itself.
    explicit TTempDir(const std::string& folder);
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
    std::string root_;
    std::string path_;
};

// A UTF-8 name as the file functions take it: the narrow one would be read in Windows' ANSI code
// page.
std::filesystem::path Utf8Path(const std::string& utf8);

}  // namespace tarrow::test
