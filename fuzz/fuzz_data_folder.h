// What the harnesses that read configurations through the real path share: an operator that
// takes every question's default answer, and a temporary data folder for the working copies.
#pragma once

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "core/model/data_folders.h"
#include "core/operator.h"

namespace fuzzing {

class DefaultAnswers : public tem::Operator {
  public:
    void inform(const std::string&) override {}
    bool ask(const std::string&, bool defaultAnswer) override { return defaultAnswer; }
};

/// A data folder under the system's temporary folder, removed when the harness ends.
struct DataFolder {
    explicit DataFolder(const std::string& prefix)
    {
        std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        root = mkdtemp(pattern.data());
        folders = tem::DataFolders::Under(root + "/shared");
        std::filesystem::create_directories(folders.temConfig);
    }
    ~DataFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(root, ec);
    }
    std::string root;
    tem::DataFolders folders;
};

} // namespace fuzzing
