#include "tests/support/TempDir.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <stdexcept>

namespace tarrow::test {

std::filesystem::path Utf8Path(const std::string& utf8)
{
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

TTempDir::TTempDir()
{
    // A name of our own and create_directory's refusal of an existing one, on every platform.
    static std::mutex guard;
    static std::random_device seed;
    static std::mt19937_64 random(seed());
    std::lock_guard lock(guard);
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto dir = base / ("tarrow-test-" + std::to_string(random() % 1000000000));
        std::error_code error;
        if (std::filesystem::create_directory(dir, error)) {
            std::filesystem::permissions(dir, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::replace, error);
            // Forward slashes on Windows too: the name goes into SQL texts, where a backslash escapes.
            const std::u8string name = dir.generic_u8string();
            root_ = path_ = std::string(name.begin(), name.end()) + "/";
            return;
        }
    }
    throw std::runtime_error("cannot create a scratch directory");
}

TTempDir::TTempDir(const std::string& folder) : TTempDir()
{
    if (folder.empty()) return;
    path_ = root_ + folder + "/";
    std::filesystem::create_directory(Utf8Path(path_));
}

TTempDir::~TTempDir()
{
    std::error_code ignored;
    for (const std::string& dir : {path_, root_})
        std::filesystem::permissions(Utf8Path(dir), std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(Utf8Path(root_), ignored);
}

std::string TTempDir::Write(const std::string& name, const std::string& bytes) const
{
    const std::string file = path_ + name;
    std::ofstream out(Utf8Path(file), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + file);
    return file;
}

std::string TTempDir::Read(const std::string& name) const
{
    std::ifstream in(Utf8Path(path_ + name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

bool TTempDir::Exists(const std::string& name) const { return std::filesystem::exists(Utf8Path(path_ + name)); }

}  // namespace tarrow::test
