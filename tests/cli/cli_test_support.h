#pragma once
// Runs temsetrix-cli in-process on a temporary data folder.

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/qt/in_process.h"
#include "support/temp_folder.h"

namespace tem::cli::test {

struct CliResult {
    int status = -1;
    std::string out, err;
};

/// A temporary folder that also serves as the shared data folder; removed at the end.
class CliFixture {
  public:
    std::string root() const { return root_; }
    std::string dataDir() const { return root_ + "/shared"; }
    std::string path(const std::string& name) const { return root_ + "/" + name; }

    std::string write(const std::string& name, const std::string& text) const
    {
        std::ofstream(path(name), std::ios::binary) << text;
        return path(name);
    }
    std::string read(const std::string& name) const
    {
        std::ifstream in(name.front() == '/' ? name : path(name), std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    /// temsetrix-cli --data-dir <temporary> args...
    CliResult run(std::vector<std::string> args) const
    {
        args.insert(args.begin(), {"temsetrix-cli", "--data-dir", dataDir()});
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        std::ostringstream out, err;
        CliResult r;
        r.status = RunWithQt(int(args.size()), argv.data(), out, err);
        r.out = out.str();
        r.err = err.str();
        return r;
    }

  private:
    testsupport::TempFolder folder_{"temsetrix-cli-"};
    std::string root_ = folder_.path();
};

} // namespace tem::cli::test
