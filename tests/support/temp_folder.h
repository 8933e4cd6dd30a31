#pragma once
// A new folder under the system's temporary folder for one test, removed with everything in it.

#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>

#include <unistd.h>

namespace tem::testsupport {

class TempFolder {
  public:
    /// A folder named prefix + six random characters.
    explicit TempFolder(const std::string& prefix = "temsetrix-test-")
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "XXXXXX")).string();
        if (!mkdtemp(pattern.data()))
            throw std::runtime_error("no temporary folder " + pattern);
        path_ = pattern;
    }
    ~TempFolder()
    {
        // A test may leave the folder read-only; the removal needs it writable again.
        std::error_code ec;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    /// The folder, without a trailing '/'.
    const std::string& path() const { return path_; }
    /// A file or folder of that name inside it.
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

} // namespace tem::testsupport
